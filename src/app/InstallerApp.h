#pragma once

#include <QApplication>
#include <string>
#include <vector>

namespace app {

// The application: the toolkit, then the main window's whole life.
class CInstallerApp : public QApplication {
    Q_OBJECT

  public:
    CInstallerApp(int& argc, char** argv);

    // Runs the main window modally, installing the paths given on the command
    // line once it is up. Returns false: the program ends with the window.
    bool InitInstance();

    // Nothing a handler throws reaches the event loop: it is reported and the
    // program goes on.
    bool notify(QObject* receiver, QEvent* event) override;

  private:
    void ReportFault(const QString& text);

    std::vector<std::string> m_startPaths;
};

}  // namespace app
