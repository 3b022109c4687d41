#include "report/report_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Output is gathered so that a million short lines do not cost a million system calls.
constexpr std::size_t kFlushThreshold = 64 * 1024;
// A staged file's pages go to the disk in steps of this many bytes while the report runs, so
// that the wait for the disk before it takes its place is short.
constexpr int64_t kWritebackBytes = int64_t{8} << 20;

}  // namespace

ReportFile::~ReportFile() {
    if (m_direct.IsOpen()) {
        try {
            Flush();
        } catch (const ReportFileError&) {
            // The writer already reported the first failure; nothing more can be done here.
        }
    }
}

int ReportFile::Open(const std::string& path, bool append) {
    m_path = path;
    m_append = append;
    if (int error = querimo::FindOutputTarget(path, m_target); error != 0) {
        return error;
    }
    if (m_target.kind == querimo::OutputTarget::Kind::Stream) {
        return OpenDirect(append);
    }
    int error = m_staged.Create(m_target);
    if ((error == EACCES || error == EPERM) &&
        m_target.kind == querimo::OutputTarget::Kind::Regular) {
        // The folder takes no new file, but the file itself may still be written.
        return OpenDirect(append);
    }
    if (error != 0) {
        return error;
    }
    m_fd = m_staged.Fd();
    if (append) {
        m_previousSize = m_target.info.st_size;
        m_position = m_previousSize;
    }
    return 0;
}

int ReportFile::OpenDirect(bool append) {
    const bool fifo = S_ISFIFO(m_target.info.st_mode);
    const bool stream = m_target.kind == querimo::OutputTarget::Kind::Stream;
    // A FIFO without a reader would swallow the rows or, once full, wait forever: without
    // waiting, no reader is an error.
    int flags = (stream ? O_WRONLY : O_RDWR) | (fifo ? O_NONBLOCK : 0) | O_CREAT | O_CLOEXEC |
                (append ? 0 : O_TRUNC);
    m_direct = querimo::FileDescriptor(::open(m_path.c_str(), flags, 0666));
    if (!m_direct.IsOpen()) {
        return errno;
    }
    m_fd = m_direct.Get();
    if (fifo) {
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    }
    if (append && !stream) {
        off_t end = ::lseek(m_fd, 0, SEEK_END);
        m_previousSize = end < 0 ? 0 : end;
        m_position = m_previousSize;
    }
    return 0;
}

void ReportFile::WriteText(std::string_view text) {
    // In pieces, so that the room made for line ends stays small whatever the text.
    for (std::size_t at = 0; at < text.size(); at += kFlushThreshold) {
        AppendWithLineEnds(text.substr(at, kFlushThreshold));
        if (m_pending.size() >= kFlushThreshold) {
            Flush();
        }
    }
}

void ReportFile::WriteLine(std::string_view line) {
    if (line.size() > kFlushThreshold || std::memchr(line.data(), '\n', line.size()) != nullptr) {
        WriteText(line);
        WriteText("\n");
        return;
    }
    m_pending.append(line).append("\r\n", 2);
    m_position += static_cast<int64_t>(line.size()) + 2;
    if (m_pending.size() >= kFlushThreshold) {
        Flush();
    }
}

void ReportFile::AppendWithLineEnds(std::string_view piece) {
    const std::size_t start = m_pending.size();
    // Room for a piece of nothing but line feeds; what is not used is cut off after.
    m_pending.resize(start + 2 * piece.size());
    char* const first = m_pending.data() + start;
    char* out = first;
    const char* next = piece.data();
    const char* const end = next + piece.size();
    while (next != end) {
        const auto* feed = static_cast<const char*>(std::memchr(next, '\n', end - next));
        const char* const stop = feed != nullptr ? feed : end;
        out = std::copy(next, stop, out);
        if (stop == end) {
            break;
        }
        *out++ = '\r';
        *out++ = '\n';
        next = stop + 1;
    }
    m_position += out - first;
    m_pending.resize(start + static_cast<std::size_t>(out - first));
}

void ReportFile::Flush() {
    int error = querimo::WriteAll(m_fd, m_pending).error;
    m_written += static_cast<int64_t>(m_pending.size());
    m_pending.clear();
    if (error != 0) {
        Fail("writing", error);
    }
    if (!m_direct.IsOpen() && m_written - m_writebackFrom >= kWritebackBytes) {
        // Only a start: a failure shows again, and is reported, when the file is synced.
        ::sync_file_range(m_fd, m_writebackFrom, m_written - m_writebackFrom,
                          SYNC_FILE_RANGE_WRITE);
        m_writebackFrom = m_written;
    }
}

std::string ReportFile::ReadPrevious(int64_t offset, std::size_t count) {
    if (!m_direct.IsOpen() && !m_previous.IsOpen()) {
        m_previous = querimo::FileDescriptor(::open(m_target.path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!m_previous.IsOpen()) {
            Fail("reading", errno);
        }
    }
    const int fd = m_direct.IsOpen() ? m_fd : m_previous.Get();
    std::string bytes(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        ssize_t n = ::pread(fd, bytes.data() + got, count - got, offset + got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            Fail("reading", errno);
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

void ReportFile::KeepPrevious(int64_t keptLength, int64_t resumeAt) {
    m_resumed = ReadPrevious(resumeAt, static_cast<std::size_t>(m_previousSize - resumeAt));
    m_keptPrevious = true;
    m_position = keptLength;
    if (m_direct.IsOpen()) {
        Flush();
        if (::ftruncate(m_fd, keptLength) != 0 || ::lseek(m_fd, keptLength, SEEK_SET) < 0) {
            Fail("cutting", errno);
        }
        return;
    }
    // The staged file starts with the kept bytes, copied as they are.
    for (int64_t copied = 0; copied < keptLength;) {
        std::string kept = ReadPrevious(copied, static_cast<std::size_t>(std::min<int64_t>(
                                                    kFlushThreshold, keptLength - copied)));
        if (kept.empty()) {
            Fail("reading", EIO);
        }
        if (int error = querimo::WriteAll(m_fd, kept).error; error != 0) {
            Fail("writing", error);
        }
        copied += static_cast<int64_t>(kept.size());
        m_written += static_cast<int64_t>(kept.size());
    }
}

void ReportFile::Close() {
    if (m_fd < 0) {
        return;
    }
    m_pending += m_resumed;
    Flush();
    m_fd = -1;
    const char* action = m_direct.IsOpen() ? "closing" : "writing";
    if (int error = Commit(); error != 0) {
        Fail(action, error);
    }
}

int ReportFile::Commit() {
    if (m_direct.IsOpen()) {
        return m_direct.Close();
    }
    // An appended page was rebuilt whole; appended rows are added to the file as they stand.
    return m_append && !m_keptPrevious ? m_staged.AppendToTarget() : m_staged.ReplaceTarget();
}

void ReportFile::Fail(const char* action, int error) const {
    throw ReportFileError(std::string("An error occurred while ") + action + " " + m_path + ": " +
                              std::strerror(error),
                          error);
}
