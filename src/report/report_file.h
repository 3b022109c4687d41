#pragma once
// The output file of a report: every line feed is stored as carriage return plus line feed, and
// every failure (open, write, read, close) is an exception the writer catches. A regular file
// changes only when the writer closes it: the new content is staged beside it until then, so a
// report that fails or is killed leaves the file as it was.

#include "db/os_io.h"
#include "report/output_file.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

class ReportFileError : public std::runtime_error {
  public:
    ReportFileError(const std::string& message, int error)
        : std::runtime_error(message), m_error(error) {}
    int Error() const { return m_error; }

  private:
    int m_error;
};

class ReportFile {
  public:
    ReportFile() = default;
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;
    // Drops what was not closed: the file keeps what it held before.
    ~ReportFile();

    // A new report replaces the file; an appended one goes after what the file holds. Returns
    // the error number, 0 on success.
    int Open(const std::string& path, bool append);
    bool IsOpen() const { return m_fd >= 0; }

    // Writes text with every "\n" stored as "\r\n".
    void WriteText(std::string_view text);
    // Writes line and a line end: the same as WriteText of line and "\n", quicker for a line
    // without line feeds.
    void WriteLine(std::string_view line);
    // Bytes from the start of the file to the current position, pending output included.
    int64_t Position() const { return m_position; }

    // For a page extended inside: what the file held before this report (nothing that can be
    // read for a device), and the report's content put between its first keptLength bytes and
    // the bytes from resumeAt to its end.
    int64_t PreviousSize() const { return m_previousSize; }
    std::string ReadPrevious(int64_t offset, std::size_t count);
    void KeepPrevious(int64_t keptLength, int64_t resumeAt);

    // Puts the content in place.
    void Close();

  private:
    int OpenDirect(bool append);
    int Commit();
    void Flush();
    // Adds piece to the pending output with every "\n" as "\r\n".
    void AppendWithLineEnds(std::string_view piece);
    [[noreturn]] void Fail(const char* action, int error) const;

    std::string m_path;
    querimo::OutputTarget m_target;
    bool m_append = false;
    bool m_keptPrevious = false;
    // A stream, or a file in a folder that takes no new file, is written in place.
    querimo::FileDescriptor m_direct;
    querimo::StagedFile m_staged;
    querimo::FileDescriptor m_previous;
    int m_fd = -1;
    int64_t m_position = 0;
    int64_t m_previousSize = 0;
    // Bytes written to m_fd, and where the pages not yet sent to the disk start.
    int64_t m_written = 0;
    int64_t m_writebackFrom = 0;
    std::string m_pending;
    std::string m_resumed;
};
