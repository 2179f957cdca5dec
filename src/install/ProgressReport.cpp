#include "ProgressReport.h"

#include <algorithm>

namespace install {
namespace {

constexpr auto kInterval = std::chrono::milliseconds(100);

}  // namespace

CProgressReport::CProgressReport(platform::CProgressSink* sink, std::string name,
                                 std::uint64_t total)
    : m_pSink(total > kShownFrom ? sink : nullptr), m_strName(std::move(name)), m_nTotal(total) {}

CProgressReport::~CProgressReport() {
    if (m_bShown) {
        m_pSink->EndProgress();
    }
}

void CProgressReport::Update(std::uint64_t done) {
    if (!m_pSink) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < m_next) {
        return;
    }
    m_next = now + kInterval;
    const int percent = static_cast<int>(std::min<std::uint64_t>(done * 100 / m_nTotal, 100));
    if (percent != m_nLastPercent) {
        m_nLastPercent = percent;
        m_bShown = true;
        m_pSink->ShowProgress(m_strName, percent);
    }
}

}  // namespace install
