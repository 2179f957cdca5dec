#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ZipBigFile.h"

namespace zip {

// The file-access layer under the reader: opens the archive, serves reads that
// must arrive whole, and moves across the volumes of a spanned archive (X.z01,
// X.z02, … or X.000, X.001, …, then X.zip) when a read runs off the end of one.
// The pieces of an archive cut by 7-Zip (X.zip.001, …) are read as one file.
class CZipVolume {
  public:
    enum OpenMode : int { kOpenExisting = 0, kOpenReadOnly = 1 };
    enum SpanMode : int {
        kSpanNone = 0,
        kSpanRemovable = 1,
        kSpanNumbered = 2,
        kSpanUndecided = 3,
        kSpanNumberedIfSpanned = 4,
    };

    CZipVolume() = default;
    CZipVolume(const CZipVolume&) = delete;
    CZipVolume& operator=(const CZipVolume&) = delete;

    // Opens an existing archive: mode 0 for reading and writing, mode 1 read-only.
    // Throws platform::CFileException when the file cannot be opened.
    void Open(const std::string& path, int mode, int volumeSize);
    // Reads length bytes. Without whole, a read may continue on the next volume.
    // A read that comes up short raises BadArchive with the detail given.
    std::uint32_t ReadBytes(void* buffer, std::uint32_t length, bool whole,
                            const char* detail = kShortRecord);
    // Settles the span mode from the end record's volume number.
    void SetVolumeInfo(std::uint16_t volumeNumber);
    void ChangeVolume(int volume);
    // The file name of the current volume, or of the last one; path defaults to
    // the current file's.
    std::string VolumeFileName(bool last, std::string_view path = {}) const;
    void CloseVolume(bool afterException);
    bool OpenVolumeFile(const std::string& path, unsigned flags, bool raise);
    static bool IsRemovableDrive(const std::string& path);

    // Length of one volume file; volumes other than the current one are opened
    // for the question and closed again.
    std::uint64_t VolumeLength(int volume);

    // 0 an ordinary archive, -1 a spanned one (or a mode not yet settled).
    int SpanState() const { return m_nSpanMode == kSpanNone ? 0 : -1; }
    int CurrentVolume() const { return m_nCurrentVolume; }
    int LastVolume() const { return static_cast<int>(m_nVolumeLimit); }

    CZipBigFile& File() { return m_file; }
    const std::string& FilePath() const { return m_file.GetFilePath(); }
    bool IsFileOpen() const { return m_file.IsOpen(); }

    // Raises a CZipException naming the current volume's file, the check that
    // failed and the entry being read, if any.
    [[noreturn]] void ThrowError(int error, const std::string& detail = {}) const;
    // The entry that faults raised from now on belong to; -1 for none.
    void SetFaultEntry(int index, std::string name = {});

    static constexpr const char* kShortRecord = "the archive ends inside a record";

  private:
    std::string NumberedFileName(int volume, std::string_view path) const;

    CZipBigFile m_file;
    int m_nSpanMode = kSpanNone;
    std::uint32_t m_nVolumeLimit = 0;
    int m_nCurrentVolume = -1;
    // Volumes named x.z01, x.z02, … rather than x.000, x.001, …
    bool m_bInfoZipNames = false;
    int m_nFaultEntry = -1;
    std::string m_strFaultEntryName;
};

}  // namespace zip
