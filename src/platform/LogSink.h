#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// Receives the install log as it grows. The owner shows it: a log pane in the
// window, standard output in the command line.
class CLogSink {
  public:
    virtual ~CLogSink() = default;
    // Called on every log refresh with the text appended since the previous call
    // (possibly empty) and the number of "\r\n" line breaks in the whole log, so
    // that a refresh costs the same however long the log has grown.
    virtual void ShowLog(std::string_view appended, std::size_t lineBreaks) = 0;
};

}  // namespace platform
