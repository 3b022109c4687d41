#include "report/report_file.h"

#include "db/os_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Output is gathered so that a million short lines do not cost a million system calls.
constexpr std::size_t kFlushThreshold = 64 * 1024;

}  // namespace

ReportFile::~ReportFile() {
    if (m_fd >= 0) {
        try {
            Flush();
        } catch (const ReportFileError&) {
            // The writer already reported the first failure; nothing more can be done here.
        }
        ::close(m_fd);
    }
}

int ReportFile::Open(const std::string& path, bool append) {
    m_path = path;
    // A FIFO opened for reading as well needs no reader: the rows would vanish or, once its
    // buffer is full, wait forever. Write-only and without waiting, no reader is an error.
    struct stat existing {};
    const bool fifo = ::stat(path.c_str(), &existing) == 0 && S_ISFIFO(existing.st_mode);
    int flags =
        (fifo ? O_WRONLY | O_NONBLOCK : O_RDWR) | O_CREAT | O_CLOEXEC | (append ? 0 : O_TRUNC);
    m_fd = ::open(path.c_str(), flags, 0666);
    if (m_fd < 0) {
        return errno;
    }
    if (fifo) {
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    }
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(m_fd);
        m_fd = -1;
        return error;
    }
    m_position = 0;
    if (append) {
        off_t end = ::lseek(m_fd, 0, SEEK_END);
        m_position = end < 0 ? 0 : end;
    }
    return 0;
}

void ReportFile::WriteText(std::string_view text) {
    const char* next = text.data();
    const char* const end = next + text.size();
    while (next != end) {
        const auto* feed = static_cast<const char*>(std::memchr(next, '\n', end - next));
        if (feed == nullptr) {
            m_pending.append(next, end);
            m_position += end - next;
            break;
        }
        m_pending.append(next, feed);
        m_pending += "\r\n";
        m_position += feed - next + 2;
        next = feed + 1;
    }
    if (m_pending.size() >= kFlushThreshold) {
        Flush();
    }
}

void ReportFile::Flush() {
    const querimo::WriteAllResult result = querimo::WriteAll(m_fd, m_pending);
    if (result.error != 0) {
        m_pending.erase(0, result.written);
        Fail("writing", result.error);
    }
    m_pending.clear();
}

int64_t ReportFile::Size() {
    Flush();
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
        Fail("reading", errno);
    }
    return info.st_size;
}

void ReportFile::Seek(int64_t offset) {
    Flush();
    if (::lseek(m_fd, offset, SEEK_SET) < 0) {
        Fail("seeking in", errno);
    }
    m_position = offset;
}

std::string ReportFile::Read(std::size_t count) {
    Flush();
    std::string bytes(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        ssize_t n = ::read(m_fd, bytes.data() + got, count - got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail("reading", errno);
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    m_position += static_cast<int64_t>(got);
    return bytes;
}

void ReportFile::Truncate(int64_t length) {
    Flush();
    if (::ftruncate(m_fd, length) != 0) {
        Fail("cutting", errno);
    }
}

void ReportFile::Close() {
    if (m_fd < 0) {
        return;
    }
    int fd = m_fd;
    try {
        Flush();
    } catch (const ReportFileError&) {
        m_fd = -1;
        ::close(fd);
        throw;
    }
    m_fd = -1;
    if (::close(fd) != 0) {
        Fail("closing", errno);
    }
}

void ReportFile::Fail(const char* action, int error) const {
    throw ReportFileError(std::string("An error occurred while ") + action + " " + m_path + ": " +
                              std::strerror(error),
                          error);
}
