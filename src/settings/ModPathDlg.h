#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "SettingsInterfaces.h"
#include "platform/MessageBoxHost.h"
#include "platform/SettingsKey.h"

class QComboBox;

namespace Ui {
class CModPathDlg;
}

namespace settings {

// The configuration dialog, in which the user picks or types the mod
// directory. It never stores anything: its caller sets m_strDir and
// m_bFirstRun, runs it, and on kIdOk takes the validated m_strDir.
class CModPathDlg : public QDialog {
    Q_OBJECT

  public:
    // The keys are where discovery reads the Steam key.
    CModPathDlg(platform::CMessageBoxHost& messageBoxes, platform::CSettingsKeys& keys,
                QWidget* parent = nullptr);
    ~CModPathDlg() override;

    // Initialises the dialog, then runs it modally: kIdOk when a directory was
    // accepted, kIdCancel otherwise.
    int DoModal();

    // Finds the candidates and fills the list before the dialog is shown.
    bool OnInitDialog();
    // OK or Enter: validates the directory text and ends with kIdOk once it passes.
    void OnOK();
    // The Cancel button, 1006. Escape and the close box do not come here:
    // they cancel in either mode.
    void OnCancelButton();

    // The directory text: the current mod directory going in, the accepted
    // one coming out. Mirrors the combo box's edit field through UpdateData.
    std::string m_strDir;
    // Set by the caller: no settings were stored yet, so Cancel may not end it.
    bool m_bFirstRun = false;

  private:
    // true: reads the edit field into m_strDir; false: shows m_strDir in it.
    void UpdateData(bool bSaveAndValidate);
    QComboBox& ComboDir() const;

    std::unique_ptr<Ui::CModPathDlg> m_ui;
    platform::CMessageBoxHost& m_messageBoxes;
    platform::CSettingsKeys& m_keys;
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
