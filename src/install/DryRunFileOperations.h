#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/FileOperations.h"

namespace install {

// The file system as a dry run sees it: everything outside the mod directory
// is real (archives are still unpacked into staging), but nothing is written
// into the mod directory. Folders and files a drop would make there are
// remembered, so that the drop asks and logs exactly what it would.
class CDryRunFileOperations : public platform::CFileOperations {
  public:
    struct SPlanned {
        std::string m_strPath;
        bool m_bReplaces = false;
    };

    CDryRunFileOperations(platform::CFileOperations& real, std::string modDir);

    // Every file the drop would write, in order.
    const std::vector<SPlanned>& Planned() const { return m_planned; }

    void BeginDrop() override { m_real.BeginDrop(); }
    void EndDrop() override { m_real.EndDrop(); }
    std::vector<platform::CFolderEntry> ListFolder(const std::string& folder,
                                                   std::string_view pattern) override;
    std::string ResolvePath(const std::string& path) override { return m_real.ResolvePath(path); }
    platform::EPathKind Kind(const std::string& path) override;
    bool IsLink(const std::string& path) override { return m_real.IsLink(path); }
    bool IsSameFile(const std::string& a, const std::string& b) override {
        return m_real.IsSameFile(a, b);
    }
    platform::ErrorCode CopyFile(const std::string& source, const std::string& destination,
                                 std::string& written, platform::SCopyDigest* digest) override;
    platform::ErrorCode SetArchiveOnly(const std::string& path) override;
    platform::ErrorCode SetReadOnly(const std::string& path) override;
    void SetLinkableFolder(const std::string& folder) override { m_real.SetLinkableFolder(folder); }
    bool IsReadOnly(const std::string& path) override { return m_real.IsReadOnly(path); }
    platform::ProbeHandle OpenProbe(const std::string& path) override;
    platform::ErrorCode CloseProbe(platform::ProbeHandle handle) override;
    platform::ErrorCode CreateDirectory(const std::string& path) override;
    platform::ErrorCode CreatePrivateDirectory(const std::string& path) override {
        return m_real.CreatePrivateDirectory(path);
    }
    platform::ErrorCode DeleteFile(const std::string& path) override;
    platform::ErrorCode RemoveDirectory(const std::string& path) override;
    std::optional<std::uint64_t> FreeSpace(const std::string& path) override {
        return m_real.FreeSpace(path);
    }
    platform::ErrorCode LinkOrCopy(const std::string& source, const std::string& keep) override;
    platform::ErrorCode Checksum(const std::string& path, std::uint32_t& crc,
                                 std::uint64_t& size) override {
        return m_real.Checksum(path, crc, size);
    }
    platform::ErrorCode CreateStaging(const std::string& base, std::string& folder) override {
        return m_real.CreateStaging(base, folder);
    }
    platform::ErrorCode RemoveStaging(const std::string& folder) override {
        return m_real.RemoveStaging(folder);
    }

  private:
    // Whether a path lies in the mod directory, which the dry run never writes.
    bool InModDir(const std::string& path) const;
    // A folder or file the drop would have made, letter case ignored.
    bool Made(const std::set<std::string>& made, const std::string& path) const;

    platform::CFileOperations& m_real;
    std::string m_strModDir;
    std::set<std::string> m_folders;  // lower-cased paths
    std::set<std::string> m_files;
    std::vector<SPlanned> m_planned;
};

}  // namespace install
