// The zip reader over a peer project's regression archives, judged by what three independent
// readers (Python's zipfile, Info-ZIP unzip, bsdtar) make of each: where all three read an
// archive alike, the reader must extract exactly their files; where all three refuse it, the
// reader must refuse it with a CZipException. Archives they differ on are reported, not judged.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "TempFolder.h"
#include "zip/ZipException.h"
#include "zip/ZipPathSplit.h"
#include "zip/ZipReader.h"

namespace quarvel::test {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

// The corpus lies beside the checkout, where CI puts the shared folder.
std::string CorpusFolder() {
    const char* source = std::getenv("QUARVEL_SOURCE_DIR");
    return std::string(source ? source : ".") + "/../shared/corpus/libzip";
}

// Only the files of a tree: the references do not agree on empty folders.
Files FilesOf(const std::string& folder) {
    Files files;
    for (const auto& [path, content] : ReadTree(folder)) {
        if (path.back() != '/') {
            files.emplace(path, content);
        }
    }
    return files;
}

enum class EResult { kRead, kRefused, kOther };

// Extracts every entry as the install engine does. kRefused when the reader threw a
// CZipException, or left an entry out naming a feature it lacks.
EResult ReadWithOurs(const std::string& archive, const std::string& stage, Files& expected,
                     std::string& why) {
    zip::CZipReader reader;
    try {
        reader.OpenArchive(archive, 1, 0);
        bool refused = false;
        for (int i = 0; i < reader.EntryCount(); ++i) {
            zip::CZipEntry entry;
            reader.ReadEntryHeader(entry, i);
            const std::string name = entry.GetFileName();
            if (!zip::IsConfinedEntryName(name)) {
                // Refused for safety counts as right; the references cut a name at a NUL.
                expected.erase(name);
                expected.erase(name.substr(0, name.find('\0')));
                continue;
            }
            if (!reader.ExtractEntry(i, stage)) {
                const auto unsupported = reader.CheckEntrySupported(i);
                why = unsupported ? unsupported->what() : "entry " + std::to_string(i) + " false";
                refused = true;
            }
        }
        reader.CloseArchive();
        return refused ? EResult::kRefused : EResult::kRead;
    } catch (const zip::CZipException& fault) {
        why = fault.what();
        return EResult::kRefused;
    } catch (const platform::CException& other) {
        why = other.what();
        return EResult::kOther;
    }
}

TEST(ZipCorpusTest, ReadsAsThreeReadersAgree) {
    const std::string corpus = CorpusFolder();
    if (!fs::is_directory(corpus)) {
        GTEST_SKIP() << "no corpus at " << corpus << " (the shared folder beside the checkout)";
    }
    CTempFolder temp;
    const std::string references = temp / "references";
    const std::string script =
        std::string(std::getenv("QUARVEL_SOURCE_DIR")) + "/tests/unit/zip/corpus_references.py";
    ASSERT_EQ(
        std::system(("python3 '" + script + "' '" + corpus + "' '" + references + "'").c_str()), 0);
    std::istringstream verdicts(ReadFile(references + "/verdicts.txt"));
    std::string verdict;
    std::string name;
    std::map<std::string, int> counts;
    std::ostringstream reported;
    while (verdicts >> verdict >> name) {
        SCOPED_TRACE(name);
        const std::string stage = temp / ("stage/" + name);
        MakeFolder(stage);
        Files expected =
            verdict == "agree" ? FilesOf(references + "/" + name + ".expected") : Files{};
        std::string why;
        const EResult result = ReadWithOurs(corpus + "/" + name, stage, expected, why);
        ++counts[verdict];
        if (verdict == "agree") {
            const bool same = result == EResult::kRead && FilesOf(stage) == expected;
            EXPECT_TRUE(same) << "read differently from all three: " << why;
            counts["agree, read alike"] += same;
        } else if (verdict == "refuse") {
            EXPECT_EQ(result, EResult::kRefused) << "refused by all three, read here: " << why;
            counts["refuse, refused"] += result == EResult::kRefused;
        } else {
            reported << "  " << name << ": "
                     << (result == EResult::kRead ? "read" : "refused, " + why) << "\n";
        }
    }
    std::cout << "Archives the three references agree on: " << counts["agree"] + counts["refuse"]
              << " (read " << counts["agree"] << ", refused " << counts["refuse"]
              << "); passed: " << counts["agree, read alike"] + counts["refuse, refused"]

              << "; reported, as the references differ: " << counts["report"] << "\n"
              << reported.str();
    EXPECT_GT(counts["agree"], 0);
}

}  // namespace
}  // namespace quarvel::test
