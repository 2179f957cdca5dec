#pragma once

#include <map>
#include <string>

namespace quarvel::test {

// A real folder under the system's temporary folder, removed with everything
// below it when the object goes (read-only entries included).
class CTempFolder {
  public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::string& Path() const { return m_strPath; }
    // Path + "/" + relative, in the platform's separators.
    std::string operator/(const std::string& relative) const;

  private:
    std::string m_strPath;
};

// The path with '/' made the platform's separator (backslash on Windows).
std::string NativePath(std::string path);

// Writes a file, creating its folders.
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
void MakeFolder(const std::string& path);
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);

// Every file below a folder as relative path -> content, and every folder as
// relative path + "/" -> "": lets a test compare a whole tree at once.
std::map<std::string, std::string> ReadTree(const std::string& folder);

}  // namespace quarvel::test
