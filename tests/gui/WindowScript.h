#pragma once

#include <QApplication>
#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ScopedEnvironment.h"
#include "SettingsTestSupport.h"
#include "WindowTestHome.h"

class QAction;
class QPushButton;
class QWidget;

namespace quarvel::test {

// Records a failure and closes every modal window, so that a broken script
// ends its test instead of hanging it.
void GiveUp(const char* why);

// Polls until the condition holds, then acts. A script that never gets its
// condition records a failure and closes every modal window, so a broken
// test ends instead of hanging.
void When(std::function<bool()> condition, std::function<void()> action, int attempts = 500);

// Acts on the modal window of type T once it is the one in front.
template <typename T>
void WhenModal(std::function<void(T&)> action) {
    When([] { return qobject_cast<T*>(QApplication::activeModalWidget()) != nullptr; },
         [action] { action(*qobject_cast<T*>(QApplication::activeModalWidget())); });
}

QPushButton* Button(QWidget& window, const char* name);
QAction* Action(QWidget& window, const char* name);

// A settings value as stored; 0xDEADBEEF when it cannot be read.
std::uint32_t StoredDword(const char* name);
// The mod directory the settings hold, if any.
std::optional<std::string> StoredModDirectory();

// A home folder holding a Steam library with Half-Life (hl.exe) and its
// cstrike folder, and a cache folder of its own, while it lives.
class CGameHome {
  public:
    // Settings as a previous run left them.
    void StoreSettings(int left, int top, int width, int height, bool onTop, bool showLog) const;

    const CScopedHome& Home() const { return m_home.Home(); }
    const std::string& Game() const { return m_home.Game(); }
    const std::string& Mod() const { return m_home.Mod(); }

  private:
    CWindowTestHome m_home;
};

}  // namespace quarvel::test
