#pragma once

#include <string>
#include <vector>

namespace zip {

// How an archive's parts are named.
enum class EZipSplitKind {
    kSingle,    // one file
    kInfoZip,   // x.z01, x.z02, …, x.zip (Info-ZIP's zip -s), volumes of one archive
    kNumbered,  // x.000, x.001, …, x.zip, volumes of one archive
    kRawSplit,  // x.zip.001, x.zip.002, … (7-Zip's -v): one archive cut into pieces
};

// The parts of a split archive, found from any one of them.
class CZipSplitSet {
  public:
    bool IsSplit() const { return m_kind != EZipSplitKind::kSingle; }

    EZipSplitKind m_kind = EZipSplitKind::kSingle;
    // The path to open the set by, the same whichever part was given: x.zip for
    // volumes, x.zip.001 for pieces, the path itself for a single file.
    std::string m_strCanonicalPath;
    // Every part in order, the canonical one included, as named on disk where
    // it exists.
    std::vector<std::string> m_parts;
    // The first part that is not there; empty when the set is whole.
    std::string m_strMissingPart;
};

// The set a path belongs to. Names match whatever their letter case. A path
// that is no part of a set (x.zip with no x.z01 or x.000 beside it, or any
// other name) is a single file.
CZipSplitSet FindZipSplitSet(const std::string& path);

}  // namespace zip
