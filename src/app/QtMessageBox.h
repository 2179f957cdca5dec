#pragma once

#include <string>

class QWidget;

namespace app {

// Shows a modal QMessageBox the way the program's boxes are specified: the
// Windows type picks buttons, default button and icon; an empty caption means
// the application name. Returns the Windows result (IDOK, IDYES, ...).
int ShowQtMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                     unsigned type);

}  // namespace app
