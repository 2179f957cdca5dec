#pragma once

#include <string>

#include "platform/Exception.h"

namespace bsp {

// A map, WAD or pak file that cannot be read, with the cause in plain words
// ("damaged: the textures lump runs past the end of the file"); the caller
// names the file.
class CBspException : public platform::CException {
  public:
    explicit CBspException(std::string cause) : m_strCause(std::move(cause)) {}
    const char* what() const noexcept override { return m_strCause.c_str(); }

    std::string m_strCause;
};

}  // namespace bsp
