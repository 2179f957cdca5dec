#pragma once

#include <string>

namespace platform {

// Message box types and results, numbered as on Windows.
enum MessageBoxType : unsigned {
    kMbOk = 0x0,
    kMbYesNoCancel = 0x3,
    kMbYesNo = 0x4,
    kMbIconExclamation = 0x30,
    kMbDefButton2 = 0x100,
    kMbButtonMask = 0xF,
    kMbIconMask = 0xF0,
    kMbDefButtonMask = 0xF00,
};

enum MessageBoxResult : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdYes = 6,
    kIdNo = 7,
};

// The modal message box. An empty caption means the application name.
class CMessageBoxHost {
  public:
    virtual ~CMessageBoxHost() = default;
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned type) = 0;
};

}  // namespace platform
