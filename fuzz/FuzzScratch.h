#pragma once

#include <string>

namespace fuzz {

// A private folder for one fuzz target's files, in memory (/dev/shm) where the
// system has it, removed with everything in it when the program exits.
const std::string& ScratchFolder(const char* target);

// Stops the run with a message when a check fails: libFuzzer keeps the input.
void Require(bool condition, const char* target, const char* what);

}  // namespace fuzz
