#include "ModPathDlg.h"

#include <QComboBox>
#include <QPushButton>

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
      CModPathDialog(static_cast<CModPathDialogView&>(*this), messageBoxes, keys),
      m_ui(std::make_unique<Ui::CModPathDlg>()) {
    m_ui->setupUi(this);
    // Caption and close box, no minimize box, as the form's fixed size wants.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // Typed text stays exactly as typed: no completion from the list and no
    // item added on Enter.
    ComboDir().setCompleter(nullptr);
    ComboDir().setInsertPolicy(QComboBox::NoInsert);
    connect(m_ui->id1, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_ui->id1006, &QPushButton::clicked, this, [this] { OnCancelButton(); });
}

CModPathDlg::~CModPathDlg() = default;

QComboBox& CModPathDlg::ComboDir() const {
    return *m_ui->id1021;
}

int CModPathDlg::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void CModPathDlg::reject() {
    OnCancel();
}

void CModPathDlg::SetCandidateItems(const std::vector<std::string>& items) {
    QComboBox& combo = ComboDir();
    combo.clear();
    for (const auto& item : items) {
        combo.addItem(ToQString(item));
    }
}

std::string CModPathDlg::GetDirText() const {
    return ComboDir().currentText().toStdString();
}

void CModPathDlg::ShowDirText(const std::string& text, int nSelected) {
    QComboBox& combo = ComboDir();
    combo.setCurrentIndex(nSelected);
    combo.setEditText(ToQString(text));
}

void CModPathDlg::FocusOkButton() {
    m_ui->id1->setFocus();
}

void CModPathDlg::EndDialog(int nResult) {
    if (nResult == platform::kIdOk) {
        accept();
    } else {
        QDialog::reject();
    }
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
