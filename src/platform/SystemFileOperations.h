#pragma once

#include "FileOperations.h"
#include "FileSystem.h"
#include "FolderListing.h"

namespace platform {

// The part of the real file operations that each platform's free functions
// (FileSystem.h) already are; a backend adds what differs, and its staging.
// Staging is a template parameter so that the backend's folder class, with
// Create and Remove, lives as long as the operations do.
template <typename Staging>
class CSystemFileOperations : public CFileOperations {
  public:
    std::vector<CFolderEntry> ListFolder(const std::string& folder,
                                         std::string_view pattern) override {
        return platform::ListFolder(folder, pattern);
    }
    std::string ResolvePath(const std::string& path) override {
        return platform::ResolvePath(path);
    }
    bool IsLink(const std::string& path) override { return platform::IsLink(path); }
    bool IsSameFile(const std::string& a, const std::string& b) override {
        return platform::IsSameFile(a, b);
    }
    ErrorCode CopyFile(const std::string& source, const std::string& destination,
                       std::string& written, SCopyDigest* digest) override {
        return platform::CopyFile(source, destination, written, digest, m_strLinkable);
    }
    void SetLinkableFolder(const std::string& folder) override { m_strLinkable = folder; }
    ErrorCode SetArchiveOnly(const std::string& path) override {
        return platform::SetArchiveOnly(path);
    }
    ErrorCode SetReadOnly(const std::string& path) override {
        return platform::SetFileAttributes(path, 0x01);
    }
    ProbeHandle OpenProbe(const std::string& path) override { return platform::OpenProbe(path); }
    ErrorCode CloseProbe(ProbeHandle handle) override { return platform::CloseProbe(handle); }
    ErrorCode CreateDirectory(const std::string& path) override {
        return platform::CreateDirectory(path);
    }
    ErrorCode CreatePrivateDirectory(const std::string& path) override {
        return platform::CreatePrivateDirectory(path);
    }
    ErrorCode DeleteFile(const std::string& path) override { return platform::DeleteFile(path); }
    ErrorCode RemoveDirectory(const std::string& path) override {
        return platform::RemoveDirectory(path);
    }
    std::optional<std::uint64_t> FreeSpace(const std::string& path) override {
        return platform::FreeSpace(path);
    }
    ErrorCode CreateStaging(const std::string& base, std::string& folder) override {
        return m_staging.Create(base, folder);
    }
    ErrorCode RemoveStaging(const std::string& folder) override { return m_staging.Remove(folder); }

  private:
    Staging m_staging;
    std::string m_strLinkable;
};

}  // namespace platform
