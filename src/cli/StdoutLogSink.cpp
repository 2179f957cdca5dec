#include "StdoutLogSink.h"

#include <string>

namespace cli {

void CStdoutLogSink::ShowLog(std::string_view appended, std::size_t /*lineBreaks*/) {
    std::string text;
    text.reserve(appended.size() + 1);
    for (const char c : appended) {
        if (m_bPendingReturn && c != '\n') {
            text += '\r';
        }
        m_bPendingReturn = c == '\r';
        if (!m_bPendingReturn) {
            text += c;
        }
    }
    std::fwrite(text.data(), 1, text.size(), m_stream);
    std::fflush(m_stream);
}

}  // namespace cli
