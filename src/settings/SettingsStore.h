#pragma once

#include <optional>
#include <string>

#include "SettingsInterfaces.h"
#include "platform/MessageBoxHost.h"
#include "platform/SettingsKey.h"

namespace settings {

// The key holding the program's settings, and its values.
extern const char* const kSettingsKeyName;
extern const char* const kValueDirectory;

// Where a first start places the window, and its view options then.
constexpr int kDefaultLeft = 250;
constexpr int kDefaultTop = 100;
constexpr int kDefaultWidth = 464;
constexpr int kDefaultHeight = 634;

// Loads and saves the mod directory and the main window's placement and view
// options. Every call opens and closes the settings key, made by the keys its
// owner passes in; failures are shown as short error codes in message boxes,
// and the program goes on.
class CSettingsStore {
  public:
    CSettingsStore(platform::CMessageBoxHost& messageBoxes, platform::CSettingsKeys& keys);

    // At start-up (bForce false) and for Configure (bForce true): resets the
    // accepted extensions, loads the stored mod directory, runs the
    // configuration dialog on a first run or when forced, stores what the
    // dialog accepts, and shows the mod directory in the window.
    void LoadModDirectory(bool bForce, CModDirectoryContext& context, CConfigDialogRunner& dialog);

    // While the main window is created: its stored placement and view options,
    // or on a first run the defaults, always on top with the log pane shown.
    void LoadWindowSettings(CSettingsWindow& window);

    // When the main window closes, unless it is minimised.
    void SaveWindowSettings(CSettingsWindow& window);

    // Stores the mod directory as "Directory". Returns false when a message
    // was shown ("Error Code 14", "Error Code 11" or "Error Code 13").
    [[nodiscard]] bool StoreModDirectory(const std::string& strModDir);

  private:
    void ShowError(const char* text);

    platform::CMessageBoxHost& m_messageBoxes;
    platform::CSettingsKeys& m_keys;
};

// The stored mod directory, read without any message; nothing when none is
// stored or it cannot be read.
std::optional<std::string> ReadStoredModDirectory(platform::CSettingsKeys& keys);

// How many drops keep the backups of what they replaced: the value
// "backupdrops", 20 when it is not stored.
int ReadBackupDropsToKeep(platform::CSettingsKeys& keys);

}  // namespace settings
