#include "InstallRecorder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "InstallPaths.h"
#include "InstallRecord.h"
#include "platform/PathSeparator.h"

namespace install {
namespace {

std::string UtcNow(const char* format) {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &now);
#else
    gmtime_r(&now, &parts);
#endif
    char text[64];
    std::strftime(text, sizeof text, format, &parts);
    return text;
}

// Removes a folder tree of our own below the records folder; links inside
// are removed themselves, never followed.
void RemoveTreeQuietly(platform::CFileOperations& fs, const std::string& folder) {
    for (const platform::CFolderEntry& entry : fs.ListFolder(folder, "*.*")) {
        if (entry.IsDots()) {
            continue;
        }
        if (entry.IsDirectory()) {
            RemoveTreeQuietly(fs, entry.m_strPath);
        } else {
            fs.SetArchiveOnly(entry.m_strPath);
            fs.DeleteFile(entry.m_strPath);
        }
    }
    fs.RemoveDirectory(folder);
}

}  // namespace

std::string NewRecordId(int attempt) {
    std::string id = UtcNow("%Y%m%d-%H%M%S");
    if (attempt > 0) {
        id += '-';
        id += std::to_string(attempt);
    }
    return id;
}

CInstallRecorder::CInstallRecorder(platform::CFileOperations& fs, std::string recordsFolder,
                                   int keepBackups)
    : m_fs(fs), m_strRecordsFolder(std::move(recordsFolder)), m_nKeepBackups(keepBackups) {}

bool CInstallRecorder::Begin(const std::string& kind, const std::string& modDir,
                             const std::vector<std::string>& dropped, std::string& why) {
    m_nBackups = 0;
    // Made for the user alone; a link in its place is refused, never followed.
    for (std::string folder = m_strRecordsFolder; !folder.empty();) {
        if (m_fs.IsLink(folder)) {
            why = folder + " is a link";
            return false;
        }
        const std::string parent = ParentFolder(folder);
        folder = parent.size() < folder.size() && parent.size() > 1 ? parent : std::string();
    }
    // Every missing level, from the top: ~/.local/state may not be there yet.
    // (On Windows the drive, "C:\", is the top.)
    constexpr char kSlash = platform::kPathSeparator;
    for (std::size_t slash = m_strRecordsFolder.find(kSlash, kSlash == '/' ? 1 : 3);;
         slash = m_strRecordsFolder.find(kSlash, slash + 1)) {
        m_fs.CreatePrivateDirectory(m_strRecordsFolder.substr(0, slash));
        if (slash == std::string::npos) {
            break;
        }
    }
    if (m_fs.Kind(m_strRecordsFolder) != platform::EPathKind::kFolder) {
        why = m_strRecordsFolder + " could not be made";
        return false;
    }
    for (int attempt = 0;; ++attempt) {
        m_strId = NewRecordId(attempt);
        const platform::ErrorCode error =
            m_fs.CreatePrivateDirectory(JoinPath(m_strRecordsFolder, m_strId));
        if (error == platform::kErrorSuccess) {
            break;
        }
        if (error != platform::kErrorAlreadyExists || attempt > 1000) {
            why = "error " + std::to_string(error) + " in " + m_strRecordsFolder;
            return false;
        }
    }
    platform::CFileException error;
    if (!m_file.Open(RecordFilePath(m_strRecordsFolder, m_strId),
                     platform::CFile::modeCreate | platform::CFile::modeWrite, &error)) {
        why = "error " + std::to_string(error.m_lOsError) + " writing the record";
        return false;
    }
    try {
        const std::string first = std::string(kRecordFirstLine) + "\n";
        m_file.Write(first.data(), static_cast<std::uint32_t>(first.size()));
        Write({"id", m_strId});
        Write({"date", UtcNow("%Y-%m-%dT%H:%M:%SZ")});
        Write({"kind", kind});
        Write({"mod", modDir});
        for (const std::string& path : dropped) {
            Write({"dropped", path});
        }
    } catch (const platform::CFileException& fault) {
        why = "error " + std::to_string(fault.m_lOsError) + " writing the record";
        m_file.Close();
        return false;
    }
    return true;
}

void CInstallRecorder::Write(const std::vector<std::string>& fields) {
    const std::string line = RecordLine(fields);
    // Unbuffered: the line reaches the system before the change it announces.
    m_file.Write(line.data(), static_cast<std::uint32_t>(line.size()));
}

void CInstallRecorder::BeforeNew(const std::string& path) {
    if (IsRecording()) {
        Write({"new", path});
    }
}

bool CInstallRecorder::BeforeReplace(const std::string& path, bool readOnly) {
    if (!IsRecording()) {
        return true;
    }
    const std::string backups = BackupFolderPath(m_strRecordsFolder, m_strId);
    if (m_nBackups == 0) {
        m_fs.CreatePrivateDirectory(backups);
    }
    const std::string name = std::to_string(++m_nBackups);
    if (m_fs.LinkOrCopy(path, JoinPath(backups, name)) != platform::kErrorSuccess) {
        return false;
    }
    Write({"replace", path, name, readOnly ? "1" : "0"});
    return true;
}

void CInstallRecorder::Written(const std::string& path, const platform::SCopyDigest& digest) {
    if (IsRecording()) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08x", digest.m_nCrc);
        Write({"wrote", path, std::to_string(digest.m_nSize), hex});
    }
}

void CInstallRecorder::FolderCreated(const std::string& path) {
    if (IsRecording()) {
        Write({"folder", path});
    }
}

void CInstallRecorder::Note(const std::vector<std::string>& fields) {
    if (IsRecording()) {
        Write(fields);
    }
}

void CInstallRecorder::End(bool cancelled) {
    if (!IsRecording()) {
        return;
    }
    Write({"end", cancelled ? "cancelled" : "complete"});
    m_file.Close();
    PruneBackups();
}

void CInstallRecorder::NoteInRecord(const std::string& id, const std::vector<std::string>& fields) {
    platform::CFile record;
    if (record.Open(RecordFilePath(m_strRecordsFolder, id), platform::CFile::modeCreate |
                                                                platform::CFile::modeWrite |
                                                                platform::CFile::modeNoTruncate)) {
        record.Seek(0, platform::CFile::end);
        const std::string line = RecordLine(fields);
        record.Write(line.data(), static_cast<std::uint32_t>(line.size()));
    }
}

void CInstallRecorder::PruneBackups() {
    std::vector<std::string> drops;
    for (const platform::CFolderEntry& entry : m_fs.ListFolder(m_strRecordsFolder, "*.*")) {
        if (!entry.IsDots() && entry.IsDirectory()) {
            drops.push_back(entry.m_strName);
        }
    }
    std::sort(drops.rbegin(), drops.rend());  // newest first: names are times
    for (std::size_t i = static_cast<std::size_t>(std::max(m_nKeepBackups, 0)); i < drops.size();
         ++i) {
        const std::string backups = BackupFolderPath(m_strRecordsFolder, drops[i]);
        if (m_fs.Kind(backups) == platform::EPathKind::kFolder) {
            RemoveTreeQuietly(m_fs, backups);
        }
    }
}

}  // namespace install
