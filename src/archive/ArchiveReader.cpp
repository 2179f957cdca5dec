#include "ArchiveReader.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <array>
#include <cstring>
#include <vector>

namespace archives {
namespace {

constexpr std::size_t kBlockSize = 1 << 16;

// libarchive says so in words only when no format knows the bytes.
bool IsUnknownFormat(struct archive* reader) {
    const char* text = archive_error_string(reader);
    return text && std::strstr(text, "Unrecognized archive format") != nullptr;
}

// libarchive does not check the CRC-32 that ends each gzip member, so a
// damaged .tar.gz would unpack damaged data: the whole stream is checked with
// zlib first. False when it is damaged or cut short.
bool GzipIsWhole(const std::string& path) {
    platform::CFile file;
    if (!file.Open(path, platform::CFile::modeRead)) {
        return false;
    }
    z_stream stream{};
    if (inflateInit2(&stream, 15 + 16) != Z_OK) {  // 16: a gzip header and trailer
        return false;
    }
    std::vector<unsigned char> in(kBlockSize);
    std::vector<unsigned char> out(kBlockSize);
    int result = Z_OK;
    bool ended = false;
    try {
        for (std::uint32_t got; (got = file.Read(in.data(), kBlockSize)) > 0;) {
            stream.next_in = in.data();
            stream.avail_in = got;
            while (stream.avail_in > 0) {
                if (ended) {
                    // A further member follows the one that ended.
                    inflateReset(&stream);
                    ended = false;
                }
                stream.next_out = out.data();
                stream.avail_out = static_cast<uInt>(out.size());
                result = inflate(&stream, Z_NO_FLUSH);
                if (result == Z_STREAM_END) {
                    ended = true;
                } else if (result != Z_OK && result != Z_BUF_ERROR) {
                    inflateEnd(&stream);
                    return false;
                }
                if (result == Z_BUF_ERROR && stream.avail_in > 0 && stream.avail_out > 0) {
                    inflateEnd(&stream);
                    return false;  // no progress possible
                }
            }
        }
    } catch (const platform::CFileException&) {
        inflateEnd(&stream);
        return false;
    }
    inflateEnd(&stream);
    return ended;
}

}  // namespace

CArchiveReader::CArchiveReader() : m_pArchive(archive_read_new()) {
    archive_read_support_filter_all(m_pArchive);
    archive_read_support_format_rar(m_pArchive);
    archive_read_support_format_rar5(m_pArchive);
    archive_read_support_format_7zip(m_pArchive);
    archive_read_support_format_tar(m_pArchive);
    archive_read_support_format_gnutar(m_pArchive);
}

CArchiveReader::~CArchiveReader() {
    archive_read_free(m_pArchive);
}

void CArchiveReader::Fail(const char* what) const {
    const char* detail = archive_error_string(m_pArchive);
    std::string text = what;
    if (detail && *detail) {
        text += std::string(": ") + detail;
    }
    throw CArchiveError(text);
}

void CArchiveReader::Open(const std::vector<std::string>& parts) {
    m_parts = parts;
    if (parts.size() == 1 && IsGzip(parts.front()) && !GzipIsWhole(parts.front())) {
        throw CArchiveError("damaged: its gzip data is cut short or fails its CRC-32 check");
    }
    std::vector<const char*> names;
    for (const std::string& part : m_parts) {
        names.push_back(part.c_str());
    }
    names.push_back(nullptr);
    if (archive_read_open_filenames(m_pArchive, names.data(), kBlockSize) != ARCHIVE_OK) {
        if (IsUnknownFormat(m_pArchive)) {
            throw CArchiveError("not an archive Quarvel can read");
        }
        Fail("the archive could not be opened");
    }
}

bool CArchiveReader::NextEntry(SEntry& entry) {
    archive_entry* header = nullptr;
    const int result = archive_read_next_header(m_pArchive, &header);
    if (result == ARCHIVE_EOF) {
        return false;
    }
    if (result == ARCHIVE_FATAL || result == ARCHIVE_RETRY) {
        if (archive_file_count(m_pArchive) == 0 && IsUnknownFormat(m_pArchive)) {
            throw CArchiveError("not an archive Quarvel can read");
        }
        Fail("damaged");
    }
    // A warning (an odd header field) leaves the entry readable.
    const char* name = archive_entry_pathname_utf8(header);
    if (!name) {
        name = archive_entry_pathname(header);
    }
    entry.m_strName = name ? name : "";
    switch (archive_entry_filetype(header)) {
        case AE_IFREG:
            entry.m_eKind = archive_entry_hardlink(header) ? EKind::kLink : EKind::kFile;
            break;
        case AE_IFDIR:
            entry.m_eKind = EKind::kFolder;
            break;
        case AE_IFLNK:
            entry.m_eKind = EKind::kLink;
            break;
        default:
            entry.m_eKind = EKind::kSpecial;
            break;
    }
    entry.m_nSize.reset();
    if (archive_entry_size_is_set(header)) {
        entry.m_nSize = static_cast<std::uint64_t>(archive_entry_size(header));
    }
    entry.m_bEncrypted = archive_entry_is_encrypted(header) != 0;
    return true;
}

std::uint64_t CArchiveReader::WriteData(platform::CFile& out, std::uint64_t limit,
                                        const std::function<void(std::uint64_t)>& progress) {
    std::uint64_t written = 0;
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int result = archive_read_data_block(m_pArchive, &block, &size, &offset);
        if (result == ARCHIVE_EOF) {
            return written;
        }
        if (result != ARCHIVE_OK) {
            Fail("damaged");
        }
        if (offset < 0 || static_cast<std::uint64_t>(offset) < written) {
            throw CArchiveError("damaged: its data goes back on itself");
        }
        const auto end = static_cast<std::uint64_t>(offset) + size;
        if (end > limit) {
            throw CArchiveError(
                "it would unpack more than the drop may: the free space, or its "
                "limit of bytes");
        }
        if (static_cast<std::uint64_t>(offset) > written) {
            // A hole in a sparse entry: written as zeros.
            static const std::array<char, kBlockSize> kZeros{};
            for (std::uint64_t gap = static_cast<std::uint64_t>(offset) - written; gap > 0;) {
                const auto step =
                    static_cast<std::uint32_t>(std::min<std::uint64_t>(gap, kZeros.size()));
                out.Write(kZeros.data(), step);
                gap -= step;
            }
        }
        out.Write(block, static_cast<std::uint32_t>(size));
        written = end;
        if (progress) {
            progress(written);
        }
    }
}

std::string CArchiveReader::FormatName() const {
    const char* name = archive_format_name(m_pArchive);
    return name ? name : "archive";
}

}  // namespace archives
