#pragma once
// The few system calls every file of the program goes through, and the system's error texts.

#include <cstddef>
#include <string>

namespace querimo {

// Writes every byte, going on after interrupted or partial writes; 0 or the error number.
int WriteAll(int fd, const char* data, std::size_t size);

// The system's text for an error number, or "(OS error no N)" when it has none.
std::string OsErrorText(int error);

// A file descriptor closed by its owner.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    int Release();
    // 0, or the error number of the close (a network file system may report a full disk only here).
    int Close();

  private:
    int m_fd;
};

}  // namespace querimo
