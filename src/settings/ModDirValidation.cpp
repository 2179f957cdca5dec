#include "ModDirValidation.h"

#include "ModDirDiscovery.h"
#include "PathText.h"

namespace settings {

EModDirCheck CheckModDirectory(const std::string& strDir, platform::CMessageBoxHost& messageBoxes) {
    if (strDir.size() > kMaxModDirBytes) {
        // Stored, it could never be read back.
        messageBoxes.MessageBox(
            "The directory you have entered is too long.\n"
            "The path of the mod directory must be shorter than 400 bytes.",
            "Error", platform::kMbOk | platform::kMbIconExclamation);
        return EModDirCheck::kTooLong;
    }
    std::string parent;
    std::string name;
    SplitAtLastSeparator(strDir, parent, name);
    // A relative path would name another folder whenever the working folder
    // changes, so it counts as a folder that does not exist.
    if (!IsAbsolutePath(strDir) || !CModDirDiscovery::HasSubdirectory(parent, name)) {
        messageBoxes.MessageBox(
            "The directory you have entered does not exist.\n"
            "You must select an existing directory.",
            "Error", platform::kMbOk | platform::kMbIconExclamation);
        return EModDirCheck::kDoesNotExist;
    }
    if (CModDirDiscovery::HasHalfLifeExe(parent)) {
        return EModDirCheck::kAccepted;
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
