#pragma once

#include <map>
#include <string>
#include <vector>

#include "zip/ZipReader.h"

namespace quarvel::test {

// Runs a shell command; returns its exit status.
int RunCommand(const std::string& command);
// Runs a shell command and returns what it printed; the test fails when it fails.
std::string CaptureCommand(const std::string& command);
// Runs the fixture script with its arguments and returns what it printed.
std::string RunFixtureScript(const std::string& arguments);
// Quotes a word for the shell.
std::string ShellQuote(const std::string& text);
bool HasTool(const std::string& name);

// Builds the archive of one kind with the fixture script (Python's zipfile,
// Info-ZIP zip and byte edits); good kinds also get path + ".expected/".
void MakeFixture(const std::string& kind, const std::string& path);

// Extracts every entry below folder; the result of each, in index order.
std::vector<bool> ExtractAll(zip::CZipReader& reader, const std::string& folder);

// The names of all entries, as GetFileName gives them.
std::vector<std::string> EntryNames(const zip::CZipReader& reader);

// Permission bits of a path (links not followed), or -1.
int ModeOf(const std::string& path);
bool IsSymlink(const std::string& path);
long long ModificationTime(const std::string& path);

// The access mode (O_RDONLY, O_RDWR) of this process's open file for path, or -1.
int OpenAccessMode(const std::string& path);

}  // namespace quarvel::test
