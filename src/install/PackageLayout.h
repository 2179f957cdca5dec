#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FileOperations.h"
#include "platform/FolderListing.h"

namespace install {

// Files an operating system leaves beside a package's own (__MACOSX folders,
// AppleDouble "._" files, .DS_Store, Thumbs.db, desktop.ini): never searched,
// asked about or installed.
bool IsSystemName(std::string_view name);

// The folders of a mod directory that packages mirror: maps, models, sound,
// sprites, gfx, overviews, resource and media, in any letter case.
bool IsContentFolderName(std::string_view name);

// A folder's entries without "." and ".." and without system files.
std::vector<platform::CFolderEntry> ListPackageFolder(platform::CFileOperations& fs,
                                                      const std::string& folder,
                                                      std::string_view pattern = "*.*");

// The content folders directly inside a folder.
std::vector<platform::CFolderEntry> ListContentFolders(platform::CFileOperations& fs,
                                                       const std::string& folder);

// The folder of a package without maps that mirrors the mod directory: the
// root, or the innermost of a chain of folders each wrapping everything, when
// it holds a content folder. Empty when there is none.
std::string FindContentRoot(platform::CFileOperations& fs, const std::string& root);

// Whether a folder holds, loose at its top, files a skin pack places by type
// (.mdl, .spr, .wav, .tga, .wad, .bmp).
bool HoldsLooseSkinFiles(platform::CFileOperations& fs, const std::string& folder);

// The .tga files among the entries that form complete skies: six faces
// <name>up, dn, lf, rt, ft and bk of one name.
std::vector<platform::CFolderEntry> SkyFaces(const std::vector<platform::CFolderEntry>& files);

// The file name of a path (after its last separator).
std::string_view BaseName(std::string_view path);

}  // namespace install
