#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ScriptedMessageBoxHost.h"
#include "settings/ModPathDialog.h"
#include "window/MainWindowView.h"

namespace quarvel::test {

// The configuration dialog as its user sees it: the list, the selection, the
// edit field and the end of its run.
class CFakeModPathDialogView : public settings::CModPathDialogView {
  public:
    void SetCandidateItems(const std::vector<std::string>& items) override {
        m_items = items;
        m_nSelected = -1;
    }
    std::string GetDirText() const override { return m_strText; }
    void ShowDirText(const std::string& text, int nSelected) override {
        m_strText = text;
        m_nSelected = nSelected;
    }
    void FocusOkButton() override { m_bOkFocused = true; }
    void EndDialog(int nResult) override {
        EXPECT_FALSE(m_nResult) << "ended twice";
        m_nResult = nResult;
    }

    // The user types into the edit field, which leaves no item selected.
    void Type(const std::string& text) {
        m_strText = text;
        m_nSelected = -1;
    }
    // "items... | selected: text", to compare a whole state at once.
    std::string State() const {
        std::string state;
        for (const auto& item : m_items) {
            state += item + " | ";
        }
        return state + std::to_string(m_nSelected) + ": " + m_strText;
    }

    std::vector<std::string> m_items;
    int m_nSelected = -1;
    std::string m_strText;
    bool m_bOkFocused = false;
    std::optional<int> m_nResult;
};

// What the user does in one opening of the configuration dialog.
using CConfigScript = std::function<void(CFakeModPathDialogView&, settings::CModPathDialog&)>;

// The main window as its user sees it. Placement, menu marks, the drop
// target, dialogs run and the end are recorded in order as lines of text in
// m_calls; the log pane, the mod path field and the title keep what they
// show. Message boxes are answered by the script of m_boxes, and the
// configuration dialog runs the real dialog logic, driven by the next script
// of m_configScripts.
class CFakeMainWindowView : public window::CMainWindowView {
  public:
    settings::CWindowRect GetWindowRect() const override { return m_rect; }
    bool IsMinimized() const override { return m_bMinimized; }
    void PlaceWindow(const std::optional<window::SPlacement>& placement, bool bTopmost,
                     bool bShow) override {
        std::string line = "place ";
        if (placement) {
            m_rect = {placement->m_nLeft, placement->m_nTop,
                      placement->m_nLeft + placement->m_nWidth,
                      placement->m_nTop + placement->m_nHeight};
            line += std::to_string(placement->m_nLeft) + "," + std::to_string(placement->m_nTop) +
                    " " + std::to_string(placement->m_nWidth) + "x" +
                    std::to_string(placement->m_nHeight);
        } else {
            line += "here";
        }
        m_bTopmost = bTopmost;
        m_bShown = bShow;
        m_calls.push_back(line + (bTopmost ? " topmost" : " not topmost") +
                          (bShow ? " shown" : " hidden"));
    }
    void SetMenuCheck(int nCommand, bool bChecked) override {
        m_checks[nCommand] = bChecked;
        m_calls.push_back("check " + std::to_string(nCommand) + (bChecked ? " on" : " off"));
    }
    std::string GetTitle() const override { return m_strTitle; }
    void SetTitle(const std::string& title) override {
        m_strTitle = title;
        m_titles.push_back(title);
    }
    void AcceptDrops() override { m_calls.push_back("accepts drops"); }
    void PostDrop(const std::vector<std::string>& paths) override { m_posted.push_back(paths); }
    void EndDialog(int nResult) override {
        EXPECT_FALSE(m_nResult) << "ended twice";
        m_nResult = nResult;
        m_calls.push_back("end " + std::to_string(nResult));
    }
    void AppendLogText(std::string_view text) override {
        EXPECT_FALSE(text.empty());
        m_strLogPane += text;
    }
    void ScrollLogPane(int nFirstLine) override {
        m_nFirstLine = nFirstLine;
        ++m_nRefreshes;
    }
    void SetModPathText(const std::string& text) override {
        m_strModPath = text;
        ++m_nModPathSets;
    }
    int MessageBox(const std::string& text, const std::string& caption, unsigned type) override {
        if (m_whileBoxIsOpen) {
            // Once: what the user does while the box waits for an answer.
            std::exchange(m_whileBoxIsOpen, nullptr)();
        }
        return m_boxes.MessageBox(text, caption, type);
    }
    void RunAboutBox() override { m_calls.push_back("about box"); }
    int RunConfigDialog(std::string& strDir, bool bFirstRun,
                        platform::CMessageBoxHost& messageBoxes,
                        platform::CSettingsKeys& keys) override {
        m_calls.push_back(std::string("configuration dialog") + (bFirstRun ? " (first run)" : "") +
                          ": " + strDir);
        CFakeModPathDialogView view;
        settings::CModPathDialog dialog(view, messageBoxes, keys);
        dialog.m_strDir = strDir;
        dialog.m_bFirstRun = bFirstRun;
        EXPECT_TRUE(dialog.OnInitDialog());
        if (m_configScripts.empty()) {
            ADD_FAILURE() << "the configuration dialog was not expected";
            return platform::kIdCancel;
        }
        const CConfigScript script = std::move(m_configScripts.front());
        m_configScripts.pop_front();
        script(view, dialog);
        if (!view.m_nResult) {
            ADD_FAILURE() << "the configuration dialog was left open";
            return platform::kIdCancel;
        }
        if (*view.m_nResult == platform::kIdOk) {
            strDir = dialog.m_strDir;
        }
        return *view.m_nResult;
    }

    // The window as the toolkit has it.
    settings::CWindowRect m_rect{0, 0, 458, 612};
    bool m_bMinimized = false;
    bool m_bTopmost = false;
    bool m_bShown = false;
    std::map<int, bool> m_checks;
    std::string m_strTitle = "Quarvel";
    std::vector<std::string> m_titles;
    std::optional<int> m_nResult;
    std::vector<std::vector<std::string>> m_posted;
    std::vector<std::string> m_calls;

    // The log pane: everything appended, the first visible line and the
    // number of refreshes; the mod path field and how often it was set.
    std::string m_strLogPane;
    int m_nFirstLine = 0;
    int m_nRefreshes = 0;
    std::string m_strModPath;
    int m_nModPathSets = 0;

    CScriptedMessageBoxHost m_boxes;
    std::function<void()> m_whileBoxIsOpen;
    std::deque<CConfigScript> m_configScripts;
};

}  // namespace quarvel::test
