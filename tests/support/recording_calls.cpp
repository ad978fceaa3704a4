#include "support/recording_calls.h"

#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace {

qint64 inodeOf(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<qint64>(st.st_ino) : 0;
}

QString nameOf(const char* path) { return QFileInfo(QString::fromLocal8Bit(path)).fileName(); }

}  // namespace

int RecordingCalls::fileOf(int fd) const { return m_files.value(inodeOf(fd)); }

bool RecordingCalls::fails(FileOp::Kind kind) {
    if (++m_counts[kind] != failAt || kind != failKind) return false;
    errno = failWith;
    return true;
}

int RecordingCalls::open(const char* path, int flags, unsigned mode) {
    struct stat st {};
    const bool existed = ::lstat(path, &st) == 0;
    if ((flags & O_CREAT) && !existed && fails(FileOp::Create)) return -1;
    const int fd = FileCalls::open(path, flags, mode);
    if (fd >= 0 && (flags & O_CREAT) && !existed) {
        m_names << nameOf(path);
        m_files[inodeOf(fd)] = static_cast<int>(m_names.size());
        ops << FileOp{FileOp::Create, nameOf(path), {}, fileOf(fd), 0, {}, mode};
    }
    return fd;
}

long RecordingCalls::write(int fd, const char* data, long size) {
    if (fails(FileOp::Write)) return -1;
    const long n = FileCalls::write(fd, data, size);
    if (n > 0)
        ops << FileOp{FileOp::Write,       {}, {}, fileOf(fd), ::lseek(fd, 0, SEEK_CUR) - n,
                      QByteArray(data, n), 0};
    return n;
}

int RecordingCalls::truncate(int fd, long long size) {
    if (fails(FileOp::Truncate)) return -1;
    const int done = FileCalls::truncate(fd, size);
    if (done == 0) ops << FileOp{FileOp::Truncate, {}, {}, fileOf(fd), size, {}, 0};
    return done;
}

int RecordingCalls::sync(int fd) {
    struct stat st {};
    const bool folder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    if (fails(folder ? FileOp::SyncFolder : FileOp::Sync)) return -1;
    const int done = FileCalls::sync(fd);
    if (done == 0)
        ops << FileOp{folder ? FileOp::SyncFolder : FileOp::Sync, {}, {}, folder ? 0 : fileOf(fd), 0, {}, 0};
    return done;
}

int RecordingCalls::changeMode(int fd, unsigned mode) {
    if (fails(FileOp::Mode)) return -1;
    const int done = FileCalls::changeMode(fd, mode);
    if (done == 0) ops << FileOp{FileOp::Mode, {}, {}, fileOf(fd), 0, {}, mode};
    return done;
}

int RecordingCalls::rename(const char* from, const char* to) {
    if (fails(FileOp::Rename)) return -1;
    const int done = FileCalls::rename(from, to);
    if (done == 0) ops << FileOp{FileOp::Rename, nameOf(from), nameOf(to), 0, 0, {}, 0};
    return done;
}

int RecordingCalls::renameNoReplace(const char* from, const char* to) {
    if (fails(FileOp::Rename)) return -1;
    const int done = FileCalls::renameNoReplace(from, to);
    if (done == 0) ops << FileOp{FileOp::Rename, nameOf(from), nameOf(to), 0, 0, {}, 0};
    return done;
}

int RecordingCalls::unlink(const char* path) {
    if (fails(FileOp::Unlink)) return -1;
    const int done = FileCalls::unlink(path);
    if (done == 0) ops << FileOp{FileOp::Unlink, nameOf(path), {}, 0, 0, {}, 0};
    return done;
}

QString FileOp::text() const {
    static const char* const kinds[] = {"create",      "write", "truncate", "sync",
                                        "sync folder", "mode",  "rename",   "unlink"};
    return QString::fromLatin1(kinds[kind]);
}

QStringList RecordingCalls::texts() const {
    QStringList out;
    for (const FileOp& op : ops) {
        QString t = op.text();
        const QString file = m_names.value(op.file - 1, QStringLiteral("?"));
        switch (op.kind) {
        case FileOp::Create:
        case FileOp::Unlink: t += ' ' + op.path; break;
        case FileOp::Rename: t += ' ' + op.path + ' ' + op.to; break;
        case FileOp::Write: t += ' ' + file + ' ' + QString::fromLatin1(op.data.trimmed()); break;
        case FileOp::Truncate: t += ' ' + file + ' ' + QString::number(op.offset); break;
        case FileOp::Mode: t += ' ' + file + ' ' + QString::number(op.mode, 8); break;
        case FileOp::Sync: t += ' ' + file; break;
        case FileOp::SyncFolder: break;
        }
        out << t;
    }
    return out;
}
