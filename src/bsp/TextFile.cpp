#include "TextFile.h"

#include <algorithm>

#include "platform/TextCase.h"

namespace bsp {

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n";
    const std::size_t start = text.find_first_not_of(kSpace);
    if (start == std::string_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(kSpace) - start + 1);
}

std::vector<std::string> TextLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string line(text.substr(start, end - start));
        start = end + 1;
        line.resize(std::min(line.size(), line.find("//")));
        std::erase(line, '"');
        if (const std::string_view trimmed = Trim(line); !trimmed.empty()) {
            lines.emplace_back(trimmed);
        }
    }
    return lines;
}

std::optional<std::string> KeyedValue(std::string_view line, std::string_view key) {
    const std::size_t space = line.find_first_of(" \t");
    if (!platform::EqualsNoCase(line.substr(0, space), key)) {
        return std::nullopt;
    }
    return std::string(Trim(space == std::string_view::npos ? "" : line.substr(space)));
}

}  // namespace bsp
