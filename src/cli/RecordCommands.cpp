#include "RecordCommands.h"

#include <cstdio>
#include <iostream>

#include "CliApplication.h"
#include "install/InstallUndo.h"
#include "platform/FileSystem.h"
#include "platform/LineEnds.h"

namespace cli {
namespace {

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string JsonList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += (i ? ", " : "") + Json(items[i]);
    }
    return out + "]";
}

std::string Summary(const install::SInstallRecord& record, bool json) {
    const std::string kind =
        record.m_strKind == "undo" ? "undo of " + record.m_strUndoOf : record.m_strKind;
    const std::string state = !record.m_strUndoneBy.empty() ? "undone by " + record.m_strUndoneBy
                              : record.m_strEnd.empty()     ? "cut short"
                                                            : record.m_strEnd;
    if (json) {
        return "{\"id\": " + Json(record.m_strId) + ", \"date\": " + Json(record.m_strDate) +
               ", \"kind\": " + Json(record.m_strKind) +
               ", \"mod_dir\": " + Json(record.m_strModDir) +
               ", \"dropped\": " + JsonList(record.m_dropped) +
               ", \"new\": " + std::to_string(record.NewCount()) +
               ", \"replaced\": " + std::to_string(record.ReplacedCount()) +
               ", \"state\": " + Json(state) + "}";
    }
    std::string line = record.m_strId + "  " + record.m_strDate + "  " + kind + "  " +
                       record.m_strModDir + "  " + std::to_string(record.NewCount()) + " new, " +
                       std::to_string(record.ReplacedCount()) + " replaced, " + state;
    for (const std::string& dropped : record.m_dropped) {
        line += "\n    " + dropped;
    }
    return line;
}

install::CInstallUndo MakeUndo(platform::CFileOperations& fs) {
    return install::CInstallUndo(fs, platform::InstallRecordsFolder(), [](const std::string& text) {
        platform::CLineEndConverter lineEnds;
        std::cout << lineEnds.Convert(text) << std::flush;
    });
}

}  // namespace

int ListInstalls(const SCliOptions& options) {
    const auto fs = platform::MakeFileOperations();
    std::vector<std::string> damaged;
    const auto records = MakeUndo(*fs).ListRecords(&damaged);
    if (options.m_bJson) {
        std::cout << "[";
        for (std::size_t i = 0; i < records.size(); ++i) {
            std::cout << (i ? ",\n " : "") << Summary(records[i], true);
        }
        std::cout << "]\n";
    } else {
        for (const auto& record : records) {
            std::cout << Summary(record, false) << '\n';
        }
    }
    for (const std::string& why : damaged) {
        std::cerr << "quarvel-cli: " << why << '\n';
    }
    return kExitInstalled;
}

int ShowInstall(const SCliOptions& options) {
    const auto fs = platform::MakeFileOperations();
    std::string why;
    const auto record = MakeUndo(*fs).ReadRecord(*options.m_strShowInstall, why);
    if (!record) {
        std::cerr << "quarvel-cli: " << why << '\n';
        return kExitUsage;
    }
    if (options.m_bJson) {
        std::cout << "{\"install\": " << Summary(*record, true)
                  << ",\n \"folders\": " << JsonList(record->m_folders) << ",\n \"files\": [";
        for (std::size_t i = 0; i < record->m_files.size(); ++i) {
            const auto& file = record->m_files[i];
            std::cout << (i ? ",\n  " : "\n  ") << "{\"path\": " << Json(file.m_strPath)
                      << ", \"replaced\": " << (file.m_bReplaced ? "true" : "false")
                      << ", \"size\": " << file.m_nSize
                      << ", \"written\": " << (file.m_bWritten ? "true" : "false") << "}";
        }
        std::cout << "]}\n";
        return kExitInstalled;
    }
    std::cout << Summary(*record, false) << '\n';
    for (const std::string& folder : record->m_folders) {
        std::cout << "folder    " << folder << '\n';
    }
    for (const auto& file : record->m_files) {
        std::cout << (file.m_bReplaced ? "replaced  " : "new       ") << file.m_strPath
                  << (file.m_bWritten ? "" : "  (copy cut short)") << '\n';
    }
    return kExitInstalled;
}

int UndoInstall(const SCliOptions& options, const std::string& modDir) {
    const auto fs = platform::MakeFileOperations();
    install::CInstallUndo undo = MakeUndo(*fs);
    std::string why;
    const auto record = undo.RecordToUndo(*options.m_strUndo, modDir, why);
    if (!record) {
        std::cerr << "quarvel-cli: " << why << '\n';
        return kExitUsage;
    }
    install::CInstallUndo::SResult result;
    if (!undo.Undo(*record, result, why)) {
        std::cerr << "quarvel-cli: the undo could not start: " << why << '\n';
        return kExitWithErrors;
    }
    return result.m_nLeftAlone > 0 ? kExitWithErrors : kExitInstalled;
}

}  // namespace cli
