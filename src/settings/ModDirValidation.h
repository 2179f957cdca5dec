#pragma once

#include <cstddef>
#include <string>

#include "platform/MessageBoxHost.h"

namespace settings {

// The longest mod directory, in bytes, that the settings can hold and read
// back: the stored text and its terminating NUL fill a 400-byte buffer.
constexpr std::size_t kMaxModDirBytes = 399;

// What a mod directory is, as the configuration dialog judges it.
enum class EModDirState {
    kGood,         // an absolute path its parent lists, with the game's executable beside it
    kTooLong,      // longer than kMaxModDirBytes
    kRelative,     // would name another folder whenever the working folder changes
    kMissing,      // its parent does not list it (case ignored)
    kWithoutGame,  // exists, but no "hl.exe" (or "hl_linux" on Linux) beside it
};

// Judges a mod directory as it is, without any message.
EModDirState InspectModDirectory(const std::string& strDir);

enum class EModDirCheck {
    kAccepted,      // exists, and holds the game's executable or the user said Yes
    kTooLong,       // longer than kMaxModDirBytes; message shown
    kDoesNotExist,  // message shown
    kDeclined,      // the user answered No to the warning
};

// Checks a chosen mod directory as the configuration dialog's OK does,
// showing its messages: the folder must be an absolute path that its parent
// lists (case ignored); without the game's executable beside it the user is
// warned and asked whether to go on, No being the default.
EModDirCheck CheckModDirectory(const std::string& strDir, platform::CMessageBoxHost& messageBoxes);

// The whole check of a typed directory: one trailing separator trimmed from
// strDir, then CheckModDirectory. On kAccepted strDir is the text to store.
EModDirCheck ValidateModDirectory(std::string& strDir, platform::CMessageBoxHost& messageBoxes);

}  // namespace settings
