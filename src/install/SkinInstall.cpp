#include <algorithm>

#include "InstallEngine.h"
#include "InstallPaths.h"
#include "InstallRecorder.h"
#include "PackageLayout.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "platform/TextCase.h"

namespace install {
namespace {

struct SPlayerModel {
    const char* m_szFileName;
    const char* m_szModelFolder;  // below models/player; null: the mod directory itself
};

constexpr const char* kPlayerDecal = "pldecal.wad";

bool Contains(const std::vector<platform::CFolderEntry>& files,
              const platform::CFolderEntry& file) {
    return std::any_of(files.begin(), files.end(), [&](const platform::CFolderEntry& other) {
        return other.m_strPath == file.m_strPath;
    });
}

}  // namespace

void CInstallEngine::InstallSkinFiles(const std::string& folder) {
    enum { kModels, kSprites, kSound, kSoundWeapons, kGfx, kGfxVgui };
    static const std::vector<SDirectoryQuestion> kQuestions = {
        {"", "models", -1}, {"", "sprites", -1},
        {"", "sound", -1},  {"/sound", "weapons", kSound},
        {"", "gfx", -1},    {"/gfx", "vgui", kGfx},
    };
    static const std::vector<SCopyPass> kPassesBeforeImages = {
        {"mdl", "/models", kModels},
        {"spr", "/sprites", kSprites},
        {"wav", "/sound/weapons", kSoundWeapons},
    };
    static const std::vector<SCopyPass> kPassesAfterImages = {{"txt", "/sprites", kSprites}};
    static const SPlayerModel kPlayerModels[] = {
        {"arctic.mdl", "arctic"},     {"gign.mdl", "gign"},   {"gsg9.mdl", "gsg9"},
        {"guerilla.mdl", "guerilla"}, {"leet.mdl", "leet"},   {"sas.mdl", "sas"},
        {"terror.mdl", "terror"},     {"urban.mdl", "urban"}, {"vip.mdl", "vip"},
        {kPlayerDecal, nullptr},
    };

    std::vector<bool> accepted;
    if (!AskDirectories(kQuestions, accepted)) {
        return;
    }
    RunCopyPasses(folder, kPassesBeforeImages, accepted);
    // Interface images go to gfx/vgui; the six faces of a sky belong in gfx/env.
    const std::vector<platform::CFolderEntry> images = ListPackageFolder(m_fs, folder, "*.tga");
    const std::vector<platform::CFolderEntry> sky = SkyFaces(images);
    std::vector<platform::CFolderEntry> interface;
    std::copy_if(images.begin(), images.end(), std::back_inserter(interface),
                 [&](const platform::CFolderEntry& image) { return !Contains(sky, image); });
    if (accepted[kGfxVgui]) {
        CopyFiles(interface, ModPath("/gfx/vgui"));
    } else {
        MarkDeclined(interface);
    }
    RunCopyPasses(folder, kPassesAfterImages, accepted);

    // Texture wads are loaded from the mod directory itself; the player decal
    // has its own row below.
    std::vector<platform::CFolderEntry> wads = ListPackageFolder(m_fs, folder, "*.wad");
    std::erase_if(wads, [](const platform::CFolderEntry& wad) {
        return platform::EqualsNoCase(wad.m_strName, kPlayerDecal);
    });
    CopyFiles(wads, m_strModDir);

    if (!sky.empty()) {
        const std::string gfx = m_fs.ResolvePath(ModPath("/gfx"));
        if (accepted[kGfx] && ConfirmDirectory(gfx, "env")) {
            CreateConfirmedFolder(JoinPath(gfx, "env"));
            CopyFiles(sky, ModPath("/gfx/env"));
        } else if (m_bAbort) {
            return;
        } else {
            MarkDeclined(sky);
        }
    }

    for (const SPlayerModel& model : kPlayerModels) {
        const std::vector<platform::CFolderEntry> found =
            ListPackageFolder(m_fs, folder, model.m_szFileName);
        if (found.empty() || found.front().IsDirectory()) {
            continue;
        }
        std::string destinationFolder = m_strModDir;
        if (model.m_szModelFolder) {
            if (!accepted[kModels]) {
                continue;
            }
            const std::string models = m_fs.ResolvePath(ModPath("/models"));
            if (!ConfirmDirectory(models, "player")) {
                if (m_bAbort) {
                    return;
                }
                continue;
            }
            CreateConfirmedFolder(JoinPath(models, "player"));
            const std::string player = m_fs.ResolvePath(JoinPath(models, "player"));
            if (!ConfirmDirectory(player, model.m_szModelFolder)) {
                if (m_bAbort) {
                    return;
                }
                continue;
            }
            CreateConfirmedFolder(JoinPath(player, model.m_szModelFolder));
            destinationFolder = JoinPath(player, model.m_szModelFolder);
        }
        CopyPlayerModelFile(found.front().m_strPath,
                            JoinPath(destinationFolder, model.m_szFileName));
        if (!model.m_szModelFolder) {
            continue;
        }
        // The game loads a model's textures from <model>T.mdl beside it.
        const std::string textures = std::string(model.m_szModelFolder) + "T.mdl";
        const std::vector<platform::CFolderEntry> texture =
            ListPackageFolder(m_fs, folder, textures);
        if (!texture.empty() && !texture.front().IsDirectory()) {
            CopyPlayerModelFile(texture.front().m_strPath, JoinPath(destinationFolder, textures));
        }
    }
}

void CInstallEngine::CopyPlayerModelFile(const std::string& source,
                                         const std::string& destinationFile) {
    if (!RecordBeforeCopy(source, destinationFile)) {
        return;
    }
    std::string destination;
    // No retry after clearing a read-only destination here, unlike other copies.
    platform::SCopyDigest digest;
    const platform::ErrorCode error =
        m_fs.CopyFile(source, destinationFile, destination, m_pRecorder ? &digest : nullptr);
    if (error == platform::kErrorSameFile) {
        Log(destination + " is the dropped file itself, left as it is.\r\n");
        m_account.MarkInstalled(source);
        return;
    }
    if (error != platform::kErrorSuccess) {
        m_account.MarkNotInstalled(source, reason::kCopyFailed);
        ShowError("Error Code 100");
    } else {
        if (m_pRecorder) {
            m_pRecorder->Written(destination, digest);
        }
        m_account.MarkInstalled(source);
    }
    ProbeAndLog(destination, error == platform::kErrorSuccess, "Error Code 101", "Error Code 102");
}

}  // namespace install
