#pragma once

#include <iosfwd>
#include <string>

#include "CliOptions.h"
#include "platform/MessageBoxHost.h"

namespace cli {

// Message boxes on the terminal: the caption on one line, then the text, on
// the error stream; questions are answered from the options or from input.
class CTerminalMessageBoxHost : public platform::CMessageBoxHost {
  public:
    CTerminalMessageBoxHost(EAnswerMode answerMode, std::istream& input, std::ostream& output,
                            std::string applicationName);

    int MessageBox(const std::string& text, const std::string& caption, unsigned type) override;

  private:
    int AskForAnswer(bool withCancel, int defaultAnswer);

    EAnswerMode m_eAnswerMode;
    std::istream& m_input;
    std::ostream& m_output;
    std::string m_strApplicationName;
};

}  // namespace cli
