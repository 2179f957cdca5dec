#include "TerminalMessageBoxHost.h"

#include <cctype>
#include <istream>
#include <ostream>

namespace cli {
namespace {

const char* AnswerName(int answer) {
    switch (answer) {
        case platform::kIdYes:
            return "yes";
        case platform::kIdNo:
            return "no";
        case platform::kIdCancel:
            return "cancel";
        default:
            return "ok";
    }
}

}  // namespace

CTerminalMessageBoxHost::CTerminalMessageBoxHost(EAnswerMode answerMode, std::istream& input,
                                                 std::ostream& output, std::string applicationName)
    : m_eAnswerMode(answerMode),
      m_input(input),
      m_output(output),
      m_strApplicationName(std::move(applicationName)) {}

int CTerminalMessageBoxHost::MessageBox(const std::string& text, const std::string& caption,
                                        unsigned type) {
    m_output << (caption.empty() ? m_strApplicationName : caption) << '\n' << text;
    if (text.empty() || text.back() != '\n') {
        m_output << '\n';
    }
    const unsigned buttons = type & platform::kMbButtonMask;
    if (buttons != platform::kMbYesNoCancel && buttons != platform::kMbYesNo) {
        m_output.flush();
        return platform::kIdOk;
    }
    const bool withCancel = buttons == platform::kMbYesNoCancel;
    const bool secondIsDefault = (type & platform::kMbDefButtonMask) == platform::kMbDefButton2;
    const int defaultAnswer = secondIsDefault ? platform::kIdNo : platform::kIdYes;
    return AskForAnswer(withCancel, defaultAnswer);
}

int CTerminalMessageBoxHost::AskForAnswer(bool withCancel, int defaultAnswer) {
    const char* prompt = withCancel ? "[y]es/[n]o/[c]ancel" : "[y]es/[n]o";
    const char* defaultName = defaultAnswer == platform::kIdYes ? "yes" : "no";
    // A question without Cancel takes No wherever Cancel would be given.
    const int cancelAnswer = withCancel ? platform::kIdCancel : platform::kIdNo;

    if (m_eAnswerMode != EAnswerMode::Ask) {
        const int answer = m_eAnswerMode == EAnswerMode::Yes  ? platform::kIdYes
                           : m_eAnswerMode == EAnswerMode::No ? platform::kIdNo
                                                              : cancelAnswer;
        m_output << prompt << "? " << AnswerName(answer) << '\n';
        m_output.flush();
        return answer;
    }
    for (;;) {
        m_output << prompt << " (default " << defaultName << ")? ";
        m_output.flush();
        std::string line;
        if (!std::getline(m_input, line)) {
            m_output << AnswerName(cancelAnswer) << " (end of input)\n";
            m_output.flush();
            return cancelAnswer;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            return defaultAnswer;
        }
        switch (std::tolower(static_cast<unsigned char>(line[0]))) {
            case 'y':
                return platform::kIdYes;
            case 'n':
                return platform::kIdNo;
            case 'c':
                if (withCancel) {
                    return platform::kIdCancel;
                }
                break;
            default:
                break;
        }
    }
}

}  // namespace cli
