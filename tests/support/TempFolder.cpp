#include "TempFolder.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace quarvel::test {

CTempFolder::CTempFolder() {
    // A name nobody else uses: made with create_directory, which fails when
    // the name is taken, as mkdtemp would (and Windows has no mkdtemp).
    static std::mt19937_64 random(
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / ("quarvel-test-" + std::to_string(random() % 100000000));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            m_strPath = NativePath(candidate.string());
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

CTempFolder::~CTempFolder() {
    std::error_code error;
    // Tests make files and folders read-only; give write access back first.
    for (auto it = fs::recursive_directory_iterator(m_strPath, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_symlink()) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        }
    }
    fs::remove_all(m_strPath, error);
}

std::string CTempFolder::operator/(const std::string& relative) const {
    return NativePath(m_strPath + "/" + relative);
}

std::string NativePath(std::string path) {
#ifdef _WIN32
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
#endif
    return path;
}

void WriteFile(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void MakeFolder(const std::string& path) {
    fs::create_directories(path);
}

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(fs::symlink_status(path, error));
}

std::map<std::string, std::string> ReadTree(const std::string& folder) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string relative = fs::relative(entry.path(), folder).generic_string();
        if (entry.is_directory() && !entry.is_symlink()) {
            tree[relative + "/"] = "";
        } else if (entry.is_symlink()) {
            tree[relative] = "-> " + fs::read_symlink(entry.path()).string();
        } else {
            tree[relative] = ReadFile(entry.path().string());
        }
    }
    return tree;
}

}  // namespace quarvel::test
