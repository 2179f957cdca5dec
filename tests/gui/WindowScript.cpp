#include "WindowScript.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "platform/SettingsKey.h"
#include "settings/SettingsStore.h"

namespace quarvel::test {

void GiveUp(const char* why) {
    QTest::qFail(why, __FILE__, __LINE__);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible()) {
            dialog->reject();
        }
    }
}

void When(std::function<bool()> condition, std::function<void()> action, int attempts) {
    QTimer::singleShot(10, [condition, action, attempts] {
        if (condition()) {
            action();
        } else if (attempts > 0) {
            When(condition, action, attempts - 1);
        } else {
            GiveUp("a scripted step never came");
        }
    });
}

QPushButton* Button(QWidget& window, const char* name) {
    return window.findChild<QPushButton*>(name);
}

QAction* Action(QWidget& window, const char* name) {
    return window.findChild<QAction*>(name);
}

std::uint32_t StoredDword(const char* name) {
    platform::CSystemSettingsKeys keys;
    const auto key = keys.MakeKey();
    std::uint32_t value = 0xDEADBEEF;
    if (key->Open(settings::kSettingsKeyName) == platform::kErrorSuccess) {
        key->QueryDword(name, value);
        key->Close();
    }
    return value;
}

std::optional<std::string> StoredModDirectory() {
    platform::CSystemSettingsKeys keys;
    return settings::ReadStoredModDirectory(keys);
}

CGameHome::CGameHome()
    : m_strGame(m_home.Home() + "/.local/share/Steam/steamapps/common/Half-Life"),
      m_strMod(m_strGame + "/cstrike") {
    MakeFolder(m_strMod + "/maps");
    MakeFolder(m_strMod + "/sound");
    WriteFile(m_strGame + "/hl.exe", "");
}

void CGameHome::StoreSettings(int left, int top, int width, int height, bool onTop,
                              bool showLog) const {
    platform::CSystemSettingsKeys keys;
    const auto key = keys.MakeKey();
    QCOMPARE(key->Create(settings::kSettingsKeyName), platform::kErrorSuccess);
    key->SetString(settings::kValueDirectory, m_strMod);
    key->SetDword("left", static_cast<std::uint32_t>(left));
    key->SetDword("top", static_cast<std::uint32_t>(top));
    key->SetDword("width", static_cast<std::uint32_t>(width));
    key->SetDword("height", static_cast<std::uint32_t>(height));
    key->SetDword("ontop", onTop ? 1 : 0);
    key->SetDword("viewlog", showLog ? 1 : 0);
    QCOMPARE(key->Close(), platform::kErrorSuccess);
}

}  // namespace quarvel::test
