#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/FileOperations.h"

namespace install {

// Writes the record of one drop as it happens: each line is handed to the
// system before the change it announces, and a file about to be replaced is
// kept first (a hard link where possible), so that undo can always complete,
// after a crash, a kill or a full disk too.
class CInstallRecorder {
  public:
    // Records live below recordsFolder; backups of the newest keepBackups
    // drops are kept, older ones removed.
    CInstallRecorder(platform::CFileOperations& fs, std::string recordsFolder,
                     int keepBackups = 20);

    // Starts a record; false, with the reason, when none can be written.
    bool Begin(const std::string& kind, const std::string& modDir,
               const std::vector<std::string>& dropped, std::string& why);
    bool IsRecording() const { return m_file.IsOpen(); }
    const std::string& Id() const { return m_strId; }

    // Before a file is written where none is.
    void BeforeNew(const std::string& path);
    // Before a file is replaced: keeps its content. False when it could not
    // be kept: the file must then not be replaced.
    bool BeforeReplace(const std::string& path, bool readOnly);
    // After a copy has written the file, with what it wrote.
    void Written(const std::string& path, const platform::SCopyDigest& digest);
    void FolderCreated(const std::string& path);
    // Any other line, e.g. "undo-of" an earlier record.
    void Note(const std::vector<std::string>& fields);
    void End(bool cancelled);

    // Appends a line to an earlier record (that an undo undid it).
    void NoteInRecord(const std::string& id, const std::vector<std::string>& fields);

  private:
    void Write(const std::vector<std::string>& fields);
    // Removes the backups of all but the newest drops.
    void PruneBackups();

    platform::CFileOperations& m_fs;
    std::string m_strRecordsFolder;
    int m_nKeepBackups;
    std::string m_strId;
    platform::CFile m_file;
    int m_nBackups = 0;
};

// A new record's name: the time, so that names sort as drops happened.
std::string NewRecordId(int attempt);

}  // namespace install
