#include "ScriptedMessageBoxHost.h"

#include <gtest/gtest.h>

namespace quarvel::test {

int CScriptedMessageBoxHost::MessageBox(const std::string& text, const std::string& caption,
                                        unsigned type) {
    m_shown.push_back({text, caption, type});
    if ((type & platform::kMbButtonMask) == platform::kMbOk) {
        return platform::kIdOk;
    }
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << caption << ": " << text;
        return platform::kIdCancel;
    }
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::vector<std::string> CScriptedMessageBoxHost::Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : m_shown) {
        texts.push_back(box.m_strText);
    }
    return texts;
}

}  // namespace quarvel::test
