#include "ZipFixture.h"

#include <gtest/gtest.h>

#include "Process.h"
#include "TempFolder.h"

namespace quarvel::test {

void MakeZip(const std::string& path,
             const std::vector<std::pair<std::string, std::string>>& entries) {
    static const char* const kScript =
        "import sys, zipfile\n"
        "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED) as z:\n"
        "    for name, data in zip(sys.argv[2::2], sys.argv[3::2]):\n"
        "        z.writestr(name, open(data[1:], 'rb').read() if data[:1] == '@' else data)\n";
    MakeFolder(path.substr(0, path.rfind('/')));
    std::vector<std::string> arguments = {"python3", "-c", kScript, path};
    for (const auto& [name, content] : entries) {
        arguments.push_back(name);
        arguments.push_back(content);
    }
    RunTool(".", arguments);
}

void DamageFirst(const std::string& path, const std::string& text) {
    std::string bytes = ReadFile(path);
    const auto at = bytes.find(text);
    ASSERT_NE(at, std::string::npos) << text << " not in " << path;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
    WriteFile(path, bytes);
}

}  // namespace quarvel::test
