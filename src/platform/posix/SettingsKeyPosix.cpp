#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "../FileSystem.h"
#include "../TextCase.h"
#include "ErrnoMapping.h"
#include "PosixHandles.h"
#include "SettingsKeyPosix.h"

namespace platform {
namespace {

// A real settings file is a few hundred bytes; anything this large is not one.
constexpr off_t kMaxKeyFileSize = 1 << 20;
constexpr mode_t kNewFileMode = 0644;
constexpr std::string_view kStringTag = "sz:";
constexpr std::string_view kDwordTag = "dword:";

ErrorCode LastError(const std::string& path) {
    return posix::ErrorFromErrno(errno, path);
}

std::string HomeFolder() {
    std::string home;
    if (const char* value = std::getenv("HOME"); value && *value) {
        home = value;
    } else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        home = entry->pw_dir;
    }
    while (!home.empty() && home.back() == '/') {
        home.pop_back();
    }
    return home;
}

// Read-only and write-only files exist on Windows for every user; the
// superuser passes every permission test here, so the bits are checked too.
bool MayRead(const std::string& path, const struct stat& info) {
    return (info.st_mode & 0444) != 0 && ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0;
}

bool MayWrite(const std::string& path, const struct stat& info) {
    return (info.st_mode & 0222) != 0 && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[i + 1];
        if (next == '\\') {
            out += '\\';
        } else if (next == 'n') {
            out += '\n';
        } else if (next == 'r') {
            out += '\r';
        } else {
            out += '\\';  // not an escape: both characters stand for themselves
            continue;
        }
        ++i;
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string DwordBytes(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

// The name of a line: the text before its first '='; false for a line without one.
bool LineName(std::string_view line, std::string_view& name) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
        return false;
    }
    name = line.substr(0, equals);
    return true;
}

// Parses "name=sz:TEXT" or "name=dword:XXXXXXXX"; false for any other line.
bool ParseLine(std::string_view line, std::string_view& name, CSettingsValue& value) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);  // a file edited with Windows line ends
    }
    if (!LineName(line, name)) {
        return false;
    }
    const std::string_view rest = line.substr(name.size() + 1);
    if (rest.starts_with(kStringTag)) {
        value.m_eType = ESettingsValueType::kString;
        value.m_strData = Unescape(rest.substr(kStringTag.size()));
        value.m_strData += '\0';
        return true;
    }
    if (rest.starts_with(kDwordTag)) {
        const std::string_view digits = rest.substr(kDwordTag.size());
        if (digits.size() != 8) {
            return false;
        }
        std::uint32_t number = 0;
        for (const char c : digits) {
            const int digit = HexDigit(c);
            if (digit < 0) {
                return false;
            }
            number = (number << 4) | static_cast<std::uint32_t>(digit);
        }
        value.m_eType = ESettingsValueType::kDword;
        value.m_strData = DwordBytes(number);
        return true;
    }
    return false;
}

std::vector<std::string> SplitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        const auto end = content.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(content.substr(start));  // a last line without its line end
            break;
        }
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Reads a key file whole. Only a readable plain file of sensible size will
// do: a folder, a pipe or a device in its place cannot be opened.
ErrorCode ReadKeyFile(const std::string& file, std::vector<std::string>& lines) {
    const posix::CFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.Get() < 0) {
        return LastError(file);
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        return LastError(file);
    }
    if (!S_ISREG(info.st_mode) || !MayRead(file, info)) {
        return kErrorAccessDenied;
    }
    if (info.st_size > kMaxKeyFileSize) {
        return kErrorInvalidData;
    }
    std::string content;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError(file);
        }
        content.append(buffer, static_cast<std::size_t>(got));
        if (content.size() > static_cast<std::size_t>(kMaxKeyFileSize)) {
            return kErrorInvalidData;
        }
    }
    lines = SplitLines(content);
    return kErrorSuccess;
}

std::string FileName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

std::string TemporaryPrefix(const std::string& file) {
    // Built by appending: g++ 12 at -O3 misreads "." + std::string&& as an
    // overlapping copy (-Wrestrict), which breaks the Release build.
    std::string prefix = ".";
    prefix += FileName(file);
    prefix += ".tmp-";
    return prefix;
}

// Writes the content beside the file and renames it over the file, so that
// readers and a crash only ever see the old or the new file whole.
ErrorCode ReplaceFile(const std::string& folder, const std::string& file,
                      const std::string& content) {
    struct stat folderInfo {};
    if (::stat(folder.c_str(), &folderInfo) != 0) {
        return LastError(folder);
    }
    if (!MayWrite(folder, folderInfo)) {
        return kErrorAccessDenied;
    }
    mode_t mode = kNewFileMode;
    if (struct stat fileInfo{}; ::stat(file.c_str(), &fileInfo) == 0) {
        mode = fileInfo.st_mode & 0777;
    }
    std::string temporary = folder + "/" + TemporaryPrefix(file) + "XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return LastError(folder);
    }
    int error = 0;
    for (std::size_t done = 0; error == 0 && done < content.size();) {
        const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
        if (put < 0) {
            if (errno != EINTR) {
                error = errno;
            }
            continue;
        }
        done += static_cast<std::size_t>(put);
    }
    if (error == 0 && ::fchmod(fd, mode) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), file.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return posix::ErrorFromErrno(error, file);
    }
    return kErrorSuccess;
}

// Temporary files of writers that crashed. Only called under the write lock,
// so no other writer's file is among them.
void RemoveStaleTemporaries(const std::string& folder, const std::string& file) {
    std::unique_ptr<DIR, posix::DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) {
        return;
    }
    const std::string prefix = TemporaryPrefix(file);
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name.starts_with(prefix)) {
            ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
        }
    }
}

ErrorCode MakeFolders(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode) ? kErrorSuccess : kErrorPathNotFound;
    }
    std::string parent = "/";
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::stat(part.c_str(), &info) != 0) {
            struct stat parentInfo {};
            if (::stat(parent.c_str(), &parentInfo) == 0 && !MayWrite(parent, parentInfo)) {
                return kErrorAccessDenied;
            }
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
                return errno == ENOENT || errno == ENOTDIR ? kErrorPathNotFound : LastError(part);
            }
        } else if (!S_ISDIR(info.st_mode)) {
            return kErrorPathNotFound;
        }
        if (slash == std::string::npos) {
            break;
        }
        parent = part;
    }
    return kErrorSuccess;
}

bool IsStorableName(const std::string& name) {
    return name.find_first_of(std::string_view("=\n\r\0", 4)) == std::string::npos;
}

}  // namespace

std::unique_ptr<CSettingsKey> CSystemSettingsKeys::MakeKey() {
    return std::make_unique<CPosixSettingsKey>();
}

CPosixSettingsKey::~CPosixSettingsKey() {
    if (IsOpen()) {
        Close();
    }
}

std::string CPosixSettingsKey::KeyFilePath(const std::string& keyName) {
    return SettingsFolder() + "/" + keyName + ".conf";
}

void CPosixSettingsKey::Reset() {
    m_eMode = EMode::kClosed;
    m_strFolder.clear();
    m_strFile.clear();
    m_lines.clear();
    m_hFolder = -1;
    m_strInstallPath.clear();
}

ErrorCode CPosixSettingsKey::Open(const std::string& keyName) {
    if (IsOpen()) {
        Close();
    }
    const std::string file = KeyFilePath(keyName);
    std::vector<std::string> lines;
    if (const ErrorCode error = ReadKeyFile(file, lines); error != kErrorSuccess) {
        return error;
    }
    m_eMode = EMode::kRead;
    m_strFolder = SettingsFolder();
    m_strFile = file;
    m_lines = std::move(lines);
    return kErrorSuccess;
}

ErrorCode CPosixSettingsKey::OpenSteam() {
    if (IsOpen()) {
        Close();
    }
    const std::string home = HomeFolder();
    for (const char* place : {"/.steam/root", "/.steam/steam", "/.local/share/Steam",
                              "/.var/app/com.valvesoftware.Steam/.local/share/Steam"}) {
        const std::string path = home + place;
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            m_eMode = EMode::kSteam;
            m_strInstallPath = path;
            return kErrorSuccess;
        }
    }
    return kErrorFileNotFound;
}

ErrorCode CPosixSettingsKey::Create(const std::string& keyName) {
    if (IsOpen()) {
        Close();
    }
    const std::string folder = SettingsFolder();
    const std::string file = folder + "/" + keyName + ".conf";
    if (const ErrorCode error = MakeFolders(folder); error != kErrorSuccess) {
        return error;
    }
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return LastError(folder);
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const ErrorCode error = LastError(folder);
            ::close(fd);
            return error;
        }
    }
    RemoveStaleTemporaries(folder, file);

    ErrorCode error = kErrorSuccess;
    std::vector<std::string> lines;
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode) || !MayWrite(file, info)) {
            error = kErrorAccessDenied;
        } else {
            // Read to keep the values this handle does not set.
            error = ReadKeyFile(file, lines);
        }
    } else if (errno == ENOENT) {
        error = ReplaceFile(folder, file, "");
    } else {
        error = LastError(file);
    }
    if (error != kErrorSuccess) {
        ::close(fd);
        return error;
    }
    m_eMode = EMode::kWrite;
    m_strFolder = folder;
    m_strFile = file;
    m_lines = std::move(lines);
    m_hFolder = fd;
    return kErrorSuccess;
}

const std::string* CPosixSettingsKey::FindLine(const std::string& name) const {
    for (const auto& line : m_lines) {
        std::string_view lineName;
        CSettingsValue value;
        if (ParseLine(line, lineName, value) && EqualsNoCase(lineName, name)) {
            return &line;
        }
    }
    return nullptr;
}

ErrorCode CPosixSettingsKey::QueryValue(const std::string& name, std::size_t bufferSize,
                                        CSettingsValue& value) const {
    CSettingsValue found;
    switch (m_eMode) {
        case EMode::kClosed:
            return kErrorInvalidHandle;
        case EMode::kWrite:
            return kErrorAccessDenied;
        case EMode::kSteam:
            if (!EqualsNoCase(name, "InstallPath")) {
                return kErrorFileNotFound;
            }
            found.m_eType = ESettingsValueType::kString;
            found.m_strData = m_strInstallPath + '\0';
            break;
        case EMode::kRead: {
            const std::string* line = FindLine(name);
            if (!line) {
                return kErrorFileNotFound;
            }
            std::string_view lineName;
            ParseLine(*line, lineName, found);
            break;
        }
    }
    if (found.m_strData.size() > bufferSize) {
        return kErrorMoreData;
    }
    value = std::move(found);
    return kErrorSuccess;
}

ErrorCode CPosixSettingsKey::QueryDword(const std::string& name, std::uint32_t& value) const {
    CSettingsValue found;
    if (const ErrorCode error = QueryValue(name, SIZE_MAX, found); error != kErrorSuccess) {
        return error;
    }
    if (found.m_eType != ESettingsValueType::kDword) {
        return kErrorUnsupportedType;
    }
    value = DwordOf(found.m_strData);
    return kErrorSuccess;
}

ErrorCode CPosixSettingsKey::SetString(const std::string& name, const std::string& text) {
    return SetValue(name, name + "=" + std::string(kStringTag) + Escape(text));
}

ErrorCode CPosixSettingsKey::SetDword(const std::string& name, std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string digits(8, '0');
    for (std::size_t i = 0; i < 8; ++i) {
        digits[7 - i] = kDigits[(value >> (4 * i)) & 0xF];
    }
    return SetValue(name, name + "=" + std::string(kDwordTag) + digits);
}

ErrorCode CPosixSettingsKey::SetValue(const std::string& name, const std::string& line) {
    if (m_eMode == EMode::kClosed) {
        return kErrorInvalidHandle;
    }
    if (m_eMode != EMode::kWrite) {
        return kErrorAccessDenied;
    }
    if (!IsStorableName(name)) {
        return kErrorInvalidParameter;
    }
    // The new line takes the place of the first line of that name; any later
    // ones, valid or not, go, so that one value never has two lines.
    std::vector<std::string> lines;
    bool placed = false;
    for (const auto& existing : m_lines) {
        std::string_view existingName;
        if (LineName(existing, existingName) && EqualsNoCase(existingName, name)) {
            if (!placed) {
                lines.push_back(line);
                placed = true;
            }
            continue;
        }
        lines.push_back(existing);
    }
    if (!placed) {
        lines.push_back(line);
    }
    std::string content;
    for (const auto& each : lines) {
        content += each;
        content += '\n';
    }
    if (const ErrorCode error = ReplaceFile(m_strFolder, m_strFile, content);
        error != kErrorSuccess) {
        return error;
    }
    m_lines = std::move(lines);
    return kErrorSuccess;
}

ErrorCode CPosixSettingsKey::Close() {
    if (m_eMode == EMode::kClosed) {
        return kErrorInvalidHandle;
    }
    ErrorCode result = kErrorSuccess;
    if (m_eMode == EMode::kWrite) {
        // Makes the renames durable; some file systems cannot sync a folder,
        // which is no failure of ours.
        if (::fsync(m_hFolder) != 0 && errno != EINVAL && errno != EROFS) {
            result = LastError(m_strFolder);
        }
        ::close(m_hFolder);  // also releases the lock
    }
    Reset();
    return result;
}

}  // namespace platform
