#pragma once

#include "Win32Api.h"

#include <utility>

namespace platform::win32 {

// Owns a kernel handle and closes it when it goes.
class CHandle {
  public:
    CHandle() = default;
    explicit CHandle(HANDLE handle) : m_handle(handle) {}
    ~CHandle() { Reset(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    CHandle(CHandle&& other) noexcept : m_handle(other.Release()) {}
    CHandle& operator=(CHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Release() { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (IsValid()) {
            ::CloseHandle(m_handle);
        }
        m_handle = handle;
    }

  private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// Ends a folder search when it goes.
class CFindHandle {
  public:
    explicit CFindHandle(HANDLE handle) : m_handle(handle) {}
    ~CFindHandle() {
        if (m_handle != INVALID_HANDLE_VALUE) {
            ::FindClose(m_handle);
        }
    }
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;
    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE; }

  private:
    HANDLE m_handle;
};

}  // namespace platform::win32
