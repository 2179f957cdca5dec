#pragma once

#include <string>

namespace platform {

// Shows how far a long step has come (a big file being unpacked), apart from
// the install log: the window's title, a line on a terminal.
class CProgressSink {
  public:
    virtual ~CProgressSink() = default;
    // name: the file; percent: 0 to 100.
    virtual void ShowProgress(const std::string& name, int percent) = 0;
    // The step ended: whatever showed it is as it was before.
    virtual void EndProgress() = 0;
};

}  // namespace platform
