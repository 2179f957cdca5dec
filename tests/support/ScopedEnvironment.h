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
        ::setenv(name, value.c_str(), 1);
    }
    ~CScopedEnvironment() {
        if (m_bHadValue) {
            ::setenv(m_szName, m_strOld.c_str(), 1);
        } else {
            ::unsetenv(m_szName);
        }
    }
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

  private:
    const char* m_szName;
    std::string m_strOld;
    bool m_bHadValue = false;
};

}  // namespace quarvel::test
