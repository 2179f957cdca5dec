#include "FaultyFileOperations.h"

namespace quarvel::test {

using platform::ErrorCode;
using platform::kErrorSuccess;

CFaultyFileOperations::CFaultyFileOperations() : m_real(platform::MakeFileOperations()) {}

void CFaultyFileOperations::Fail(EOperation operation, ErrorCode error, int nth) {
    m_faults.emplace(operation, SFault{error, nth == 0 ? 0 : m_calls[operation] + nth});
}

ErrorCode CFaultyFileOperations::Injected(EOperation operation) {
    const int call = ++m_calls[operation];
    const auto [first, last] = m_faults.equal_range(operation);
    for (auto fault = first; fault != last; ++fault) {
        if (fault->second.m_nCall == 0 || fault->second.m_nCall == call) {
            return fault->second.m_nError;
        }
    }
    return kErrorSuccess;
}

ErrorCode CFaultyFileOperations::CopyFile(const std::string& source, const std::string& destination,
                                          std::string& written, platform::SCopyDigest* digest) {
    if (const ErrorCode error = Injected(EOperation::kCopyFile); error != kErrorSuccess) {
        written = m_real->ResolvePath(destination);
        return error;
    }
    return m_real->CopyFile(source, destination, written, digest);
}

ErrorCode CFaultyFileOperations::SetArchiveOnly(const std::string& path) {
    const ErrorCode error = Injected(EOperation::kSetArchiveOnly);
    return error != kErrorSuccess ? error : m_real->SetArchiveOnly(path);
}

platform::ProbeHandle CFaultyFileOperations::OpenProbe(const std::string& path) {
    return Injected(EOperation::kOpenProbe) != kErrorSuccess ? platform::kInvalidProbeHandle
                                                             : m_real->OpenProbe(path);
}

ErrorCode CFaultyFileOperations::CloseProbe(platform::ProbeHandle handle) {
    // The handle is closed all the same: only the result is made to fail.
    const ErrorCode real = m_real->CloseProbe(handle);
    const ErrorCode error = Injected(EOperation::kCloseProbe);
    return error != kErrorSuccess ? error : real;
}

ErrorCode CFaultyFileOperations::CreateDirectory(const std::string& path) {
    const ErrorCode error = Injected(EOperation::kCreateDirectory);
    return error != kErrorSuccess ? error : m_real->CreateDirectory(path);
}

ErrorCode CFaultyFileOperations::CreatePrivateDirectory(const std::string& path) {
    const ErrorCode error = Injected(EOperation::kCreatePrivateDirectory);
    return error != kErrorSuccess ? error : m_real->CreatePrivateDirectory(path);
}

ErrorCode CFaultyFileOperations::DeleteFile(const std::string& path) {
    const ErrorCode error = Injected(EOperation::kDeleteFile);
    return error != kErrorSuccess ? error : m_real->DeleteFile(path);
}

ErrorCode CFaultyFileOperations::RemoveDirectory(const std::string& path) {
    const ErrorCode error = Injected(EOperation::kRemoveDirectory);
    return error != kErrorSuccess ? error : m_real->RemoveDirectory(path);
}

std::optional<std::uint64_t> CFaultyFileOperations::FreeSpace(const std::string& path) {
    return m_freeSpace ? *m_freeSpace : m_real->FreeSpace(path);
}

ErrorCode CFaultyFileOperations::CreateStaging(const std::string& base, std::string& folder) {
    const ErrorCode error = Injected(EOperation::kCreateStaging);
    return error != kErrorSuccess ? error : m_real->CreateStaging(base, folder);
}

ErrorCode CFaultyFileOperations::RemoveStaging(const std::string& folder) {
    // The staging goes whatever the test says: only the result is made to fail.
    const ErrorCode real = m_real->RemoveStaging(folder);
    const ErrorCode error = Injected(EOperation::kRemoveStaging);
    return error != kErrorSuccess ? error : real;
}

}  // namespace quarvel::test
