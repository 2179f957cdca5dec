#pragma once

#include <string>

#include "platform/LogSink.h"

namespace quarvel::test {

// Keeps what the log showed, to compare with the engine's own log.
class CRecordingLogSink : public platform::CLogSink {
  public:
    void ShowLog(std::string_view appended, std::size_t lineBreaks) override {
        m_strShown += appended;
        m_nLineBreaks = lineBreaks;
        ++m_nRefreshes;
    }

    std::string m_strShown;
    std::size_t m_nLineBreaks = 0;
    int m_nRefreshes = 0;
};

}  // namespace quarvel::test
