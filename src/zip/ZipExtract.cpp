#include <algorithm>
#include <memory>
#include <utility>

#include "ZipAttributes.h"
#include "ZipException.h"
#include "ZipPathSplit.h"
#include "ZipReader.h"
#include "platform/PathSeparator.h"

namespace zip {
namespace {

// A file entry needs a name to write: "a/" or "a/." would name a folder.
bool HasFileName(const std::string& relative) {
    const std::string name = CZipPathSplit::NameExt(relative);
    return !name.empty() && name != ".";
}

std::string WithoutTrailingSeparators(std::string path) {
    while (!path.empty() && path.back() == platform::kPathSeparator) {
        path.pop_back();
    }
    return path;
}

}  // namespace

bool CZipReader::ExtractEntry(int index, const std::string& targetDir, bool fullPath,
                              std::string_view newName, ProgressCallback progress, int userData,
                              std::uint32_t bufferSize) {
    if (bufferSize == 0) {
        return false;
    }
    CZipEntry entry;
    if (!ReadEntryHeader(entry, index)) {
        return false;
    }
    const std::string name = newName.empty() ? entry.GetFileName() : std::string(newName);
    if (!IsConfinedEntryName(name)) {
        return false;
    }
    const std::string relative =
        fullPath ? CZipPathSplit::PathNoDrive(name) : CZipPathSplit::NameExt(name);
    const std::string target =
        WithoutTrailingSeparators(targetDir) + platform::kPathSeparator + relative;

    if (IsDirectoryEntry(index)) {
        if (CreateDirectories(target)) {
            ApplyEntryAttributes(target, entry, true);
        }
        return true;
    }
    if (!HasFileName(relative) || !OpenEntry(index)) {
        return false;
    }
    try {
        constexpr unsigned kCreate = platform::CFile::modeCreate | platform::CFile::shareDenyWrite |
                                     platform::CFile::modeWrite;
        platform::CFile out;
        platform::CFileException error;
        // The entry's folder is nearly always there already, so it is made only
        // when the file cannot be created without it; where the file can be
        // created, making the folder first would have done nothing.
        if (!out.Open(target, kCreate, &error)) {
            CreateDirectories(CZipPathSplit::DriveDir(target));
            if (!out.Open(target, kCreate, &error)) {
                throw error;
            }
        }
        const auto total = static_cast<std::uint32_t>(
            progress ? std::min<std::uint64_t>(entry.m_nUncompressedSize, UINT32_MAX) : 0);
        if (const unsigned char* whole = WholeEntryData()) {
            // Decoded and checked whole: written from where it lies, in one
            // write, or in blocks of bufferSize for a watcher.
            const auto size = static_cast<std::uint32_t>(entry.m_nUncompressedSize);
            const std::uint32_t block = progress ? bufferSize : size;
            for (std::uint32_t done = 0; done < size;) {
                const std::uint32_t part = std::min(block, size - done);
                out.Write(whole + done, part);
                done += part;
                m_nUncompressedLeft -= part;
                if (progress && !progress(total, done, userData)) {
                    break;
                }
            }
            return CloseEntryFile(out) == 1;
        }
        // The data is read in chunks of bufferSize. Without a progress callback
        // nobody watches the file grow chunk by chunk, so chunks are gathered
        // into writes of about kWriteBatch bytes; room for one chunk more than
        // the entry declares is enough, as reading never delivers more.
        const std::uint64_t chunksNeeded = entry.m_nUncompressedSize / bufferSize + 1;
        const std::uint64_t chunks =
            progress ? 1 : std::clamp<std::uint64_t>(kWriteBatch / bufferSize, 1, chunksNeeded);
        const std::size_t capacity = static_cast<std::size_t>(chunks * bufferSize);
        const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(capacity);
        std::uint32_t pending = 0;
        const auto flush = [&] { out.Write(buffer.get(), std::exchange(pending, 0)); };
        std::uint32_t done = 0;
        std::uint32_t got = 0;
        try {
            do {
                got = ReadEntryData(buffer.get() + pending, bufferSize);
                if (got > 0) {
                    pending += got;
                    done += got;
                    if (pending + std::uint64_t{bufferSize} > capacity) {
                        flush();
                    }
                    if (progress && !progress(total, done, userData)) {
                        break;
                    }
                }
            } while (got == bufferSize);
        } catch (...) {
            // What was read before the fault goes to disk, as if written at once.
            flush();
            throw;
        }
        flush();
        return CloseEntryFile(out) == 1;
    } catch (...) {
        // The partial file stays; the reader is ready for the next entry.
        ReleaseEntry();
        throw;
    }
}

}  // namespace zip
