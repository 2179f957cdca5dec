#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/ProgressSink.h"

namespace install {

// The progress of one file: reported only for files larger than 8 MiB, and at
// most ten times a second, so that showing it costs next to nothing.
class CProgressReport {
  public:
    static constexpr std::uint64_t kShownFrom = 8ull << 20;

    CProgressReport(platform::CProgressSink* sink, std::string name, std::uint64_t total);
    ~CProgressReport();
    CProgressReport(const CProgressReport&) = delete;
    CProgressReport& operator=(const CProgressReport&) = delete;

    // Whether this file's progress is shown at all.
    bool IsShown() const { return m_pSink != nullptr; }
    void Update(std::uint64_t done);

  private:
    platform::CProgressSink* m_pSink;
    std::string m_strName;
    std::uint64_t m_nTotal;
    std::chrono::steady_clock::time_point m_next{};
    int m_nLastPercent = -1;
    bool m_bShown = false;
};

}  // namespace install
