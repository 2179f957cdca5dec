#pragma once

#include <string>
#include <vector>

#include "ModDirDiscovery.h"
#include "platform/MessageBoxHost.h"
#include "platform/SettingsKey.h"

namespace settings {

// What the configuration dialog's behaviour needs of its window: the combo
// box 1021 with its list and edit field, the focus, and the end of the modal
// run. The Qt dialog and the Win32 dialog each implement it.
class CModPathDialogView {
  public:
    virtual ~CModPathDialogView() = default;

    // Replaces the list by these items, top item first.
    virtual void SetCandidateItems(const std::vector<std::string>& items) = 0;
    // The text of the edit field.
    virtual std::string GetDirText() const = 0;
    // Selects list item nSelected (-1: none) and shows text in the edit field.
    virtual void ShowDirText(const std::string& text, int nSelected) = 0;
    virtual void FocusOkButton() = 0;
    // Ends the modal run with kIdOk or kIdCancel.
    virtual void EndDialog(int nResult) = 0;
};

// The configuration dialog's behaviour, in which the user picks or types the
// mod directory. It never stores anything: its caller sets m_strDir and
// m_bFirstRun, runs it, and on kIdOk takes the validated m_strDir.
class CModPathDialog {
  public:
    // The keys are where discovery reads the Steam key; the boxes are shown
    // over the dialog.
    CModPathDialog(CModPathDialogView& view, platform::CMessageBoxHost& messageBoxes,
                   platform::CSettingsKeys& keys);
    virtual ~CModPathDialog() = default;
    CModPathDialog(const CModPathDialog&) = delete;
    CModPathDialog& operator=(const CModPathDialog&) = delete;

    // Finds the candidates and fills the list before the dialog is shown.
    bool OnInitDialog();
    // OK or Enter: validates the directory text and ends with kIdOk once it passes.
    void OnOK();
    // The Cancel button, 1006: refused in first-run mode.
    void OnCancelButton();
    // The dialog's own cancel command (Escape, the close box): ends in either mode.
    void OnCancel();

    const CCandidateList& GetCandidates() const { return m_candidates; }

    // The directory text: the current mod directory going in, the accepted
    // one coming out. Mirrors the combo box's edit field through UpdateData.
    std::string m_strDir;
    // Set by the caller: no settings were stored yet, so Cancel may not end it.
    bool m_bFirstRun = false;

  private:
    // true: reads the edit field into m_strDir; false: shows m_strDir in it.
    void UpdateData(bool bSaveAndValidate);

    CModPathDialogView& m_view;
    platform::CMessageBoxHost& m_messageBoxes;
    platform::CSettingsKeys& m_keys;
    CCandidateList m_candidates;
};

}  // namespace settings
