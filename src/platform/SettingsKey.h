#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ErrorCodes.h"

namespace platform {

// Further Windows numbers that the settings key reports.
constexpr ErrorCode kErrorInvalidHandle = 6;
constexpr ErrorCode kErrorInvalidData = 13;
constexpr ErrorCode kErrorInvalidParameter = 87;
constexpr ErrorCode kErrorMoreData = 234;
constexpr ErrorCode kErrorUnsupportedType = 1630;

// Value types, numbered as in the registry.
enum class ESettingsValueType : std::uint32_t {
    kString = 1,  // REG_SZ
    kDword = 4,   // REG_DWORD
};

struct CSettingsValue {
    ESettingsValueType m_eType = ESettingsValueType::kString;
    // The bytes as the registry would return them: a string's text followed by
    // its terminating NUL, a number as four little-endian bytes.
    std::string m_strData;
};

// The number a DWORD value's four little-endian bytes hold.
inline std::uint32_t DwordOf(const std::string& bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    return value;
}

// A settings key, opened and closed within one operation as a registry key
// is. Errors are Windows numbers on every platform. One object holds at most
// one open key; opening another closes the first, and a key still open when
// the object goes is closed then. Value names match without regard to case.
class CSettingsKey {
  public:
    virtual ~CSettingsKey() = default;

    // Opens a key of the program for reading (RegOpenKeyExA, KEY_READ).
    virtual ErrorCode Open(const std::string& keyName) = 0;

    // Opens the Steam client's key for reading; its value "InstallPath" is
    // the folder Steam is installed in.
    virtual ErrorCode OpenSteam() = 0;

    // Creates or opens a key of the program for writing (RegCreateKeyExA,
    // KEY_WRITE).
    virtual ErrorCode Create(const std::string& keyName) = 0;

    // RegQueryValueExA into a buffer of bufferSize bytes, whatever the type:
    // fails with kErrorFileNotFound when the value is absent and with
    // kErrorMoreData when its bytes do not fit.
    virtual ErrorCode QueryValue(const std::string& name, std::size_t bufferSize,
                                 CSettingsValue& value) const = 0;

    // A read into a 4-byte number; fails unless the value is a DWORD.
    virtual ErrorCode QueryDword(const std::string& name, std::uint32_t& value) const = 0;

    // RegSetValueExA; needs a key created for writing.
    virtual ErrorCode SetString(const std::string& name, const std::string& text) = 0;
    virtual ErrorCode SetDword(const std::string& name, std::uint32_t value) = 0;

    // RegCloseKey. Fails with kErrorInvalidHandle when no key is open; after
    // any other failure the key is closed all the same.
    virtual ErrorCode Close() = 0;
};

// Makes settings keys. The settings logic gets one from its owner, so that
// the platform's store, or a test's wrapper around it, stands behind it.
class CSettingsKeys {
  public:
    virtual ~CSettingsKeys() = default;

    // A key object with no key open yet; it may not outlive its maker.
    virtual std::unique_ptr<CSettingsKey> MakeKey() = 0;
};

// The settings store of the platform the program runs on: on Linux a file per
// key (see posix/SettingsKeyPosix.h), on Windows the registry.
class CSystemSettingsKeys : public CSettingsKeys {
  public:
    std::unique_ptr<CSettingsKey> MakeKey() override;
};

}  // namespace platform
