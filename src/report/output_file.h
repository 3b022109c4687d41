#pragma once
// Where an output path really leads, and the means by which an output file changes only as a
// whole: a new version is written beside the old one and takes its place once complete, and a
// run holds the file for itself while it works.

#include "db/os_io.h"

#include <sys/stat.h>

#include <string>

namespace querimo {

struct OutputTarget {
    enum class Kind {
        New,      // nothing there yet; the folder exists
        Regular,  // a file that a complete new version replaces
        Stream,   // a FIFO or device: written directly, as it cannot be replaced
    };
    Kind kind = Kind::New;
    // The file finally named once symbolic links are followed; for a stream the path as given.
    std::string path;
    // Of a regular file.
    struct stat info {};
};

// 0, or the error number that rules the path out (a folder, a missing folder, a loop of links).
int FindOutputTarget(const std::string& path, OutputTarget& target);

// True when both paths name one regular file.
bool SameRegularFile(const std::string& first, const std::string& second);

// A new file in the target's folder that becomes the target only when it is complete; dropped
// when its owner ends without placing it.
class StagedFile {
  public:
    StagedFile() = default;
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // 0 or the error number. Files left beside the target by runs that died go first.
    int Create(const OutputTarget& target);
    int Fd() const { return m_fd.Get(); }
    // Takes the old file's permissions, reaches the disk and is renamed over the target.
    int ReplaceTarget();
    // Adds the whole content at the end of the target, or takes its place when there is none;
    // a failure leaves the target as it was.
    int AppendToTarget();

  private:
    int Place();

    OutputTarget m_target;
    std::string m_path;
    FileDescriptor m_fd;
};

// Removes the files staged beside target by runs that ended before placing them. A file still
// being written is locked by its writer and stays.
void RemoveStrayStagedFiles(const std::string& target);

// An exclusive lock on an output file for the length of a run: a second run waits for the first.
// Only regular files are locked; create makes a missing file so that there is one to lock.
class OutputLock {
  public:
    void Acquire(const std::string& path, bool create);

  private:
    FileDescriptor m_fd;
};

}  // namespace querimo
