#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quarvel::test {

// Writes a zip archive with Python's zipfile, an implementation independent of
// ours: each entry a stored name and its content, stored (not deflated) so
// that tests can find and damage an entry's bytes. A content "@PATH" is the
// bytes of the file at PATH.
void MakeZip(const std::string& path,
             const std::vector<std::pair<std::string, std::string>>& entries);

// The entry content that stands for the bytes of the file at path.
inline std::string FileContent(const std::string& path) {
    // Appended, not "@" + path: g++ 12 warns falsely about that at -O3.
    return std::string("@").append(path);
}

// Flips the first byte of the first occurrence of text inside a file.
void DamageFirst(const std::string& path, const std::string& text);

}  // namespace quarvel::test
