#include "StartupHousekeeping.h"

#include "platform/ErrorCodes.h"
#include "platform/FileSystem.h"
#include "platform/PathSeparator.h"

namespace window {
namespace {

const char* const kLibraryName = "mfc42d.dll";

std::string Join(const std::string& folder, const char* name) {
    return folder + platform::kPathSeparator + name;
}

void ShowError(platform::CMessageBoxHost& messageBoxes, const char* text) {
    // The application's box: OK with the exclamation mark, its name as title.
    messageBoxes.MessageBox(text, "", platform::kMbOk | platform::kMbIconExclamation);
}

}  // namespace

std::vector<std::string> HousekeepingFolders() {
#ifdef _WIN32
    return {"C:\\windows\\system", "C:\\winnt\\system"};
#else
    return {};
#endif
}

void RunStartupHousekeeping(const std::string& workingFolder,
                            const std::vector<std::string>& systemFolders,
                            platform::CMessageBoxHost& messageBoxes) {
    if (systemFolders.empty()) {
        return;
    }
    const std::string local = Join(workingFolder, kLibraryName);
    if (platform::PathKind(local) == 0) {
        return;
    }
    bool held = false;
    for (const std::string& folder : systemFolders) {
        const std::string target = Join(folder, kLibraryName);
        // Never over an existing file; a copy that fails is no failure yet.
        if (platform::PathKind(target) == 0) {
            static_cast<void>(platform::CopyFile(local, target));
        }
        held = held || platform::PathKind(target) != 0;
    }
    if (!held) {
        ShowError(messageBoxes, "Error G1");
        return;
    }
    if (platform::DeleteFile(local) != platform::kErrorSuccess) {
        ShowError(messageBoxes, "Error G2");
    }
}

}  // namespace window
