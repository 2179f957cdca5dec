#include "InstallUndo.h"

#include <algorithm>

#include "InstallPaths.h"
#include "InstallRecorder.h"
#include "platform/File.h"

namespace install {
namespace {

// The text of a record file; nullopt when it cannot be read.
std::optional<std::string> ReadText(const std::string& path) {
    platform::CFile file;
    if (!file.Open(path, platform::CFile::modeRead)) {
        return std::nullopt;
    }
    std::string text;
    char block[1 << 16];
    try {
        for (std::uint32_t got; (got = file.Read(block, sizeof block)) > 0;) {
            text.append(block, got);
        }
    } catch (const platform::CFileException&) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

CInstallUndo::CInstallUndo(platform::CFileOperations& fs, std::string recordsFolder, CLog log)
    : m_fs(fs), m_strRecordsFolder(std::move(recordsFolder)), m_log(std::move(log)) {}

std::optional<SInstallRecord> CInstallUndo::ReadRecord(const std::string& id, std::string& why) {
    // Never read through a link planted among the records.
    const std::string folder = JoinPath(m_strRecordsFolder, id);
    if (m_fs.IsLink(m_strRecordsFolder) || m_fs.IsLink(folder)) {
        why = "the record " + id + " is reached through a link";
        return std::nullopt;
    }
    const std::optional<std::string> text = ReadText(RecordFilePath(m_strRecordsFolder, id));
    if (!text) {
        why = "there is no record " + id;
        return std::nullopt;
    }
    std::optional<SInstallRecord> record = ParseInstallRecord(*text);
    if (!record) {
        why = "the record " + id + " is damaged";
    }
    return record;
}

std::vector<SInstallRecord> CInstallUndo::ListRecords(std::vector<std::string>* damaged) {
    std::vector<SInstallRecord> records;
    if (m_fs.IsLink(m_strRecordsFolder)) {
        return records;
    }
    for (const platform::CFolderEntry& entry : m_fs.ListFolder(m_strRecordsFolder, "*.*")) {
        if (entry.IsDots() || !entry.IsDirectory()) {
            continue;
        }
        std::string why;
        if (std::optional<SInstallRecord> record = ReadRecord(entry.m_strName, why)) {
            records.push_back(std::move(*record));
        } else if (damaged) {
            damaged->push_back(why);
        }
    }
    std::sort(records.begin(), records.end(), [](const auto& a, const auto& b) {
        return a.m_strId > b.m_strId;  // names are times: newest first
    });
    return records;
}

std::optional<SInstallRecord> CInstallUndo::RecordToUndo(const std::string& id,
                                                         const std::string& modDir,
                                                         std::string& why) {
    if (!id.empty()) {
        std::optional<SInstallRecord> record = ReadRecord(id, why);
        if (!record) {
            return std::nullopt;
        }
        if (record->m_strKind != "install") {
            why = "the record " + id + " is an undo, not an install";
        } else if (!record->m_strUndoneBy.empty()) {
            why = "the install " + id + " was undone already by " + record->m_strUndoneBy;
        } else if (!modDir.empty() && record->m_strModDir != modDir) {
            why = "the install " + id + " went into another mod directory (" + record->m_strModDir +
                  ")";
        } else {
            return record;
        }
        return std::nullopt;
    }
    for (SInstallRecord& record : ListRecords()) {
        if (record.m_strKind == "install" && record.m_strUndoneBy.empty() &&
            (modDir.empty() || record.m_strModDir == modDir)) {
            return std::move(record);
        }
    }
    why = "no install is left to undo";
    return std::nullopt;
}

bool CInstallUndo::Undo(const SInstallRecord& record, SResult& result, std::string& why) {
    CInstallRecorder recorder(m_fs, m_strRecordsFolder);
    if (!recorder.Begin("undo", record.m_strModDir, record.m_dropped, why)) {
        return false;
    }
    recorder.Note({"undo-of", record.m_strId});
    result = {};
    result.m_strUndone = record.m_strId;
    result.m_strRecord = recorder.Id();
    m_log("\r\nUndoing the install " + record.m_strId + " of " + record.m_strDate + " into " +
          record.m_strModDir + "...\r\n");
    // Last write first: a file written twice gets back what the first write replaced.
    std::vector<std::string> notes;
    for (auto file = record.m_files.rbegin(); file != record.m_files.rend(); ++file) {
        UndoFile(record, *file, result, notes);
    }
    for (auto folder = record.m_folders.rbegin(); folder != record.m_folders.rend(); ++folder) {
        // Only an empty folder goes: what the user put there since stays.
        if (m_fs.RemoveDirectory(*folder) == platform::kErrorSuccess) {
            ++result.m_nFolders;
            m_log("Folder removed: " + *folder + "\r\n");
        }
    }
    for (const std::string& note : notes) {
        recorder.Note({"note", note});
    }
    recorder.End(false);
    recorder.NoteInRecord(record.m_strId, {"undone-by", recorder.Id()});
    m_log("Undo finished: " + std::to_string(result.m_nRemoved) + " removed, " +
          std::to_string(result.m_nRestored) + " restored, " + std::to_string(result.m_nLeftAlone) +
          " left alone.\r\n");
    return true;
}

void CInstallUndo::UndoFile(const SInstallRecord& record, const SInstallRecord::SFile& file,
                            SResult& result, std::vector<std::string>& notes) {
    const auto leave = [&](const std::string& why) {
        ++result.m_nLeftAlone;
        notes.push_back(file.m_strPath + ": " + why);
        m_log("Left alone, " + why + ": " + file.m_strPath + "\r\n");
    };
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    const bool present = m_fs.Checksum(file.m_strPath, crc, size) == platform::kErrorSuccess;
    // A copy that ended is undone only while the file holds what it wrote; one
    // cut short (a crash, a kill) left no content anybody else made.
    if (file.m_bWritten && present && (crc != file.m_nCrc || size != file.m_nSize)) {
        leave("it changed since the install");
        return;
    }
    if (!file.m_bReplaced) {
        if (!present) {
            if (file.m_bWritten) {
                leave("it is gone already");
            }
            return;
        }
        m_fs.SetArchiveOnly(file.m_strPath);
        if (const platform::ErrorCode error = m_fs.DeleteFile(file.m_strPath);
            error != platform::kErrorSuccess) {
            leave("it could not be removed (error " + std::to_string(error) + ")");
            return;
        }
        ++result.m_nRemoved;
        m_log("Removed: " + file.m_strPath + "\r\n");
        return;
    }
    if (file.m_bWritten && !present) {
        leave("it is gone since the install");
        return;
    }
    const std::string backup =
        JoinPath(BackupFolderPath(m_strRecordsFolder, record.m_strId), file.m_strBackup);
    if (m_fs.Kind(backup) != platform::EPathKind::kFile || m_fs.IsLink(backup)) {
        leave("its backup is gone");
        return;
    }
    std::string written;
    if (present) {
        m_fs.SetArchiveOnly(file.m_strPath);
    }
    if (const platform::ErrorCode error = m_fs.CopyFile(backup, file.m_strPath, written);
        error != platform::kErrorSuccess && error != platform::kErrorSameFile) {
        leave("its old content could not be put back (error " + std::to_string(error) + ")");
        return;
    }
    if (file.m_bWasReadOnly) {
        m_fs.SetReadOnly(written);
    }
    ++result.m_nRestored;
    m_log("Restored: " + written + "\r\n");
}

}  // namespace install
