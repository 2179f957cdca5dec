#include "InstallRecord.h"

#include <sstream>
#include <stdexcept>

#include "InstallPaths.h"

namespace install {
namespace {

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\t') {
            fields.emplace_back();
        } else if (line[i] == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            fields.back() += line[i];
        }
    }
    return fields;
}

// The last file entry for a path that is still under way.
SInstallRecord::SFile* OpenEntry(SInstallRecord& record, const std::string& path) {
    for (auto file = record.m_files.rbegin(); file != record.m_files.rend(); ++file) {
        if (file->m_strPath == path) {
            return file->m_bWritten ? nullptr : &*file;
        }
    }
    return nullptr;
}

}  // namespace

std::size_t SInstallRecord::NewCount() const {
    std::size_t count = 0;
    for (const SFile& file : m_files) {
        count += file.m_bReplaced ? 0 : 1;
    }
    return count;
}

std::size_t SInstallRecord::ReplacedCount() const {
    return m_files.size() - NewCount();
}

std::string RecordLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            line += '\t';
        }
        line += Escape(fields[i]);
    }
    return line + "\n";
}

std::optional<SInstallRecord> ParseInstallRecord(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kRecordFirstLine) {
        return std::nullopt;
    }
    SInstallRecord record;
    while (std::getline(in, line)) {
        const std::vector<std::string> fields = SplitFields(line);
        const std::string& what = fields[0];
        const std::string value = fields.size() > 1 ? fields[1] : std::string();
        if (what == "id") {
            record.m_strId = value;
        } else if (what == "date") {
            record.m_strDate = value;
        } else if (what == "kind") {
            record.m_strKind = value;
        } else if (what == "mod") {
            record.m_strModDir = value;
        } else if (what == "dropped") {
            record.m_dropped.push_back(value);
        } else if (what == "folder") {
            record.m_folders.push_back(value);
        } else if (what == "new" && fields.size() == 2) {
            record.m_files.push_back({value, false, {}, false, false, 0, 0});
        } else if (what == "replace" && fields.size() == 4) {
            record.m_files.push_back({value, true, fields[2], fields[3] == "1", false, 0, 0});
        } else if (what == "wrote" && fields.size() == 4) {
            SInstallRecord::SFile* file = OpenEntry(record, value);
            try {
                if (file) {
                    file->m_nSize = std::stoull(fields[2]);
                    file->m_nCrc = static_cast<std::uint32_t>(std::stoul(fields[3], nullptr, 16));
                    file->m_bWritten = true;
                }
            } catch (const std::logic_error&) {
                // A damaged line: the copy counts as under way, which undo handles.
            }
        } else if (what == "end") {
            record.m_strEnd = value;
        } else if (what == "undo-of") {
            record.m_strUndoOf = value;
        } else if (what == "undone-by") {
            record.m_strUndoneBy = value;
        }
        // Other lines, of a later version, are passed over.
    }
    if (record.m_strId.empty()) {
        return std::nullopt;
    }
    return record;
}

std::string RecordFilePath(const std::string& recordsFolder, const std::string& id) {
    return JoinPath(JoinPath(recordsFolder, id), "record");
}

std::string BackupFolderPath(const std::string& recordsFolder, const std::string& id) {
    return JoinPath(JoinPath(recordsFolder, id), "backup");
}

}  // namespace install
