#include "platform/disk.h"

#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace {

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

Status failure(const QString& what, const QString& path, const QString& reason) {
    return Status::error(
        QStringLiteral("Pictor could not %1 the data file \"%2\": %3.").arg(what, path, reason));
}

QByteArray nativePath(const QString& path) { return QFile::encodeName(path); }

bool writableByBits(const struct stat& st) {
    // The kernel lets root write anything, so the permission bits are read
    // here; for other users the kernel's own check decides in open().
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

QString folderOf(const QString& path) {
    const QString dir = QFileInfo(path).path();
    return dir.isEmpty() ? QStringLiteral(".") : dir;
}

Status checkTarget(const QString& path, const QString& what) {
    struct stat st {};
    if (::stat(nativePath(path).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return failure(what, path, QStringLiteral("it is a folder"));
        if (!writableByBits(st))
            return failure(what, path,
                           QStringLiteral("the file is read-only (a finished session's data "
                                          "is never overwritten)"));
    }
    return Status::ok();
}

}  // namespace

Status PosixDisk::writeAllTo(int fd, const QByteArray& data, const QString& path, const QString& what) {
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return failure(what, path, systemReason(errno));
        }
        p += n;
        left -= n;
    }
    if (!syncData(fd)) return failure(what, path, systemReason(errno));
    return Status::ok();
}

Status PosixDisk::writeWithFlags(const QString& path, const QByteArray& data, int flags,
                                 const QString& what) {
    if (Status s = checkTarget(path, what); !s.isOk()) return s;
    const int fd = ::open(nativePath(path).constData(), flags | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == ENOENT && (flags & O_CREAT))
            return failure(what, path,
                           QStringLiteral("the folder \"%1\" does not exist").arg(folderOf(path)));
        return failure(what, path, systemReason(errno));
    }
    Status written = writeAllTo(fd, data, path, what);
    if (::close(fd) != 0 && written.isOk()) written = failure(what, path, systemReason(errno));
    return written;
}

namespace {

void syncFolder(const QString& path) {
    const int fd = ::open(nativePath(folderOf(path)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool PosixDisk::syncData(int fd) {
    ++m_syncs;
    // Some file systems cannot sync (EINVAL) and a read-only one has nothing to sync.
    return ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
}

EntryInfo PosixDisk::inspect(const QString& path) const {
    struct stat st {};
    EntryInfo info;
    if (::lstat(nativePath(path).constData(), &st) != 0) return info;
    info.kind = S_ISREG(st.st_mode)   ? EntryKind::File
                : S_ISDIR(st.st_mode) ? EntryKind::Folder
                : S_ISLNK(st.st_mode) ? EntryKind::Link
                                      : EntryKind::Other;
    info.writable = writableByBits(st);
    info.size = st.st_size;
    return info;
}

Status PosixDisk::writeNew(const QString& path, const QByteArray& data) {
    if (Status s = checkCanCreate(path); !s.isOk()) return s;
    Status s = writeWithFlags(path, data, O_CREAT | O_TRUNC, QStringLiteral("write"));
    if (s.isOk()) syncFolder(path);
    return s;
}

Status PosixDisk::append(const QString& path, const QByteArray& data) {
    return writeWithFlags(path, data, O_APPEND, QStringLiteral("add to"));
}

Status PosixDisk::readAll(const QString& path, QByteArray* out, qint64 maxBytes) const {
    const QString what = QStringLiteral("read");
    out->clear();
    const int fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return failure(what, path, QStringLiteral("the file does not exist"));
        return failure(what, path, systemReason(errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return failure(what, path, QStringLiteral("it is a folder"));
    }
    if (maxBytes > 0 && st.st_size > maxBytes) {
        ::close(fd);
        return failure(what, path,
                       QStringLiteral("it is %1 bytes long, far more than a session "
                                      "writes")
                           .arg(st.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            return failure(what, path, systemReason(error));
        }
        if (n == 0) break;
        out->append(buffer, n);
        if (maxBytes > 0 && out->size() > maxBytes) {
            ::close(fd);
            out->clear();
            return failure(what, path, QStringLiteral("it is far longer than a session writes"));
        }
    }
    ::close(fd);
    return Status::ok();
}

Status PosixDisk::makeReadOnly(const QString& path) {
    struct stat st {};
    const QByteArray native = nativePath(path);
    if (::stat(native.constData(), &st) != 0)
        return failure(QStringLiteral("mark as read-only"), path, systemReason(errno));
    const mode_t mode = st.st_mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH) & 07777;
    if (::chmod(native.constData(), mode) != 0)
        return failure(QStringLiteral("mark as read-only"), path, systemReason(errno));
    return Status::ok();
}

Status PosixDisk::checkCanCreate(const QString& path) const {
    const QString what = QStringLiteral("create");
    const QString folder = folderOf(path);
    struct stat st {};
    if (::stat(nativePath(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return failure(what, path, QStringLiteral("the folder \"%1\" does not exist").arg(folder));
    if (!writableByBits(st) || ::access(nativePath(folder).constData(), W_OK) != 0)
        return failure(what, path, QStringLiteral("the folder \"%1\" is not writable").arg(folder));
    return checkTarget(path, what);
}
