#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CAboutBox;
}

namespace app {

// The about box: the version line and three lines of our own; OK closes it.
class CAboutBox : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutBox(QWidget* parent = nullptr);
    ~CAboutBox() override;

  private:
    std::unique_ptr<Ui::CAboutBox> m_ui;
};

}  // namespace app
