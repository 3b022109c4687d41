#include "app/file_write.h"

#include "db/os_io.h"
#include "report/output_file.h"

#include <fcntl.h>

#include <cerrno>

namespace querimo {

namespace {

FileWriteResult Failed(FileWriteResult::Step step, int error) {
    return {error == 0 ? FileWriteResult::Step::None : step, error};
}

// A device or FIFO cannot be replaced; it is written as it stands, and so is a file whose folder
// takes no new file.
FileWriteResult WriteInPlace(const std::string& path, const std::string& bytes) {
    // Non-blocking, so that a FIFO without a reader fails at once instead of hanging.
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC));
    if (!file.IsOpen()) {
        return Failed(FileWriteResult::Step::Open, errno);
    }
    ::fcntl(file.Get(), F_SETFL, ::fcntl(file.Get(), F_GETFL) & ~O_NONBLOCK);
    if (int error = WriteAll(file.Get(), bytes).error; error != 0) {
        return Failed(FileWriteResult::Step::Write, error);
    }
    return Failed(FileWriteResult::Step::Write, file.Close());
}

}  // namespace

FileWriteResult WriteWholeFile(const std::string& path, const std::string& bytes) {
    OutputTarget target;
    if (int error = FindOutputTarget(path, target); error != 0) {
        return Failed(FileWriteResult::Step::Open, error);
    }
    if (target.kind == OutputTarget::Kind::Stream) {
        return WriteInPlace(path, bytes);
    }
    StagedFile staged;
    int error = staged.Create(target);
    if ((error == EACCES || error == EPERM) && target.kind == OutputTarget::Kind::Regular) {
        return WriteInPlace(path, bytes);
    }
    if (error != 0) {
        return Failed(FileWriteResult::Step::Open, error);
    }
    if ((error = WriteAll(staged.Fd(), bytes).error) != 0) {
        return Failed(FileWriteResult::Step::Write, error);
    }
    return Failed(FileWriteResult::Step::Write, staged.ReplaceTarget());
}

}  // namespace querimo
