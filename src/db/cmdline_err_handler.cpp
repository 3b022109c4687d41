#include "db/cmdline_err_handler.h"

#include "db/notice.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kMaxFailureText = 256;

// What the log could not take goes with the reason, so that neither is lost.
std::string FileFailure(const char* action, const std::string& path, int error,
                        const std::string& line) {
    std::string text =
        std::string("Could not ") + action + " log file " + path + ": " + std::strerror(error);
    if (text.size() > kMaxFailureText) {
        text.resize(kMaxFailureText);
    }
    return text + " -- " + line;
}

// One entry, one line: a driver's message may hold line breaks of its own.
std::string OneLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            line += ' ';
            i += text.compare(i, 2, "\r\n") == 0 ? 1 : 0;
        } else {
            line += text[i];
        }
    }
    return line;
}

// Without waiting, so that a FIFO nobody reads fails at once instead of hanging the run.
std::FILE* OpenLog(const std::string& path, bool accumulates) {
    int fd = ::open(
        path.c_str(),
        O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | (accumulates ? O_APPEND : O_TRUNC), 0666);
    if (fd < 0) {
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, accumulates ? "a" : "w");
    if (file == nullptr) {
        int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

}  // namespace

std::string FormatLogTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof(text), "%m/%d/%y %H:%M:%S", &local);
    return text;
}

bool LogPathAccumulates(const std::string& path) {
    return path.find(".log", 1) != std::string::npos;
}

void CCmdLineErrHandler::HandleError(ODBCError* error) {
    if (error != nullptr) {
        WriteLog(error->GetText());
    }
}

bool CCmdLineErrHandler::WriteLog(const std::string& text) {
    if (m_holding) {
        m_held.emplace_back(std::time(nullptr), text);
        return true;
    }
    return WriteLine(text, std::time(nullptr));
}

void CCmdLineErrHandler::HoldEntries() {
    m_holding = true;
}

void CCmdLineErrHandler::ReleaseEntries(bool intoLog) {
    m_holding = false;
    std::vector<std::pair<std::time_t, std::string>> held;
    held.swap(m_held);
    for (const auto& [when, text] : held) {
        if (intoLog) {
            WriteLine(text, when);
        } else {
            ShowNotice("Querimo", FormatLogTime(when) + " -- " + OneLine(text),
                       NoticeIcon::Exclamation);
        }
    }
}

bool CCmdLineErrHandler::WriteLine(const std::string& text, std::time_t when) {
    std::string line = FormatLogTime(when) + " -- " + OneLine(text);
    // Only the first entry of a run may empty a file that keeps no history.
    std::FILE* file =
        OpenLog(m_logFile, m_started || m_keepExisting || LogPathAccumulates(m_logFile));
    if (file == nullptr) {
        ShowNotice("Querimo", FileFailure("open", m_logFile, errno, line), NoticeIcon::Stop);
        return false;
    }
    line += "\n";
    bool written = std::fseek(file, 0, SEEK_END) == 0 &&
                   std::fwrite(line.data(), 1, line.size(), file) == line.size();
    int writeError = errno;
    bool closed = std::fclose(file) == 0;
    m_started = true;
    if (!written || !closed) {
        line.pop_back();
        ShowNotice("Querimo", FileFailure("write", m_logFile, written ? errno : writeError, line),
                   NoticeIcon::Stop);
        return false;
    }
    return true;
}
