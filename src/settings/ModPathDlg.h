#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "ModPathDialog.h"
#include "SettingsInterfaces.h"
#include "platform/MessageBoxHost.h"
#include "platform/SettingsKey.h"

class QComboBox;

namespace Ui {
class CModPathDlg;
}

namespace settings {

// The configuration dialog on Qt: the form, and the combo box, buttons and
// modal run that CModPathDialog drives.
class CModPathDlg : public QDialog, private CModPathDialogView, public CModPathDialog {
    Q_OBJECT

  public:
    // The keys are where discovery reads the Steam key.
    CModPathDlg(platform::CMessageBoxHost& messageBoxes, platform::CSettingsKeys& keys,
                QWidget* parent = nullptr);
    ~CModPathDlg() override;

    // Initialises the dialog, then runs it modally: kIdOk when a directory was
    // accepted, kIdCancel otherwise.
    int DoModal();

    // Escape and the close box: the dialog's own cancel, in either mode.
    void reject() override;

  private:
    // CModPathDialogView
    void SetCandidateItems(const std::vector<std::string>& items) override;
    std::string GetDirText() const override;
    void ShowDirText(const std::string& text, int nSelected) override;
    void FocusOkButton() override;
    void EndDialog(int nResult) override;

    QComboBox& ComboDir() const;

    std::unique_ptr<Ui::CModPathDlg> m_ui;
};

// Runs a CModPathDlg for the settings store, owned by the window it serves,
// so that it opens above that window even when the window stays on top.
class CModPathDlgRunner : public CConfigDialogRunner {
  public:
    CModPathDlgRunner(platform::CMessageBoxHost& messageBoxes, platform::CSettingsKeys& keys,
                      QWidget* owner)
        : m_messageBoxes(messageBoxes), m_keys(keys), m_owner(owner) {}
    int RunModPathDialog(std::string& strDir, bool bFirstRun) override;

  private:
    platform::CMessageBoxHost& m_messageBoxes;
    platform::CSettingsKeys& m_keys;
    QWidget* m_owner;
};

}  // namespace settings
