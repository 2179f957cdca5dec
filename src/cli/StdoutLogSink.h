#pragma once

#include <cstdio>

#include "platform/LineEnds.h"
#include "platform/LogSink.h"

namespace cli {

// Writes the install log to a stream as it grows, "\r\n" as "\n", flushed at
// every refresh so a long install shows its progress.
class CStdoutLogSink : public platform::CLogSink {
  public:
    explicit CStdoutLogSink(std::FILE* stream) : m_stream(stream) {}
    void ShowLog(std::string_view appended, std::size_t lineBreaks) override;

  private:
    std::FILE* m_stream;
    platform::CLineEndConverter m_lineEnds;
};

}  // namespace cli
