#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class EAnswerMode { Ask, Yes, No, Cancel };

struct SCliOptions {
    bool m_bHelp = false;
    bool m_bVersion = false;
    bool m_bListModDirs = false;
    std::optional<std::string> m_strSetModDir;
    std::optional<std::string> m_strModDir;
    EAnswerMode m_eAnswer = EAnswerMode::Ask;
    bool m_bDryRun = false;
    bool m_bNoRecord = false;
    bool m_bListInstalls = false;
    std::optional<std::string> m_strShowInstall;
    std::optional<std::string> m_strUndo;  // empty: the last install
    bool m_bJson = false;
    std::vector<std::string> m_paths;
    std::vector<std::string> m_checkMaps;
};

// Parses the command line (without the program name). Returns nothing and sets
// the error text when the arguments are not understood.
std::optional<SCliOptions> ParseCliOptions(const std::vector<std::string>& arguments,
                                           std::string& error);

std::string UsageText();

}  // namespace cli
