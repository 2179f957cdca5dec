#include "InstallerApp.h"

#include <QMessageBox>
#include <exception>

#include "InstallerDlg.h"
#include "platform/FileSystem.h"

namespace app {

CInstallerApp::CInstallerApp(int& argc, char** argv) : QApplication(argc, argv) {
    for (int i = 1; i < argc; ++i) {
        m_startPaths.push_back(platform::NormalisePath(argv[i]));
    }
}

bool CInstallerApp::InitInstance() {
    CInstallerDlg dialog;
    dialog.DoModal(m_startPaths);
    return false;
}

bool CInstallerApp::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& fault) {
        ReportFault(QString("Unexpected error: ") + fault.what());
    } catch (...) {
        ReportFault("Unexpected error");
    }
    return false;
}

void CInstallerApp::ReportFault(const QString& text) {
    // Over the window in front, which may stay on top of every other.
    QWidget* owner = activeModalWidget();
    QMessageBox::warning(owner ? owner : activeWindow(), applicationName(), text);
}

}  // namespace app
