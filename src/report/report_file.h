#pragma once
// The output file of a report: every line feed is stored as carriage return plus line feed, and
// every failure (open, write, seek, read, truncate, close) is an exception the writer catches.

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
    // Closes quietly; a writer that wants to know closes with Close().
    ~ReportFile();

    // Opens for reading and writing, creating the file; emptied unless append, which moves to
    // the end. Returns the error number, 0 on success.
    int Open(const std::string& path, bool append);
    bool IsOpen() const { return m_fd >= 0; }

    // Writes text with every "\n" stored as "\r\n".
    void WriteText(std::string_view text);
    // Bytes from the start of the file to the current position, pending output included.
    int64_t Position() const { return m_position; }
    int64_t Size();
    void Seek(int64_t offset);
    std::string Read(std::size_t count);
    void Truncate(int64_t length);
    void Close();

  private:
    void Flush();
    [[noreturn]] void Fail(const char* action, int error) const;

    std::string m_path;
    int m_fd = -1;
    int64_t m_position = 0;
    std::string m_pending;
};
