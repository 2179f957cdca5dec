#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <stdexcept>

#include "WindowScript.h"
#include "app/InstallerApp.h"

using namespace quarvel::test;

namespace {

// A handler that fails in a way nothing of ours catches on its way.
class CFaultyHandler : public QObject {
  protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            throw std::runtime_error("disk on fire");
        }
        return QObject::event(event);
    }
};

}  // namespace

class InstallerAppTests : public QObject {
    Q_OBJECT

  private slots:
    // The fault is reported in a box over the window in front, which may stay
    // on top of every other, and the program goes on.
    void faultReachingTheEventLoopIsReportedOverTheWindowInFront() {
        QDialog window;
        window.setWindowModality(Qt::ApplicationModal);
        CFaultyHandler handler;
        QString text;
        QWidget* owner = nullptr;
        WhenModal<QDialog>([&](QDialog& front) {
            WhenModal<QMessageBox>([&](QMessageBox& box) {
                text = box.text();
                owner = box.parentWidget();
                box.button(QMessageBox::Ok)->click();
                When([&] { return QApplication::activeModalWidget() == &front; },
                     [&] { front.accept(); });
            });
            QCoreApplication::postEvent(&handler, new QEvent(QEvent::User));
        });
        QCOMPARE(window.exec(), int(QDialog::Accepted));
        QCOMPARE(text, QString("Unexpected error: disk on fire"));
        QCOMPARE(owner, &window);
    }
};

int main(int argc, char** argv) {
    app::CInstallerApp application(argc, argv);
    InstallerAppTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "InstallerAppTests.moc"
