#include "InstallEngine.h"
#include "InstallPaths.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"

namespace install {
namespace {

struct SPlayerModel {
    const char* m_szFileName;
    const char* m_szModelFolder;  // below models/player; null: the mod directory itself
};

}  // namespace

void CInstallEngine::InstallSkinFiles(const std::string& folder) {
    enum { kModels, kSprites, kSound, kSoundWeapons, kGfx, kGfxVgui };
    static const std::vector<SDirectoryQuestion> kQuestions = {
        {"", "models", -1}, {"", "sprites", -1},
        {"", "sound", -1},  {"/sound", "weapons", kSound},
        {"", "gfx", -1},    {"/gfx", "vgui", kGfx},
    };
    static const struct {
        const char* m_szExtension;
        const char* m_szDestination;
        int m_nQuestion;
    } kPasses[] = {
        {"mdl", "/models", kModels},
        {"spr", "/sprites", kSprites},
        {"wav", "/sound/weapons", kSoundWeapons},
        {"tga", "/gfx/vgui", kGfxVgui},
        {"txt", "/sprites", kSprites},
    };
    static const SPlayerModel kPlayerModels[] = {
        {"arctic.mdl", "arctic"},     {"gign.mdl", "gign"},   {"gsg9.mdl", "gsg9"},
        {"guerilla.mdl", "guerilla"}, {"leet.mdl", "leet"},   {"sas.mdl", "sas"},
        {"terror.mdl", "terror"},     {"urban.mdl", "urban"}, {"vip.mdl", "vip"},
        {"pldecal.wad", nullptr},
    };

    std::vector<bool> accepted;
    if (!AskDirectories(kQuestions, accepted)) {
        return;
    }
    for (const auto& pass : kPasses) {
        if (accepted[static_cast<std::size_t>(pass.m_nQuestion)]) {
            CopyFilesByExtension(folder, ModPath(pass.m_szDestination), pass.m_szExtension);
        }
    }

    for (const SPlayerModel& model : kPlayerModels) {
        if (platform::ListFolder(folder, model.m_szFileName).empty()) {
            continue;
        }
        std::string destinationFolder = m_strModDir;
        if (model.m_szModelFolder) {
            if (!accepted[kModels]) {
                continue;
            }
            const std::string models = platform::ResolvePath(ModPath("/models"));
            if (!ConfirmDirectory(models, "player")) {
                if (m_bAbort) {
                    return;
                }
                continue;
            }
            CreateConfirmedFolder(JoinPath(models, "player"));
            const std::string player = platform::ResolvePath(JoinPath(models, "player"));
            if (!ConfirmDirectory(player, model.m_szModelFolder)) {
                if (m_bAbort) {
                    return;
                }
                continue;
            }
            CreateConfirmedFolder(JoinPath(player, model.m_szModelFolder));
            destinationFolder = JoinPath(player, model.m_szModelFolder);
        }
        const std::string destination =
            platform::ResolvePath(JoinPath(destinationFolder, model.m_szFileName));
        // No retry after clearing a read-only destination here, unlike other copies.
        if (platform::CopyFile(JoinPath(folder, model.m_szFileName), destination) !=
            platform::kErrorSuccess) {
            ShowError("Error Code 100");
        }
        ProbeAndLog(destination, "Error Code 101", "Error Code 102");
    }
}

}  // namespace install
