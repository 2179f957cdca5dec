#pragma once

#include <cstdio>
#include <string>

#include "platform/ProgressSink.h"

namespace cli {

// A one-line progress indicator on the error stream, rewritten in place, and
// only when that stream is a terminal: never into a pipe or a file.
class CTerminalProgress : public platform::CProgressSink {
  public:
    explicit CTerminalProgress(std::FILE* stream);
    // Whether the stream is a terminal, where the indicator is written.
    bool IsShown() const { return m_bTerminal; }
    void ShowProgress(const std::string& name, int percent) override;
    void EndProgress() override;

  private:
    std::FILE* m_stream;
    bool m_bTerminal;
    std::size_t m_nShown = 0;  // characters on the line now
};

}  // namespace cli
