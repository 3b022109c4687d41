#include "db/os_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace querimo {

int WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t written = ::write(fd, data + done, size - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

std::string OsErrorText(int error) {
    const char* description = strerrordesc_np(error);
    if (description == nullptr) {
        return "(OS error no " + std::to_string(error) + ")";
    }
    return description;
}

FileDescriptor::~FileDescriptor() {
    Close();
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.Release();
    }
    return *this;
}

int FileDescriptor::Release() {
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

int FileDescriptor::Close() {
    if (m_fd < 0) {
        return 0;
    }
    return ::close(Release()) == 0 ? 0 : errno;
}

}  // namespace querimo
