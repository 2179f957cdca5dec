#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace install {

// What one drop did to a mod directory, as its record holds it: enough to
// undo it. A record is written line by line ahead of each change, so a drop
// that was killed still leaves what undo needs.
struct SInstallRecord {
    struct SFile {
        std::string m_strPath;        // where it was written
        bool m_bReplaced = false;     // an existing file was replaced ...
        std::string m_strBackup;      // ... and kept here (a name in the backup folder)
        bool m_bWasReadOnly = false;  // the replaced file was read-only
        bool m_bWritten = false;      // the copy ended (else it was under way)
        std::uint64_t m_nSize = 0;    // what was written
        std::uint32_t m_nCrc = 0;
    };

    std::string m_strId;
    std::string m_strDate;  // ISO 8601, UTC
    std::string m_strKind;  // "install" or "undo"
    std::string m_strModDir;
    std::vector<std::string> m_dropped;
    std::vector<std::string> m_folders;  // folders the drop created, in order
    std::vector<SFile> m_files;          // in the order they were written
    std::string m_strEnd;                // "complete", "cancelled", or empty when cut short
    std::string m_strUndoOf;             // for an undo: the record it undid
    std::string m_strUndoneBy;           // for an install: the undo that undid it

    std::size_t NewCount() const;
    std::size_t ReplacedCount() const;
};

// What a record file starts with.
constexpr const char* kRecordFirstLine = "quarvel install record 1";

// One line of a record: fields separated by tabs, each escaped so that a tab,
// a line break or a backslash in a path survives.
std::string RecordLine(const std::vector<std::string>& fields);

// Reads a record's text; nullopt when it is not a record at all.
std::optional<SInstallRecord> ParseInstallRecord(const std::string& text);

// The record file and backup folder of a record below the records folder.
std::string RecordFilePath(const std::string& recordsFolder, const std::string& id);
std::string BackupFolderPath(const std::string& recordsFolder, const std::string& id);

}  // namespace install
