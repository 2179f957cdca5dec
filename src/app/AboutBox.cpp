#include "AboutBox.h"

#include "ui_AboutBox.h"

namespace app {

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CAboutBox>()) {
    m_ui->setupUi(this);
    // The form's size, or more where the lines need it in the user's font.
    setFixedSize(size().expandedTo(sizeHint()));
}

CAboutBox::~CAboutBox() = default;

}  // namespace app
