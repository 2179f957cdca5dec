#include "ModPathDlg.h"

#include <QComboBox>
#include <QPushButton>

#include "ModDirDiscovery.h"
#include "ModDirValidation.h"
#include "PathText.h"
#include "platform/TextCase.h"
#include "ui_ModPathDlg.h"

namespace settings {
namespace {

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CModPathDlg::CModPathDlg(platform::CMessageBoxHost& messageBoxes, platform::CSettingsKeys& keys,
                         QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CModPathDlg>()),
      m_messageBoxes(messageBoxes),
      m_keys(keys) {
    m_ui->setupUi(this);
    // Caption and close box, no minimize box, as the form's fixed size wants.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // Typed text stays exactly as typed: no completion from the list and no
    // item added on Enter.
    ComboDir().setCompleter(nullptr);
    ComboDir().setInsertPolicy(QComboBox::NoInsert);
    connect(m_ui->id1, &QPushButton::clicked, this, &CModPathDlg::OnOK);
    connect(m_ui->id1006, &QPushButton::clicked, this, &CModPathDlg::OnCancelButton);
}

CModPathDlg::~CModPathDlg() = default;

QComboBox& CModPathDlg::ComboDir() const {
    return *m_ui->id1021;
}

int CModPathDlg::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

bool CModPathDlg::OnInitDialog() {
    UpdateData(false);
    const CCandidateList candidates =
        PrepareModDirChoice(m_messageBoxes, m_keys, m_strDir, m_bFirstRun);
    QComboBox& combo = ComboDir();
    combo.clear();
    for (const auto& item : candidates.Items()) {
        combo.addItem(ToQString(item));
    }
    UpdateData(false);
    m_ui->id1->setFocus();
    return true;
}

void CModPathDlg::UpdateData(bool bSaveAndValidate) {
    QComboBox& combo = ComboDir();
    if (bSaveAndValidate) {
        m_strDir = combo.currentText().toStdString();
        return;
    }
    // Selects the item equal to the text, case ignored, but always shows the
    // text itself: picking the first item that merely begins with it would
    // show, and then accept, another directory than the one meant.
    int index = -1;
    for (int i = 0; i < combo.count() && index < 0; ++i) {
        if (platform::EqualsNoCase(combo.itemText(i).toStdString(), m_strDir)) {
            index = i;
        }
    }
    combo.setCurrentIndex(index);
    combo.setEditText(ToQString(m_strDir));
}

void CModPathDlg::OnOK() {
    UpdateData(true);
    TrimTrailingSeparator(m_strDir);
    UpdateData(false);
    if (CheckModDirectory(m_strDir, m_messageBoxes) != EModDirCheck::kAccepted) {
        return;
    }
    // m_strDir is kept as validated rather than read back from the field.
    accept();
}

void CModPathDlg::OnCancelButton() {
    if (m_bFirstRun) {
        m_messageBoxes.MessageBox("You must select a folder to install maps too", "",
                                  platform::kMbOk);
        return;
    }
    reject();
}

int CModPathDlgRunner::RunModPathDialog(std::string& strDir, bool bFirstRun) {
    CModPathDlg dialog(m_messageBoxes, m_keys, m_owner);
    dialog.m_strDir = strDir;
    dialog.m_bFirstRun = bFirstRun;
    const int result = dialog.DoModal();
    if (result == platform::kIdOk) {
        strDir = dialog.m_strDir;
    }
    return result;
}

}  // namespace settings
