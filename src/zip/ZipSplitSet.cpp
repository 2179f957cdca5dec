#include "ZipSplitSet.h"

#include <cstdio>
#include <map>
#include <optional>

#include "ZipCatalog.h"
#include "ZipFieldReader.h"
#include "ZipPathSplit.h"
#include "ZipVolume.h"
#include "platform/FolderListing.h"
#include "platform/TextCase.h"

namespace zip {
namespace {

// The number after a prefix in an extension such as "z01" or "001": at least
// width digits and nothing else; none when the extension is not of that form.
std::optional<unsigned> PartNumber(const std::string& extension, const std::string& prefix,
                                   std::size_t width) {
    if (extension.size() < prefix.size() + width ||
        !platform::EqualsNoCase(extension.substr(0, prefix.size()), prefix) ||
        extension.size() > prefix.size() + 6) {
        return std::nullopt;
    }
    unsigned number = 0;
    for (std::size_t i = prefix.size(); i < extension.size(); ++i) {
        if (extension[i] < '0' || extension[i] > '9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<unsigned>(extension[i] - '0');
    }
    return number;
}

std::string Extension(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string Stem(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool EndsWithZip(const std::string& name) {
    return platform::EqualsNoCase(Extension(name), "zip");
}

// The volume number in an archive's end record: how many volumes come before
// the one holding it. None when it cannot be read.
std::optional<unsigned> EndRecordVolume(const std::string& path) {
    try {
        CZipVolume volume;
        volume.OpenVolumeFile(path, platform::CFile::modeRead, true);
        CZipCatalog catalog(volume);
        const std::uint64_t at = catalog.FindEndRecord();
        unsigned char record[kEndRecordSize];
        volume.File().Seek(static_cast<std::int64_t>(at), platform::CFile::begin);
        if (volume.File().Read(record, sizeof record) != sizeof record) {
            return std::nullopt;
        }
        CZipFieldReader fields(record, sizeof record);
        fields.Skip(4);
        return fields.ReadUInt16();
    } catch (const platform::CException&) {
        return std::nullopt;
    }
}

// The parts on disk beside a path: number -> name as on disk, for extensions
// of the given form, among the names stem + "." + extension.
std::map<unsigned, std::string> PartsOnDisk(const std::string& folder, const std::string& stem,
                                            const std::string& prefix, std::size_t width) {
    std::map<unsigned, std::string> found;
    for (const auto& entry : platform::ListFolder(folder.empty() ? "." : folder, stem + ".*")) {
        if (entry.IsDirectory() || !platform::EqualsNoCase(Stem(entry.m_strName), stem)) {
            continue;
        }
        if (const auto number = PartNumber(Extension(entry.m_strName), prefix, width)) {
            found.emplace(*number, entry.m_strName);
        }
    }
    return found;
}

std::string PartName(const std::string& stem, const std::string& prefix, unsigned number,
                     std::size_t width) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%0*u", static_cast<int>(width), number);
    return stem + "." + prefix + digits;
}

}  // namespace

CZipSplitSet FindZipSplitSet(const std::string& path) {
    const std::string folder = CZipPathSplit::DriveDir(path);
    const std::string name = CZipPathSplit::NameExt(path);
    const std::string extension = Extension(name);
    CZipSplitSet set;
    set.m_strCanonicalPath = path;

    // Pieces of one archive: x.zip.001 and on.
    if (PartNumber(extension, "", 3) && EndsWithZip(Stem(name))) {
        const auto found = PartsOnDisk(folder, Stem(name), "", 3);
        // A missing piece is named as its neighbours are.
        const std::string stem = found.empty() ? Stem(name) : Stem(found.begin()->second);
        const unsigned last = found.empty() ? 1 : found.rbegin()->first;
        set.m_kind = EZipSplitKind::kRawSplit;
        for (unsigned number = 1; number <= last; ++number) {
            const auto on = found.find(number);
            const std::string part =
                folder + (on != found.end() ? on->second : PartName(stem, "", number, 3));
            if (on == found.end() && set.m_strMissingPart.empty()) {
                set.m_strMissingPart = part;
            }
            set.m_parts.push_back(part);
        }
        set.m_strCanonicalPath = set.m_parts.front();
        return set;
    }

    // Volumes of one archive, the last named x.zip: Info-ZIP's x.z01 and on, or
    // x.000 and on.
    const bool infoZipPart = PartNumber(extension, "z", 2).has_value();
    const bool numberedPart = PartNumber(extension, "", 3).has_value();
    if (!infoZipPart && !numberedPart && !EndsWithZip(name)) {
        return set;
    }
    const std::string stem = Stem(name);
    auto found = PartsOnDisk(folder, stem, "z", 2);
    std::string prefix = "z";
    std::size_t width = 2;
    unsigned first = 1;
    if (numberedPart || (!infoZipPart && found.empty())) {
        found = PartsOnDisk(folder, stem, "", 3);
        prefix.clear();
        width = 3;
        first = 0;
    }
    if (found.empty() && EndsWithZip(name)) {
        return set;  // a plain archive
    }
    set.m_kind = prefix.empty() ? EZipSplitKind::kNumbered : EZipSplitKind::kInfoZip;
    std::optional<std::string> last;
    for (const auto& entry : platform::ListFolder(folder.empty() ? "." : folder, stem + ".zip")) {
        if (!entry.IsDirectory()) {
            last = entry.m_strName;
            break;
        }
    }
    const std::string lastName = last.value_or(stem + ".zip");
    // A missing volume is named as the last one, or else as the others.
    const std::string partStem =
        last ? Stem(*last) : (found.empty() ? stem : Stem(found.begin()->second));
    set.m_strCanonicalPath = folder + lastName;
    // The last volume says how many come before it; without it, the parts found do.
    const std::optional<unsigned> volumes =
        last ? EndRecordVolume(set.m_strCanonicalPath) : std::nullopt;
    const unsigned before =
        volumes ? *volumes : (found.empty() ? 0 : found.rbegin()->first + 1 - first);
    for (unsigned number = first; number < first + before; ++number) {
        const auto on = found.find(number);
        const std::string part =
            folder + (on != found.end() ? on->second : PartName(partStem, prefix, number, width));
        if (on == found.end() && set.m_strMissingPart.empty()) {
            set.m_strMissingPart = part;
        }
        set.m_parts.push_back(part);
    }
    set.m_parts.push_back(set.m_strCanonicalPath);
    if (!last && set.m_strMissingPart.empty()) {
        set.m_strMissingPart = set.m_strCanonicalPath;
    }
    return set;
}

}  // namespace zip
