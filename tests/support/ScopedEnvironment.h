#pragma once

#include <cstdlib>
#include <string>

namespace quarvel::test {

// Sets an environment variable for one scope and puts the old value back.
class CScopedEnvironment {
  public:
    CScopedEnvironment(const char* name, const std::string& value) : m_szName(name) {
        if (const char* old = std::getenv(name)) {
            m_strOld = old;
            m_bHadValue = true;
        }
        Set(name, value.c_str());
    }
    ~CScopedEnvironment() { Set(m_szName, m_bHadValue ? m_strOld.c_str() : nullptr); }
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

  private:
    // value null: the variable is removed.
    static void Set(const char* name, const char* value) {
#ifdef _WIN32
        // Reaches the C library's copy and the process's own, which the
        // program reads with GetEnvironmentVariable.
        ::_putenv_s(name, value ? value : "");
#else
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
#endif
    }

    const char* m_szName;
    std::string m_strOld;
    bool m_bHadValue = false;
};

}  // namespace quarvel::test
