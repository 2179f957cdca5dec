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

void CGameHome::StoreSettings(int left, int top, int width, int height, bool onTop,
                              bool showLog) const {
    QVERIFY(m_home.StoreSettings(left, top, width, height, onTop, showLog));
}

}  // namespace quarvel::test
