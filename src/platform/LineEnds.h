#pragma once

#include <string>
#include <string_view>

namespace platform {

// Turns the install log's "\r\n" line ends into "\n" piece by piece, as the
// log arrives: a '\r' ending one piece may be the first half of a pair.
class CLineEndConverter {
  public:
    std::string Convert(std::string_view piece) {
        std::string text;
        text.reserve(piece.size() + 1);
        for (const char c : piece) {
            if (m_bPendingReturn && c != '\n') {
                text += '\r';
            }
            m_bPendingReturn = c == '\r';
            if (!m_bPendingReturn) {
                text += c;
            }
        }
        return text;
    }

  private:
    bool m_bPendingReturn = false;
};

}  // namespace platform
