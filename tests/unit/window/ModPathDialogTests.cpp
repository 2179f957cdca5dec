#include <gtest/gtest.h>

#include "FakeWindowViews.h"
#include "SettingsTestSupport.h"
#include "WindowTestHome.h"
#include "settings/ModDirDiscovery.h"
#include "settings/ModPathDialog.h"

namespace {

using namespace quarvel::test;
using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdOk;
using platform::kIdYes;

// One opening of the configuration dialog, as the settings store makes it.
struct SOpenDialog {
    SOpenDialog(platform::CSettingsKeys& keys, const std::string& strDir, bool bFirstRun)
        : m_dialog(m_view, m_boxes, keys) {
        m_dialog.m_strDir = strDir;
        m_dialog.m_bFirstRun = bFirstRun;
        EXPECT_TRUE(m_dialog.OnInitDialog());
    }

    CFakeModPathDialogView m_view;
    CScriptedMessageBoxHost m_boxes;
    settings::CModPathDialog m_dialog;
};

TEST(ModPathDialog, FirstRunOffersTheLastCandidateAndMayNotBeCancelledByItsButton) {
    {  // No Steam installation: the placeholder, which names no folder.
        CScopedHome bare;
        platform::CSystemSettingsKeys keys;
        SOpenDialog open(keys, "", true);
        EXPECT_EQ(open.m_view.State(), "-1: " + std::string(settings::kModDirPlaceholder));
        EXPECT_TRUE(open.m_view.m_bOkFocused);
        open.m_dialog.OnOK();
        open.m_dialog.OnCancelButton();
        EXPECT_FALSE(open.m_view.m_nResult);
        EXPECT_EQ(Boxes(open.m_boxes),
                  (Strings{kDoesNotExist, " (0): You must select a folder to install maps too"}));
        open.m_dialog.OnCancel();  // Escape and the close box do end it
        EXPECT_EQ(open.m_view.m_nResult, kIdCancel);
    }
    CWindowTestHome home;
    MakeFolder(home.Game() + "/valve/maps");
    SOpenDialog open(home.Keys(), "/ignored", true);
    // Found in byte order, each inserted on top: the last one found is shown.
    EXPECT_EQ(open.m_view.State(),
              home.Game() + "/valve | " + home.Mod() + " | 0: " + home.Game() + "/valve");
    open.m_view.ShowDirText(home.Mod(), 1);  // picked from the list
    open.m_dialog.OnOK();
    EXPECT_EQ(open.m_view.m_nResult, kIdOk);
    EXPECT_EQ(open.m_dialog.m_strDir, home.Mod());
    EXPECT_TRUE(open.m_boxes.Shown().empty());
}

TEST(ModPathDialog, TheCurrentDirectoryGoesOnTopUnlessItIsListed) {
    CWindowTestHome home;
    MakeFolder(home.Game() + "/cstrike_old/maps");
    const std::string old = home.Game() + "/cstrike_old";
    const struct {
        std::string m_strDir;
        std::string m_strState;
    } rows[] = {
        {"/srv/cstrike", "/srv/cstrike | " + old + " | " + home.Mod() + " | 0: /srv/cstrike"},
        // Listed in another letter case: selected, shown as it was stored.
        {home.Game() + "/CSTRIKE", old + " | " + home.Mod() + " | 1: " + home.Game() + "/CSTRIKE"},
        {"", old + " | " + home.Mod() + " | -1: "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.m_strDir);
        SOpenDialog open(home.Keys(), row.m_strDir, false);
        EXPECT_EQ(open.m_view.State(), row.m_strState);
        open.m_dialog.OnCancelButton();
        EXPECT_EQ(open.m_view.m_nResult, kIdCancel);
        EXPECT_TRUE(open.m_boxes.Shown().empty());
    }
}

TEST(ModPathDialog, OkTrimsOneSeparatorThenChecksTheFolderAndItsGame) {
    CWindowTestHome home;
    MakeFolder(home.Game() + "/cstrike_old/maps");
    const std::string server = home.Elsewhere("server/mymod");
    MakeFolder(server);
    SOpenDialog open(home.Keys(), home.Mod(), false);

    // Two separators: only one goes, and the name after the other is empty.
    open.m_view.Type(home.Mod() + "//");
    open.m_dialog.OnOK();
    EXPECT_EQ(open.m_view.m_strText, home.Mod() + "/");
    EXPECT_EQ(Boxes(open.m_boxes), Strings{kDoesNotExist});

    // A folder without the game beside it: No, the default, keeps it open.
    open.m_view.Type(server);
    open.m_boxes.Answer(kIdNo);
    open.m_dialog.OnOK();
    EXPECT_FALSE(open.m_view.m_nResult);
    EXPECT_EQ(Boxes(open.m_boxes), (Strings{kDoesNotExist, kWarning}));

    // Typed in another letter case with a trailing separator: accepted as
    // typed less the separator, the item it names selected (not the one above
    // it that merely begins with it), and that text is the result.
    open.m_view.Type(home.Game() + "/CStrike/");
    open.m_dialog.OnOK();
    EXPECT_EQ(open.m_view.m_nResult, kIdOk);
    EXPECT_EQ(open.m_dialog.m_strDir, home.Game() + "/CStrike");
    EXPECT_EQ(open.m_view.State(),
              home.Game() + "/cstrike_old | " + home.Mod() + " | 1: " + home.Game() + "/CStrike");
    EXPECT_EQ(open.m_boxes.Shown().size(), 2u);

    // Yes to the warning accepts the folder without the game.
    SOpenDialog other(home.Keys(), home.Mod(), false);
    other.m_view.Type(server);
    other.m_boxes.Answer(kIdYes);
    other.m_dialog.OnOK();
    EXPECT_EQ(other.m_view.m_nResult, kIdOk);
    EXPECT_EQ(other.m_dialog.m_strDir, server);
    EXPECT_EQ(Boxes(other.m_boxes), Strings{kWarning});
}

}  // namespace
