#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "InstallRecord.h"
#include "platform/FileOperations.h"

namespace install {

// Reads the records of earlier drops and undoes them: files a drop created
// are removed, replaced files get their old content back, folders it created
// go when empty. A file changed since the drop is left alone and named.
class CInstallUndo {
  public:
    using CLog = std::function<void(const std::string&)>;

    struct SResult {
        std::string m_strUndone;  // the record undone
        std::string m_strRecord;  // the undo's own record
        int m_nRemoved = 0;
        int m_nRestored = 0;
        int m_nLeftAlone = 0;  // changed since the drop, or their backup is gone
        int m_nFolders = 0;
    };

    CInstallUndo(platform::CFileOperations& fs, std::string recordsFolder, CLog log);

    // Every record, newest first. Records that cannot be read are named in
    // damaged and passed over.
    std::vector<SInstallRecord> ListRecords(std::vector<std::string>* damaged = nullptr);
    std::optional<SInstallRecord> ReadRecord(const std::string& id, std::string& why);

    // The record undo would undo: id, or the newest install not undone yet
    // (of modDir, when one is given). Empty with the reason when there is none.
    std::optional<SInstallRecord> RecordToUndo(const std::string& id, const std::string& modDir,
                                               std::string& why);

    // Undoes a record and records the undo. False, with the reason, when it
    // cannot start; problems with single files are logged and counted.
    bool Undo(const SInstallRecord& record, SResult& result, std::string& why);

  private:
    void UndoFile(const SInstallRecord& record, const SInstallRecord::SFile& file, SResult& result,
                  std::vector<std::string>& notes);

    platform::CFileOperations& m_fs;
    std::string m_strRecordsFolder;
    CLog m_log;
};

}  // namespace install
