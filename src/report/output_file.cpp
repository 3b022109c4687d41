#include "report/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <memory>

namespace querimo {

namespace {

// Linux follows at most this many links in one path.
constexpr int kMaxLinkHops = 40;
// A staged name must stay within the 255 bytes a name may have.
constexpr std::size_t kMaxNameInStagedName = 200;

std::string FolderOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string StagedPrefix(const std::string& target) {
    return "." + NameOf(target).substr(0, kMaxNameInStagedName) + ".querimo-";
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The path that the last link of a chain names, even when that file does not exist (yet).
int FollowLinks(const std::string& path, std::string& followed) {
    followed = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        char link[PATH_MAX];
        ssize_t length = ::readlink(followed.c_str(), link, sizeof(link));
        if (length < 0) {
            // Not a link, or not there: what is wrong with the path shows when it is used.
            return 0;
        }
        std::string next(link, static_cast<std::size_t>(length));
        followed = next[0] == '/' ? next : FolderOf(followed) + "/" + next;
    }
    return ELOOP;
}

int LockWaiting(int fd) {
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

}  // namespace

int FindOutputTarget(const std::string& path, OutputTarget& target) {
    target = OutputTarget{};
    std::string followed;
    if (int error = FollowLinks(path, followed); error != 0) {
        return error;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return EISDIR;
        }
        // A file reached through a link that names no file of its own, such as a descriptor of
        // /proc, cannot be replaced by name; it is written directly like a device.
        struct stat named {};
        bool replaceable =
            S_ISREG(info.st_mode) && ::stat(followed.c_str(), &named) == 0 && SameFile(info, named);
        // Renaming over a file needs no right to write it, so that right is asked for here.
        if (replaceable && ::faccessat(AT_FDCWD, followed.c_str(), W_OK, AT_EACCESS) != 0) {
            return errno;
        }
        target.kind = replaceable ? OutputTarget::Kind::Regular : OutputTarget::Kind::Stream;
        target.path = replaceable ? followed : path;
        target.info = info;
        return 0;
    }
    if (errno != ENOENT) {
        return errno;
    }
    struct stat folder {};
    if (::stat(FolderOf(followed).c_str(), &folder) != 0) {
        return errno;
    }
    if (!S_ISDIR(folder.st_mode)) {
        return ENOTDIR;
    }
    target.kind = OutputTarget::Kind::New;
    target.path = followed;
    return 0;
}

bool SameRegularFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
           S_ISREG(a.st_mode) && SameFile(a, b);
}

StagedFile::~StagedFile() {
    if (!m_path.empty()) {
        ::unlink(m_path.c_str());
    }
}

int StagedFile::Create(const OutputTarget& target) {
    RemoveStrayStagedFiles(target.path);
    m_target = target;
    static std::atomic<unsigned> counter{0};
    const std::string base =
        FolderOf(target.path) + "/" + StagedPrefix(target.path) + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = base + std::to_string(counter++);
        FileDescriptor fd(::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.IsOpen()) {
            if (errno == EEXIST) {
                continue;
            }
            return errno;
        }
        if (int error = LockWaiting(fd.Get()); error != 0) {
            ::unlink(name.c_str());
            return error;
        }
        // Another run may have taken it for a stray before the lock was in place.
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd.Get(), &opened) == 0 && ::lstat(name.c_str(), &named) == 0 &&
            SameFile(opened, named)) {
            m_path = std::move(name);
            m_fd = std::move(fd);
            return 0;
        }
    }
    return EEXIST;
}

int StagedFile::ReplaceTarget() {
    if (m_target.kind == OutputTarget::Kind::Regular) {
        const struct stat& old = m_target.info;
        if (::fchmod(m_fd.Get(), old.st_mode & 07777) != 0) {
            return errno;
        }
        // Only root can give a file away; anyone else keeps the file as theirs.
        if (::fchown(m_fd.Get(), old.st_uid, old.st_gid) != 0) {
            errno = 0;
        }
    }
    return Place();
}

int StagedFile::Place() {
    if (::fsync(m_fd.Get()) != 0 || ::rename(m_path.c_str(), m_target.path.c_str()) != 0) {
        return errno;
    }
    m_path.clear();
    return m_fd.Close();
}

int StagedFile::AppendToTarget() {
    if (m_target.kind != OutputTarget::Kind::Regular) {
        return Place();
    }
    FileDescriptor out(::open(m_target.path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    struct stat before {};
    if (!out.IsOpen() || ::fstat(out.Get(), &before) != 0 ||
        ::lseek(m_fd.Get(), 0, SEEK_SET) != 0) {
        return errno;
    }
    int error = 0;
    char chunk[65536];
    for (;;) {
        ssize_t got = ::read(m_fd.Get(), chunk, sizeof(chunk));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        const std::string_view bytes(chunk, static_cast<std::size_t>(got));
        if ((error = WriteAll(out.Get(), bytes).error) != 0) {
            break;
        }
    }
    if (error == 0 && ::fsync(out.Get()) != 0) {
        error = errno;
    }
    if (error != 0) {
        // What was there before stays exactly; only this run's part goes.
        if (::ftruncate(out.Get(), before.st_size) != 0) {
            errno = 0;
        }
        return error;
    }
    if ((error = out.Close()) != 0) {
        return error;
    }
    ::unlink(m_path.c_str());
    m_path.clear();
    return m_fd.Close();
}

void RemoveStrayStagedFiles(const std::string& target) {
    std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(FolderOf(target).c_str()), ::closedir);
    if (!folder) {
        return;
    }
    const std::string prefix = StagedPrefix(target);
    while (const dirent* entry = ::readdir(folder.get())) {
        if (std::string_view(entry->d_name).substr(0, prefix.size()) != prefix) {
            continue;
        }
        FileDescriptor fd(::openat(::dirfd(folder.get()), entry->d_name,
                                   O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (fd.IsOpen() && ::fstat(fd.Get(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0) {
            ::unlinkat(::dirfd(folder.get()), entry->d_name, 0);
        }
    }
}

void OutputLock::Acquire(const std::string& path, bool create) {
    for (;;) {
        FileDescriptor fd(
            ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (create ? O_CREAT : 0), 0666));
        struct stat opened {};
        if (!fd.IsOpen() || ::fstat(fd.Get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
            LockWaiting(fd.Get()) != 0) {
            // Nothing to lock: the run goes on and meets the problem, if any, when it writes.
            return;
        }
        // The run that held it may have put a new file in its place meanwhile.
        struct stat named {};
        if (::stat(path.c_str(), &named) == 0 && SameFile(opened, named)) {
            m_fd = std::move(fd);
            return;
        }
    }
}

}  // namespace querimo
