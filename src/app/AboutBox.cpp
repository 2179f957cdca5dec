#include "AboutBox.h"

#include "ui_AboutBox.h"

namespace app {

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CAboutBox>()) {
    m_ui->setupUi(this);
    setFixedSize(size());
}

CAboutBox::~CAboutBox() = default;

}  // namespace app
