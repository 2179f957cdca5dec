#include "ModPathDialog.h"

#include "ModDirValidation.h"
#include "PathText.h"

namespace settings {

CModPathDialog::CModPathDialog(CModPathDialogView& view, platform::CMessageBoxHost& messageBoxes,
                               platform::CSettingsKeys& keys)
    : m_view(view), m_messageBoxes(messageBoxes), m_keys(keys) {}

bool CModPathDialog::OnInitDialog() {
    UpdateData(false);
    m_candidates = PrepareModDirChoice(m_messageBoxes, m_keys, m_strDir, m_bFirstRun);
    m_view.SetCandidateItems(m_candidates.Items());
    UpdateData(false);
    m_view.FocusOkButton();
    return true;
}

void CModPathDialog::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        m_strDir = m_view.GetDirText();
        return;
    }
    // Selects the item equal to the text, case ignored, but always shows the
    // text itself: picking the first item that merely begins with it would
    // show, and then accept, another directory than the one meant.
    m_view.ShowDirText(m_strDir, m_candidates.FindStringExact(m_strDir));
}

void CModPathDialog::OnOK() {
    UpdateData(true);
    TrimTrailingSeparator(m_strDir);
    UpdateData(false);
    if (CheckModDirectory(m_strDir, m_messageBoxes) != EModDirCheck::kAccepted) {
        return;
    }
    // m_strDir is kept as validated rather than read back from the field.
    m_view.EndDialog(platform::kIdOk);
}

void CModPathDialog::OnCancelButton() {
    if (m_bFirstRun) {
        m_messageBoxes.MessageBox("You must select a folder to install maps too", "",
                                  platform::kMbOk);
        return;
    }
    m_view.EndDialog(platform::kIdCancel);
}

void CModPathDialog::OnCancel() {
    m_view.EndDialog(platform::kIdCancel);
}

}  // namespace settings
