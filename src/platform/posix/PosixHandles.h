#pragma once

#include <dirent.h>
#include <unistd.h>

#include <utility>

namespace platform::posix {

// Closes a folder stream when it goes.
struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Owns a file descriptor and closes it when it goes.
class CFd {
  public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }

  private:
    int m_fd;
};

}  // namespace platform::posix
