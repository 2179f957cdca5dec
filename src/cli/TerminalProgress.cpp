#include "TerminalProgress.h"

#include <unistd.h>

namespace cli {

CTerminalProgress::CTerminalProgress(std::FILE* stream)
    : m_stream(stream), m_bTerminal(::isatty(::fileno(stream)) == 1) {}

void CTerminalProgress::ShowProgress(const std::string& name, int percent) {
    if (!m_bTerminal) {
        return;
    }
    const std::string line = "Unpacking " + name + " " + std::to_string(percent) + "%";
    // Spaces over what a longer line before left.
    const std::size_t pad = m_nShown > line.size() ? m_nShown - line.size() : 0;
    std::fprintf(m_stream, "\r%s%*s", line.c_str(), static_cast<int>(pad), "");
    std::fflush(m_stream);
    m_nShown = line.size();
}

void CTerminalProgress::EndProgress() {
    if (m_bTerminal && m_nShown > 0) {
        std::fprintf(m_stream, "\r%*s\r", static_cast<int>(m_nShown), "");
        std::fflush(m_stream);
        m_nShown = 0;
    }
}

}  // namespace cli
