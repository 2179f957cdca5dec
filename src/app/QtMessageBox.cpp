#include "QtMessageBox.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "platform/MessageBoxHost.h"

namespace app {
namespace {

// A question without Cancel must be answered: Escape and the close box do
// nothing, where Qt would take them for No.
class CAnswerRequired : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel)) {
            return true;
        }
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

int ShowQtMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                     unsigned type) {
    using namespace platform;
    QMessageBox box(owner);
    box.setWindowTitle(caption.empty() ? QCoreApplication::applicationName()
                                       : QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon((type & kMbIconMask) == kMbIconExclamation ? QMessageBox::Warning
                                                           : QMessageBox::NoIcon);

    struct SButton {
        QMessageBox::StandardButton m_eButton;
        int m_nResult;
    };
    std::vector<SButton> buttons;
    switch (type & kMbButtonMask) {
        case kMbYesNoCancel:
            buttons = {{QMessageBox::Yes, kIdYes},
                       {QMessageBox::No, kIdNo},
                       {QMessageBox::Cancel, kIdCancel}};
            break;
        case kMbYesNo:
            buttons = {{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}};
            break;
        default:
            buttons = {{QMessageBox::Ok, kIdOk}};
            break;
    }
    QMessageBox::StandardButtons standard;
    for (const SButton& button : buttons) {
        standard |= button.m_eButton;
    }
    box.setStandardButtons(standard);
    const std::size_t defaultIndex =
        (type & kMbDefButtonMask) == kMbDefButton2 && buttons.size() > 1 ? 1 : 0;
    box.setDefaultButton(buttons[defaultIndex].m_eButton);
    // Escape gives Cancel where there is one, and closes an OK box; a Yes/No
    // question must be answered.
    CAnswerRequired answerRequired;
    if ((type & kMbButtonMask) == kMbYesNoCancel) {
        box.setEscapeButton(QMessageBox::Cancel);
    } else if ((type & kMbButtonMask) == kMbOk) {
        box.setEscapeButton(QMessageBox::Ok);
    } else {
        box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        box.installEventFilter(&answerRequired);
    }

    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const SButton& button : buttons) {
        if (button.m_eButton == clicked) {
            return button.m_nResult;
        }
    }
    return kIdCancel;
}

}  // namespace app
