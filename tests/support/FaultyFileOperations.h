#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/FileOperations.h"

namespace quarvel::test {

// The real file system, with the faults a test asks for: "the third copy
// fails with 112", "closing a probe fails". Every call not made to fail goes
// to the real backend unchanged.
class CFaultyFileOperations : public platform::CFileOperations {
  public:
    enum class EOperation {
        kCopyFile,
        kSetArchiveOnly,
        kOpenProbe,
        kCloseProbe,
        kCreateDirectory,
        kCreatePrivateDirectory,
        kDeleteFile,
        kRemoveDirectory,
        kCreateStaging,
        kRemoveStaging,
    };

    CFaultyFileOperations();

    // Counting from now, the nth call of the operation fails with error (the
    // real call is not made). nth 0: every call from now on.
    void Fail(EOperation operation, platform::ErrorCode error, int nth = 0);
    // What FreeSpace answers from now on (nullopt: that it cannot be read).
    void SetFreeSpace(std::optional<std::uint64_t> bytes) { m_freeSpace = bytes; }

    void BeginDrop() override { m_real->BeginDrop(); }
    void EndDrop() override { m_real->EndDrop(); }
    std::vector<platform::CFolderEntry> ListFolder(const std::string& folder,
                                                   std::string_view pattern) override {
        return m_real->ListFolder(folder, pattern);
    }
    std::string ResolvePath(const std::string& path) override { return m_real->ResolvePath(path); }
    platform::EPathKind Kind(const std::string& path) override { return m_real->Kind(path); }
    bool IsLink(const std::string& path) override { return m_real->IsLink(path); }
    bool IsSameFile(const std::string& a, const std::string& b) override {
        return m_real->IsSameFile(a, b);
    }
    platform::ErrorCode CopyFile(const std::string& source, const std::string& destination,
                                 std::string& written, platform::SCopyDigest* digest) override;
    platform::ErrorCode SetArchiveOnly(const std::string& path) override;
    platform::ProbeHandle OpenProbe(const std::string& path) override;
    platform::ErrorCode CloseProbe(platform::ProbeHandle handle) override;
    platform::ErrorCode CreateDirectory(const std::string& path) override;
    platform::ErrorCode CreatePrivateDirectory(const std::string& path) override;
    platform::ErrorCode DeleteFile(const std::string& path) override;
    platform::ErrorCode RemoveDirectory(const std::string& path) override;
    std::optional<std::uint64_t> FreeSpace(const std::string& path) override;
    platform::ErrorCode SetReadOnly(const std::string& path) override {
        return m_real->SetReadOnly(path);
    }
    void SetLinkableFolder(const std::string& folder) override {
        m_real->SetLinkableFolder(folder);
    }
    bool IsReadOnly(const std::string& path) override { return m_real->IsReadOnly(path); }
    platform::ErrorCode LinkOrCopy(const std::string& source, const std::string& keep) override {
        return m_real->LinkOrCopy(source, keep);
    }
    platform::ErrorCode Checksum(const std::string& path, std::uint32_t& crc,
                                 std::uint64_t& size) override {
        return m_real->Checksum(path, crc, size);
    }
    platform::ErrorCode CreateStaging(const std::string& base, std::string& folder) override;
    platform::ErrorCode RemoveStaging(const std::string& folder) override;

  private:
    struct SFault {
        platform::ErrorCode m_nError = 0;
        int m_nCall = 0;  // the call that fails, counted from the first; 0 for every one
    };
    // The error this call is to fail with, or kErrorSuccess to make it for real.
    platform::ErrorCode Injected(EOperation operation);

    std::unique_ptr<platform::CFileOperations> m_real;
    std::multimap<EOperation, SFault> m_faults;
    std::map<EOperation, int> m_calls;
    std::optional<std::optional<std::uint64_t>> m_freeSpace;
};

}  // namespace quarvel::test
