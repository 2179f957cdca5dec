#pragma once

#include <cstdint>

namespace install {

// Method 99 marks an entry encrypted with AES, whatever compresses it inside.
constexpr std::uint16_t kMethodAesEncrypted = 99;

// Whether the zip reader can unpack entries of a compression method.
bool IsMethodSupported(std::uint16_t method);

// The common name of a zip compression method, for a log line.
const char* MethodName(std::uint16_t method);

}  // namespace install
