#include "SteamLibraries.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "platform/FolderListing.h"
#include "platform/TextCase.h"

namespace settings {
namespace {

// Steam writes the file in a few kilobytes; a larger one is not ours to read.
constexpr std::size_t kMaxFileSize = 1 << 20;
// Deeper nesting than any real file has; bounds the parser's recursion.
constexpr int kMaxDepth = 32;

struct CVdfNode {
    std::string m_strKey;
    std::string m_strValue;
    bool m_bBlock = false;
    std::vector<CVdfNode> m_children;
};

// The text format of Valve's key-value files: quoted or bare tokens, braces
// around blocks, "//" comments to the line end, and "[$...]" conditions,
// which are skipped.
class CVdfReader {
  public:
    explicit CVdfReader(std::string_view text) : m_text(text) {}

    // Reads pairs until the closing brace of the block or the end of the
    // text; stops quietly at the first damage, keeping what was read.
    void ReadPairs(std::vector<CVdfNode>& nodes, int depth) {
        for (;;) {
            std::string key;
            const EToken keyToken = Next(key);
            if (keyToken != EToken::kString) {
                return;  // closing brace, end, or damage
            }
            CVdfNode node;
            node.m_strKey = std::move(key);
            std::string value;
            const EToken valueToken = Next(value);
            if (valueToken == EToken::kString) {
                node.m_strValue = std::move(value);
            } else if (valueToken == EToken::kOpen && depth < kMaxDepth) {
                node.m_bBlock = true;
                ReadPairs(node.m_children, depth + 1);
                if (m_bDamaged) {
                    nodes.push_back(std::move(node));
                    return;
                }
            } else {
                m_bDamaged = true;
                return;
            }
            nodes.push_back(std::move(node));
        }
    }

  private:
    enum class EToken { kString, kOpen, kClose, kEnd };

    EToken Next(std::string& token) {
        for (;;) {
            SkipSpaceAndComments();
            if (m_pos >= m_text.size()) {
                return EToken::kEnd;
            }
            const char c = m_text[m_pos];
            if (c == '{') {
                ++m_pos;
                return EToken::kOpen;
            }
            if (c == '}') {
                ++m_pos;
                return EToken::kClose;
            }
            if (c == '"') {
                if (!ReadQuoted(token)) {
                    m_bDamaged = true;
                    return EToken::kEnd;
                }
                return EToken::kString;
            }
            ReadBare(token);
            if (!token.starts_with('[')) {
                return EToken::kString;
            }
        }
    }

    void SkipSpaceAndComments() {
        while (m_pos < m_text.size()) {
            if (std::isspace(static_cast<unsigned char>(m_text[m_pos]))) {
                ++m_pos;
            } else if (m_text.substr(m_pos, 2) == "//") {
                const auto end = m_text.find('\n', m_pos);
                m_pos = end == std::string_view::npos ? m_text.size() : end + 1;
            } else {
                return;
            }
        }
    }

    bool ReadQuoted(std::string& token) {
        token.clear();
        for (++m_pos; m_pos < m_text.size(); ++m_pos) {
            const char c = m_text[m_pos];
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (c == '\\' && m_pos + 1 < m_text.size()) {
                const char next = m_text[++m_pos];
                token += next == 'n' ? '\n' : next == 't' ? '\t' : next;
                continue;
            }
            token += c;
        }
        return false;  // no closing quote
    }

    void ReadBare(std::string& token) {
        token.clear();
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (std::isspace(static_cast<unsigned char>(c)) || c == '"' || c == '{' || c == '}') {
                break;
            }
            token += c;
            ++m_pos;
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    bool m_bDamaged = false;
};

bool IsNumber(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::vector<std::string> ParseLibraryFolders(std::string_view text) {
    std::vector<CVdfNode> roots;
    CVdfReader(text).ReadPairs(roots, 0);

    std::vector<std::string> libraries;
    for (const auto& root : roots) {
        if (!root.m_bBlock || !platform::EqualsNoCase(root.m_strKey, "libraryfolders")) {
            continue;
        }
        for (const auto& entry : root.m_children) {
            if (!IsNumber(entry.m_strKey)) {
                continue;
            }
            if (!entry.m_bBlock) {
                if (!entry.m_strValue.empty()) {
                    libraries.push_back(entry.m_strValue);
                }
                continue;
            }
            for (const auto& field : entry.m_children) {
                if (!field.m_bBlock && platform::EqualsNoCase(field.m_strKey, "path") &&
                    !field.m_strValue.empty()) {
                    libraries.push_back(field.m_strValue);
                    break;
                }
            }
        }
    }
    return libraries;
}

std::vector<std::string> ReadLibraryFolders(const std::string& steamAppsFolder) {
    for (const auto& entry : platform::ListFolder(steamAppsFolder, "libraryfolders.vdf")) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(entry.m_strPath, error)) {
            continue;  // a pipe of that name would never end
        }
        std::ifstream in(entry.m_strPath, std::ios::binary);
        std::string text(kMaxFileSize, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
        return ParseLibraryFolders(text);
    }
    return {};
}

}  // namespace settings
