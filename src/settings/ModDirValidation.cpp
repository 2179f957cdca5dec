#include "ModDirValidation.h"

#include "ModDirDiscovery.h"
#include "PathText.h"

namespace settings {
namespace {

// A refusal of the chosen directory: OK with the exclamation mark, titled "Error".
void ShowRefusal(platform::CMessageBoxHost& messageBoxes, const char* text) {
    messageBoxes.MessageBox(text, "Error", platform::kMbOk | platform::kMbIconExclamation);
}

}  // namespace

EModDirState InspectModDirectory(const std::string& strDir) {
    if (strDir.size() > kMaxModDirBytes) {
        return EModDirState::kTooLong;  // stored, it could never be read back
    }
    if (!IsAbsolutePath(strDir)) {
        return EModDirState::kRelative;
    }
    std::string parent;
    std::string name;
    SplitAtLastSeparator(strDir, parent, name);
    if (!CModDirDiscovery::HasSubdirectory(parent, name)) {
        return EModDirState::kMissing;
    }
    return CModDirDiscovery::HasHalfLifeExe(parent) ? EModDirState::kGood
                                                    : EModDirState::kWithoutGame;
}

EModDirCheck CheckModDirectory(const std::string& strDir, platform::CMessageBoxHost& messageBoxes) {
    switch (InspectModDirectory(strDir)) {
        case EModDirState::kGood:
            return EModDirCheck::kAccepted;
        case EModDirState::kTooLong:
            ShowRefusal(messageBoxes,
                        "The directory you have entered is too long.\n"
                        "The path of the mod directory must be shorter than 400 bytes.");
            return EModDirCheck::kTooLong;
        case EModDirState::kRelative:  // as good as a folder that does not exist
        case EModDirState::kMissing:
            ShowRefusal(messageBoxes,
                        "The directory you have entered does not exist.\n"
                        "You must select an existing directory.");
            return EModDirCheck::kDoesNotExist;
        case EModDirState::kWithoutGame:
            break;
    }
    const int answer = messageBoxes.MessageBox(
        "The directory you have entered does not appear to be a valid Half-Life mod directory.\n"
        "Are you sure that you want to continue?",
        "Warning, Potential Invalid Directory",
        platform::kMbYesNo | platform::kMbIconExclamation | platform::kMbDefButton2);
    return answer == platform::kIdNo ? EModDirCheck::kDeclined : EModDirCheck::kAccepted;
}

EModDirCheck ValidateModDirectory(std::string& strDir, platform::CMessageBoxHost& messageBoxes) {
    TrimTrailingSeparator(strDir);
    return CheckModDirectory(strDir, messageBoxes);
}

}  // namespace settings
