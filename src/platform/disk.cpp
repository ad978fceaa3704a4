#include "platform/disk.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QByteArray nativePath(const QString& path) { return QFile::encodeName(path); }

QString folderOf(const QString& path) {
    const QString dir = QFileInfo(path).path();
    return dir.isEmpty() ? QStringLiteral(".") : dir;
}

namespace {

Status failure(const QString& what, const QString& path, const QString& reason) {
    return Status::error(
        QStringLiteral("Pictor could not %1 the data file \"%2\": %3.").arg(what, path, reason));
}

bool writableByBits(const struct stat& st) {
    // The kernel lets root write anything, so the permission bits are read
    // here; for other users the kernel's own check decides in open().
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

EntryKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) return EntryKind::File;
    if (S_ISDIR(mode)) return EntryKind::Folder;
    if (S_ISLNK(mode)) return EntryKind::Link;
    return EntryKind::Other;
}

QString otherKindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return QStringLiteral("a named pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
    if (S_ISSOCK(mode)) return QStringLiteral("a socket");
    return QString();
}

EntryInfo entryOf(const struct stat& st) {
    EntryInfo info;
    info.kind = kindOf(st.st_mode);
    info.writable = writableByBits(st);
    info.size = st.st_size;
    info.other = otherKindOf(st.st_mode);
    info.links = static_cast<qint64>(st.st_nlink);
    return info;
}

QString notOwnFile(const EntryInfo& entry) {
    if (entry.kind == EntryKind::File)
        return QStringLiteral("it is %1, so writing it would change a file elsewhere")
            .arg(describeEntry(entry));
    return QStringLiteral("it is %1, not a regular file").arg(describeEntry(entry));
}

const QString kReadOnly =
    QStringLiteral("the file is read-only (a finished session's data is never overwritten)");

FileCalls& kernelCalls() {
    static FileCalls calls;
    return calls;
}

// Reasons for a failed open() that a person can act on.
QString openReason(int error) {
    if (error == ELOOP) return QStringLiteral("it is a symbolic link, not a regular file");
    if (error == EISDIR) return QStringLiteral("it is a folder, not a regular file");
    if (error == ENXIO) return QStringLiteral("it is a named pipe or a device, not a regular file");
    if (error == ENOENT) return QStringLiteral("the file does not exist");
    return systemReason(error);
}

constexpr int kOpenFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

}  // namespace

int FileCalls::open(const char* path, int flags, unsigned mode) {
    return ::open(path, flags, static_cast<mode_t>(mode));
}
long FileCalls::write(int fd, const char* data, long size) {
    return ::write(fd, data, static_cast<size_t>(size));
}
int FileCalls::truncate(int fd, long long size) { return ::ftruncate(fd, static_cast<off_t>(size)); }
int FileCalls::sync(int fd) { return ::fsync(fd); }
int FileCalls::changeMode(int fd, unsigned mode) { return ::fchmod(fd, static_cast<mode_t>(mode)); }
int FileCalls::rename(const char* from, const char* to) { return ::rename(from, to); }
int FileCalls::unlink(const char* path) { return ::unlink(path); }
int FileCalls::renameNoReplace(const char* from, const char* to) {
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

PosixDisk::PosixDisk(FileCalls* calls) : m_calls(calls ? *calls : kernelCalls()) {}

QString describeEntry(const EntryInfo& entry) {
    switch (entry.kind) {
    case EntryKind::Missing: return QStringLiteral("missing");
    case EntryKind::File:
        return entry.links == 1 ? QStringLiteral("a regular file")
                                : QStringLiteral("a file with %1 links (a hard link)").arg(entry.links);
    case EntryKind::Folder: return QStringLiteral("a folder");
    case EntryKind::Link: return QStringLiteral("a symbolic link");
    case EntryKind::Other: break;
    }
    return entry.other.isEmpty() ? QStringLiteral("a special file") : entry.other;
}

bool PosixDisk::sync(int fd) {
    // Some file systems cannot sync (EINVAL); a read-only one has nothing to sync.
    return m_calls.sync(fd) == 0 || errno == EINVAL || errno == EROFS;
}

Status PosixDisk::syncFolderOf(const QString& path, const QString& what) {
    const int fd = ::open(nativePath(folderOf(path)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && sync(fd);
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (synced) return Status::ok();
    return failure(
        what, path,
        QStringLiteral("its folder could not be synced to the disk (%1)").arg(systemReason(error)));
}

EntryInfo PosixDisk::inspect(const QString& path) const {
    struct stat st {};
    if (::lstat(nativePath(path).constData(), &st) != 0) return EntryInfo{};
    return entryOf(st);
}

namespace {

// Empty when the folder can take new files.
QString folderProblem(const QString& folder) {
    struct stat st {};
    if (::stat(nativePath(folder).constData(), &st) != 0)
        return QStringLiteral("the data folder \"%1\" does not exist").arg(folder);
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("the data folder \"%1\" is not a folder but %2")
            .arg(folder, describeEntry(entryOf(st)));
    if (!writableByBits(st) || ::access(nativePath(folder).constData(), W_OK) != 0)
        return QStringLiteral("the data folder \"%1\" is not writable").arg(folder);
    return QString();
}

}  // namespace

Status PosixDisk::checkFolderOf(const QString& path) const {
    const QString problem = folderProblem(folderOf(path));
    if (problem.isEmpty()) return Status::ok();
    return Status::error(problem.at(0).toUpper() + problem.mid(1) + u'.');
}

Status PosixDisk::openForWriting(const QString& path, int flags, const QString& what, int* fd, qint64* size) {
    *fd = -1;
    const EntryInfo found = inspect(path);
    if (found.kind != EntryKind::Missing && !isOwnFile(found)) return failure(what, path, notOwnFile(found));
    if (found.kind == EntryKind::File && !found.writable) return failure(what, path, kReadOnly);
    *fd = m_calls.open(nativePath(path).constData(), flags | O_WRONLY | kOpenFlags, 0644);
    if (*fd < 0) {
        const int error = errno;
        if (error == ENOENT && (flags & O_CREAT))
            return failure(what, path,
                           QStringLiteral("the folder \"%1\" does not exist").arg(folderOf(path)));
        if (error == EEXIST)
            return failure(what, path,
                           QStringLiteral("it exists already, and a new data file never takes over an "
                                          "existing one"));
        return failure(what, path, openReason(error));
    }
    struct stat st {};
    Status refused;
    if (::fstat(*fd, &st) != 0)
        refused = failure(what, path, systemReason(errno));
    else if (!isOwnFile(entryOf(st)))
        refused = failure(what, path, notOwnFile(entryOf(st)));
    else if (!writableByBits(st))
        refused = failure(what, path, kReadOnly);
    if (!refused.isOk()) {
        ::close(*fd);
        *fd = -1;
        return refused;
    }
    *size = st.st_size;
    return Status::ok();
}

Status PosixDisk::writeWhole(int fd, qint64 before, const QByteArray& data, const QString& path,
                             const QString& what) {
    const char* p = data.constData();
    qsizetype left = data.size();
    int error = 0;
    while (left > 0) {
        const long n = m_calls.write(fd, p, static_cast<long>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        p += n;
        left -= n;
    }
    Status written;
    if (error != 0) {
        // Whatever part of the line got through is taken back.
        const bool undone = m_calls.truncate(fd, before) == 0 && sync(fd);
        written = failure(
            what, path,
            systemReason(error) + (undone ? QString() : QStringLiteral("; the last line may be cut off")));
    } else if (!sync(fd)) {
        written = failure(what, path, systemReason(errno));
    }
    if (::close(fd) != 0 && written.isOk()) written = failure(what, path, systemReason(errno));
    return written;
}

Status PosixDisk::writeBeside(const QString& path, const QByteArray& data, const QString& what,
                              QString* part) {
    if (const QString problem = folderProblem(folderOf(path)); !problem.isEmpty())
        return failure(what, path, problem);
    const EntryInfo target = inspect(path);
    if (target.kind != EntryKind::Missing && !isOwnFile(target))
        return failure(what, path, notOwnFile(target));
    if (target.kind == EntryKind::File && !target.writable) return failure(what, path, kReadOnly);
    *part = path + QStringLiteral(".part");
    const EntryInfo old = inspect(*part);
    if (old.kind == EntryKind::File)
        m_calls.unlink(nativePath(*part).constData());  // left by a crash
    else if (old.kind != EntryKind::Missing)
        return failure(what, *part, notOwnFile(old));
    int fd = -1;
    qint64 size = 0;
    if (Status s = openForWriting(*part, O_CREAT | O_EXCL, what, &fd, &size); !s.isOk()) return s;
    const Status written = writeWhole(fd, 0, data, *part, what);
    if (!written.isOk()) m_calls.unlink(nativePath(*part).constData());
    return written;
}

Status PosixDisk::createNew(const QString& path, const QByteArray& data) {
    const QString what = QStringLiteral("write");
    const QString exists =
        QStringLiteral("it exists already, and a new data file never takes over an existing one");
    if (const EntryInfo found = inspect(path); isOwnFile(found) && found.writable)
        return failure(what, path, exists);
    QString part;
    if (Status s = writeBeside(path, data, what, &part); !s.isOk()) return s;
    if (m_calls.renameNoReplace(nativePath(part).constData(), nativePath(path).constData()) != 0) {
        const int error = errno;
        m_calls.unlink(nativePath(part).constData());
        return failure(what, path, error == EEXIST ? exists : systemReason(error));
    }
    if (Status s = syncFolderOf(path, what); !s.isOk()) {
        // The file holds nothing a session has counted on yet.
        m_calls.unlink(nativePath(path).constData());
        syncFolderOf(path, what);
        return s;
    }
    return Status::ok();
}

Status PosixDisk::append(const QString& path, const QByteArray& data) {
    const QString what = QStringLiteral("add to");
    int fd = -1;
    qint64 size = 0;
    if (Status s = openForWriting(path, O_APPEND, what, &fd, &size); !s.isOk()) return s;
    return writeWhole(fd, size, data, path, what);
}

Status PosixDisk::replaceAtomically(const QString& path, const QByteArray& data) {
    const QString what = QStringLiteral("write");
    QString part;
    if (Status s = writeBeside(path, data, what, &part); !s.isOk()) return s;
    if (m_calls.rename(nativePath(part).constData(), nativePath(path).constData()) != 0) {
        const Status failed = failure(what, path, systemReason(errno));
        m_calls.unlink(nativePath(part).constData());
        return failed;
    }
    return syncFolderOf(path, what);
}

namespace {

// Opens a regular file for reading (or for changing its mode): never through
// a link, never blocking. *fd is -1 on failure.
Status openRegular(const QString& path, const QString& what, int* fd, struct stat* st) {
    *fd = ::open(nativePath(path).constData(), O_RDONLY | kOpenFlags);
    if (*fd < 0) return failure(what, path, openReason(errno));
    Status refused;
    if (::fstat(*fd, st) != 0)
        refused = failure(what, path, systemReason(errno));
    else if (!S_ISREG(st->st_mode))
        refused = failure(what, path, notOwnFile(entryOf(*st)));
    if (!refused.isOk()) {
        ::close(*fd);
        *fd = -1;
    }
    return refused;
}

}  // namespace

Status PosixDisk::readAll(const QString& path, QByteArray* out, qint64 maxBytes) const {
    const QString what = QStringLiteral("read");
    out->clear();
    int fd = -1;
    struct stat st {};
    if (Status s = openRegular(path, what, &fd, &st); !s.isOk()) return s;
    Status result;
    if (maxBytes > 0 && st.st_size > maxBytes)
        result =
            failure(what, path,
                    QStringLiteral("it is %1 bytes long, far more than a session writes").arg(st.st_size));
    char buffer[65536];
    while (result.isOk()) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) result = failure(what, path, systemReason(errno));
        if (n <= 0) break;
        out->append(buffer, n);
        if (maxBytes > 0 && out->size() > maxBytes)
            result = failure(what, path, QStringLiteral("it is far longer than a session writes"));
    }
    ::close(fd);
    if (!result.isOk()) out->clear();
    return result;
}

Status PosixDisk::makeReadOnly(const QString& path) {
    const QString what = QStringLiteral("mark as read-only");
    int fd = -1;
    struct stat st {};
    if (Status s = openRegular(path, what, &fd, &st); !s.isOk()) return s;
    Status done;
    if (!isOwnFile(entryOf(st)))
        done = failure(what, path, notOwnFile(entryOf(st)));
    else if (m_calls.changeMode(fd, st.st_mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH) & 07777) !=
             0)
        done = failure(what, path, systemReason(errno));
    // The new mode reaches the disk before anything that relies on it, such
    // as a record that calls the session finished.
    else if (!sync(fd))
        done = failure(what, path, systemReason(errno));
    ::close(fd);
    return done;
}

Status PosixDisk::remove(const QString& path) {
    const QString what = QStringLiteral("remove");
    const EntryInfo found = inspect(path);
    if (found.kind == EntryKind::Missing) return Status::ok();
    if (found.kind != EntryKind::File) return failure(what, path, notOwnFile(found));
    if (m_calls.unlink(nativePath(path).constData()) != 0 && errno != ENOENT)
        return failure(what, path, systemReason(errno));
    return syncFolderOf(path, what);
}

namespace {

class PosixLock final : public DiskLock {
public:
    PosixLock(int fd, QByteArray path) : m_fd(fd), m_path(std::move(path)) {}
    ~PosixLock() override {
        // Removed while still held, so no one can take a file on its way out.
        ::unlink(m_path.constData());
        ::close(m_fd);
    }

private:
    int m_fd;
    QByteArray m_path;
};

// What a lock file says of its holder: "process 1234 on host".
QString holderOf(int fd) {
    char buffer[256] = {};
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    const QList<QByteArray> lines = QByteArray(buffer, n > 0 ? n : 0).split('\n');
    bool ok = false;
    const long long pid = lines.value(0).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0) return QString();
    return QStringLiteral("process %1 on \"%2\"").arg(pid).arg(QString::fromUtf8(lines.value(1).trimmed()));
}

}  // namespace

LockAttempt PosixDisk::lock(const QString& path) {
    const QByteArray native = nativePath(path);
    auto failure = [&](const QString& reason) {
        return Status::error(QStringLiteral("Pictor could not take the lock \"%1\": %2.").arg(path, reason));
    };
    LockAttempt attempt;
    // A holder that ends while this runs removes the file it held; then
    // the new lock goes on a new file.
    for (int tries = 0; tries < 8; ++tries) {
        const int fd = ::open(native.constData(), O_RDWR | O_CREAT | kOpenFlags, 0644);
        if (fd < 0) {
            attempt.error = failure(openReason(errno));
            return attempt;
        }
        struct stat st {};
        Status refused;
        if (::fstat(fd, &st) != 0)
            refused = failure(systemReason(errno));
        else if (!isOwnFile(entryOf(st)))
            refused = failure(notOwnFile(entryOf(st)));
        if (!refused.isOk()) {
            ::close(fd);
            attempt.error = refused;
            return attempt;
        }
        struct flock whole {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        if (::fcntl(fd, F_OFD_SETLK, &whole) != 0) {
            const int error = errno;
            if (error == EAGAIN || error == EACCES) {
                attempt.busy = true;
                attempt.holder = holderOf(fd);
            } else {
                attempt.error = failure(systemReason(error));
            }
            ::close(fd);
            return attempt;
        }
        struct stat now {};
        if (::lstat(native.constData(), &now) != 0 || now.st_ino != st.st_ino || now.st_dev != st.st_dev) {
            ::close(fd);
            continue;
        }
        const QByteArray holder =
            QByteArray::number(::getpid()) + '\n' + QSysInfo::machineHostName().toUtf8() + "\nPictor\n";
        if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, holder.constData(), holder.size(), 0) != holder.size()) {
            attempt.error = failure(systemReason(errno));
            ::unlink(native.constData());
            ::close(fd);
            return attempt;
        }
        attempt.held = std::make_unique<PosixLock>(fd, native);
        return attempt;
    }
    attempt.error = failure(QStringLiteral("it keeps being replaced"));
    return attempt;
}

Status listFolder(const QString& folder, QStringList* names, QList<QByteArray>* undecodable) {
    names->clear();
    undecodable->clear();
    DIR* dir = ::opendir(nativePath(folder).constData());
    if (!dir)
        return Status::error(
            QStringLiteral("The folder \"%1\" cannot be read: %2.").arg(folder, systemReason(errno)));
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") continue;
        const QString decoded = QFile::decodeName(name);
        if (QFile::encodeName(decoded) == name)
            *names << decoded;
        else
            *undecodable << name;
    }
    ::closedir(dir);
    names->sort();
    return Status::ok();
}
