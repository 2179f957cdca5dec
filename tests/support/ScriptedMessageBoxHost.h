#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/MessageBoxHost.h"

namespace quarvel::test {

struct CShownBox {
    std::string m_strText;
    std::string m_strCaption;
    unsigned m_nType = 0;
};

// Answers message boxes from a script, in order, and records every box shown.
// A box with no scripted answer left fails the test and answers IDOK or the
// box's cancel result.
class CScriptedMessageBoxHost : public platform::CMessageBoxHost {
  public:
    void Answer(int result) { m_answers.push_back(result); }
    int MessageBox(const std::string& text, const std::string& caption, unsigned type) override;

    const std::vector<CShownBox>& Shown() const { return m_shown; }
    std::vector<std::string> Texts() const;
    std::size_t UnusedAnswers() const { return m_answers.size(); }

  private:
    std::deque<int> m_answers;
    std::vector<CShownBox> m_shown;
};

}  // namespace quarvel::test
