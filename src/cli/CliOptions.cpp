#include "CliOptions.h"

namespace cli {
namespace {

std::optional<EAnswerMode> ParseAnswer(const std::string& text) {
    if (text == "ask") {
        return EAnswerMode::Ask;
    }
    if (text == "yes") {
        return EAnswerMode::Yes;
    }
    if (text == "no") {
        return EAnswerMode::No;
    }
    if (text == "cancel") {
        return EAnswerMode::Cancel;
    }
    return std::nullopt;
}

}  // namespace

std::optional<SCliOptions> ParseCliOptions(const std::vector<std::string>& arguments,
                                           std::string& error) {
    SCliOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            options.m_paths.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            options.m_bHelp = true;
            continue;
        }
        if (argument == "--version") {
            options.m_bVersion = true;
            continue;
        }
        if (argument == "--list-mod-dirs") {
            options.m_bListModDirs = true;
            continue;
        }
        if (argument == "--dry-run" || argument == "--list-installs" || argument == "--json" ||
            argument == "--undo" || argument == "--no-record") {
            options.m_bDryRun |= argument == "--dry-run";
            options.m_bNoRecord |= argument == "--no-record";
            options.m_bListInstalls |= argument == "--list-installs";
            options.m_bJson |= argument == "--json";
            if (argument == "--undo") {
                options.m_strUndo = "";
            }
            continue;
        }
        // Options with a value, given as "--name VALUE" or "--name=VALUE".
        std::string name = argument;
        std::optional<std::string> value;
        if (const auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        if (name != "--mod-dir" && name != "--answer" && name != "--set-mod-dir" &&
            name != "--show-install" && name != "--undo" && name != "--check-map") {
            error = "unknown option " + argument;
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                error = name + " needs a value";
                return std::nullopt;
            }
            value = arguments[++i];
        }
        if (name == "--mod-dir") {
            options.m_strModDir = *value;
        } else if (name == "--show-install") {
            options.m_strShowInstall = *value;
        } else if (name == "--undo") {
            options.m_strUndo = *value;
        } else if (name == "--set-mod-dir") {
            options.m_strSetModDir = *value;
        } else if (name == "--check-map") {
            options.m_checkMaps.push_back(*value);
        } else if (const auto answer = ParseAnswer(*value)) {
            options.m_eAnswer = *answer;
        } else {
            error = "--answer takes ask, yes, no or cancel, not \"" + *value + "\"";
            return std::nullopt;
        }
    }
    // "--undo ID": the one word after it names the install.
    if (options.m_strUndo && options.m_strUndo->empty() && options.m_paths.size() == 1) {
        options.m_strUndo = options.m_paths.front();
        options.m_paths.clear();
    }
    const int modes = (options.m_bListModDirs ? 1 : 0) + (options.m_strSetModDir ? 1 : 0) +
                      (options.m_paths.empty() ? 0 : 1) + (options.m_bListInstalls ? 1 : 0) +
                      (options.m_strShowInstall ? 1 : 0) + (options.m_strUndo ? 1 : 0) +
                      (options.m_checkMaps.empty() ? 0 : 1);
    if (modes > 1) {
        error =
            "--list-mod-dirs, --set-mod-dir, --list-installs, --show-install, --undo, "
            "--check-map and PATHs go in separate runs";
        return std::nullopt;
    }
    if (options.m_bDryRun && options.m_paths.empty()) {
        error = "--dry-run needs PATHs to try";
        return std::nullopt;
    }
    if (options.m_bJson && options.m_checkMaps.empty() && !options.m_bListInstalls &&
        !options.m_strShowInstall) {
        error = "--json goes with --check-map, --list-installs or --show-install";
        return std::nullopt;
    }
    return options;
}

std::string UsageText() {
    return "Usage: quarvel-cli [--mod-dir DIR] [--answer ask|yes|no|cancel] [--dry-run] PATH...\n"
           "       quarvel-cli --list-mod-dirs\n"
           "       quarvel-cli [--json] --list-installs | --show-install ID\n"
           "       quarvel-cli [--mod-dir DIR] --undo [ID]\n"
           "       quarvel-cli [--answer ask|yes|no|cancel] --set-mod-dir DIR\n"
           "       quarvel-cli [--mod-dir DIR] [--json] --check-map NAME|PATH...\n"
           "Installs map packages (folders, zip, RAR, 7z or tar archives) into a Half-Life mod "
           "directory.\n"
           "\n"
           "  --mod-dir DIR      the mod directory to install into (for example .../cstrike);\n"
           "                     without it, the directory stored by Quarvel's configuration,\n"
           "                     which must be an absolute path with the game (hl.exe or\n"
           "                     hl_linux) beside it\n"
           "  --answer MODE      how questions are answered: ask (read a line from standard\n"
           "                     input: y, n or c; empty gives the default), or yes, no or\n"
           "                     cancel for every question\n"
           "  --list-mod-dirs    find the mod directories of the Steam installation and\n"
           "                     print them, newest first (exit 1 when none is found)\n"
           "  --set-mod-dir DIR  check DIR as the configuration dialog does and store it as\n"
           "                     the mod directory (exit 1 when declined)\n"
           "  --dry-run          run the drop, questions included, and print where every\n"
           "                     file would go, writing nothing into the mod directory\n"
           "  --no-record        keep no record of the drop: it cannot be undone\n"
           "  --list-installs    print the recorded drops, newest first\n"
           "  --show-install ID  print the files of one recorded drop\n"

           "  --undo [ID]        undo the last drop into the mod directory, or drop ID:\n"
           "                     remove what it added, put back what it replaced\n"
           "  --check-map MAP    check that an installed map has every file it needs where\n"
           "                     the game looks: MAP is a map name in the mod directory's\n"
           "                     maps folder, or the path of a .bsp file (checked against\n"
           "                     the mod directory it lies in, unless --mod-dir is given);\n"
           "                     may be given more than once\n"
           "  --json             with --check-map, --list-installs or --show-install:\n"
           "                     the result as JSON\n"
           "  --help             show this text\n"
           "  --version          show the version\n"
           "\n"
           "The PATHs are handled as one drop, in order. The install log goes to standard\n"
           "output, questions and messages to standard error.\n"
           "Exit status: 0 installed, 1 cancelled or everything of a path declined, 2 bad\n"
           "usage or no usable mod directory, 3 an error, or a path of which nothing could be\n"
           "installed (missing, skipped archive, nothing installable); 4 (--check-map) a\n"
           "map lacks a file or texture it needs, or cannot be read or found.\n";
}

}  // namespace cli
