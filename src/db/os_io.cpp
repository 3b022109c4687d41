#include "db/os_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace querimo {

WriteAllResult WriteAll(int fd, std::string_view bytes) {
    WriteAllResult result;
    while (result.written < bytes.size()) {
        const ssize_t got =
            ::write(fd, bytes.data() + result.written, bytes.size() - result.written);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.error = errno;
            return result;
        }
        result.written += static_cast<std::size_t>(got);
    }
    return result;
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
