#include "StdoutLogSink.h"

namespace cli {

void CStdoutLogSink::ShowLog(std::string_view appended, std::size_t /*lineBreaks*/) {
    const std::string text = m_lineEnds.Convert(appended);
    std::fwrite(text.data(), 1, text.size(), m_stream);
    std::fflush(m_stream);
}

}  // namespace cli
