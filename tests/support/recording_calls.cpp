#include "support/recording_calls.h"

#include "support/files.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

static qint64 inodeOf(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<qint64>(st.st_ino) : 0;
}

int RecordingCalls::fileOf(int fd) const { return m_files.value(inodeOf(fd)); }
QString RecordingCalls::nameOf(const char* path) {
    return QFileInfo(QString::fromLocal8Bit(path)).fileName();
}

int RecordingCalls::open(const char* path, int flags, unsigned mode) {
    struct stat st {};
    if (!(flags & O_CREAT) || ::lstat(path, &st) == 0) return FileCalls::open(path, flags, mode);
    const int fd = FileCalls::open(path, flags, mode);
    if (fd < 0) return fd;
    m_names << nameOf(path);
    m_files[inodeOf(fd)] = static_cast<int>(m_names.size());
    return note(fd, FileOp::Create, fileOf(fd), nameOf(path), {}, 0, {}, mode);
}

long RecordingCalls::write(int fd, const char* data, long size) {
    const long n = FileCalls::write(fd, data, size);
    if (n <= 0) return n;
    return note(n, FileOp::Write, fileOf(fd), {}, {}, ::lseek(fd, 0, SEEK_CUR) - n, QByteArray(data, n));
}

int RecordingCalls::sync(int fd) {
    struct stat st {};
    const bool folder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    if ((folder ? FileOp::SyncFolder : FileOp::Sync) == failKind && failAt > 0 && --failAt == 0) {
        errno = EIO;
        return -1;
    }
    return note(FileCalls::sync(fd), folder ? FileOp::SyncFolder : FileOp::Sync, folder ? 0 : fileOf(fd));
}

QStringList RecordingCalls::texts() const {
    static const char* const kinds[] = {"create",      "write", "truncate", "sync",
                                        "sync folder", "mode",  "rename",   "unlink"};
    QStringList out;
    for (const FileOp& op : ops) {
        QStringList t{kinds[op.kind], op.path, op.to};
        if (op.kind != FileOp::Create && op.file > 0) t << m_names[op.file - 1];
        if (op.kind == FileOp::Write) t << QString::fromLatin1(op.data.trimmed());
        if (op.kind == FileOp::Truncate) t << QString::number(op.offset);
        if (op.kind == FileOp::Mode) t << QString::number(op.mode, 8);
        t.removeAll(QString());
        out << t.join(' ');
    }
    return out;
}

QMap<QString, QByteArray> folderSnapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    for (const QFileInfo& f :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (!f.fileName().endsWith("session.lock"))
            files[f.fileName()] =
                !f.isFile() || f.isSymLink()
                    ? QByteArray("<not a regular file>")
                    : readFile(f.filePath()) + (isReadOnly(f.filePath()) ? " read-only" : "");
    return files;
}
