#include "platform/output_files.h"

#include "platform/disk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

struct OutputFiles::Output {
    QString path;
    QString temporary;  // written here first; after an exchange it holds the replaced file
    bool folder = false;
    bool existed = false;  // a file checked at the claim, to be replaced
    dev_t device = 0;
    ino_t inode = 0;     // of the file checked at the claim
    ino_t ourInode = 0;  // of the temporary
    int fd = -1;
    bool written = false;
    bool placed = false;
    bool exchanged = false;  // placed by swapping with the file it replaces
};

namespace {

Status cannotWrite(const QString& path, const QString& why) {
    return Status::error(QStringLiteral("cannot write \"%1\": %2.").arg(path, why));
}

bool writeFully(int fd, const QByteArray& data) {
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

// A new name beside `path` for its temporary, created exclusively: a file
// (its descriptor in *fd) or a folder. Returns 0 or an errno value.
int createTemporary(const QString& path, bool folder, QString* temporary, int* fd) {
    const QString base = QFileInfo(path).fileName().left(180);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporary = QStringLiteral("%1/.%2.%3.part")
                         .arg(folderOf(path), base)
                         .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
        const QByteArray name = nativePath(*temporary);
        const int made = folder ? ::mkdir(name.constData(), 0777)
                                : (*fd = ::open(name.constData(),
                                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (made >= 0) return 0;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

bool exchange(const QString& a, const QString& b) {
    return ::renameat2(AT_FDCWD, nativePath(a).constData(), AT_FDCWD, nativePath(b).constData(),
                       RENAME_EXCHANGE) == 0;
}

}  // namespace

OutputFiles::OutputFiles(QStringList forbiddenEndings) : m_forbidden(std::move(forbiddenEndings)) {}

OutputFiles::~OutputFiles() {
    for (Output* o : m_outputs) {
        discard(*o);
        delete o;
    }
    for (auto it = m_madeFolders.crbegin(); it != m_madeFolders.crend(); ++it)
        ::rmdir(nativePath(*it).constData());
}

OutputFiles::Output* OutputFiles::find(const QString& path) {
    for (Output* o : m_outputs)
        if (o->path == path || (o->folder && path.startsWith(o->path + u'/'))) return o;
    return nullptr;
}

Status OutputFiles::claim(const QString& path, bool replace) {
    for (const QString& ending : m_forbidden)
        if (QFileInfo(path).fileName().endsWith(ending, Qt::CaseInsensitive))
            return Status::error(
                QStringLiteral("\"%1\" is named like a Pictor data file; pictor-data never writes one.")
                    .arg(path));
    if (find(path)) return Status::error(QStringLiteral("\"%1\" is named twice as an output.").arg(path));
    auto o = std::make_unique<Output>();
    o->path = path;
    struct stat st {};
    if (::lstat(nativePath(path).constData(), &st) == 0) {
        if (!replace)
            return Status::error(
                QStringLiteral("\"%1\" exists already; give --force to replace it.").arg(path));
        const EntryInfo entry = PosixDisk().inspect(path);
        if (!S_ISREG(st.st_mode))
            return Status::error(QStringLiteral("\"%1\" is not replaced: it is %2, not a regular file.")
                                     .arg(path, describeEntry(entry)));
        if (!entry.writable)
            return Status::error(QStringLiteral("\"%1\" is not replaced: it is read-only.").arg(path));
        if (::access(nativePath(path).constData(), W_OK) != 0)
            return Status::error(
                QStringLiteral("\"%1\" is not replaced: %2.").arg(path, systemReason(errno)));
        o->existed = true;
        o->device = st.st_dev;
        o->inode = st.st_ino;
    } else if (errno != ENOENT) {
        return cannotWrite(path, systemReason(errno));
    }
    if (const int error = createTemporary(path, false, &o->temporary, &o->fd)) {
        if (error == ENOENT)
            return cannotWrite(path, QStringLiteral("the folder \"%1\" does not exist").arg(folderOf(path)));
        return cannotWrite(path, systemReason(error));
    }
    if (::fstat(o->fd, &st) == 0) o->ourInode = st.st_ino;
    m_outputs << o.release();
    return Status::ok();
}

Status OutputFiles::claimFolder(const QString& path) {
    if (find(path)) return Status::error(QStringLiteral("\"%1\" is named twice as an output.").arg(path));
    struct stat st {};
    if (::lstat(nativePath(path).constData(), &st) == 0)
        return Status::error(
            QStringLiteral("\"%1\" exists already; pictor-data makes a new folder and replaces none.")
                .arg(path));
    auto o = std::make_unique<Output>();
    o->path = QDir::cleanPath(path);
    o->folder = true;
    if (const int error = createTemporary(o->path, true, &o->temporary, &o->fd)) {
        if (error == ENOENT)
            return cannotWrite(path, QStringLiteral("the folder \"%1\" does not exist").arg(folderOf(path)));
        return cannotWrite(path, systemReason(error));
    }
    m_outputs << o.release();
    return Status::ok();
}

Status OutputFiles::prepareFolder(const QString& path) {
    struct stat st {};
    if (::stat(nativePath(path).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Status::ok();
        return cannotWrite(path, QStringLiteral("it is not a folder"));
    }
    if (::mkdir(nativePath(path).constData(), 0777) != 0) {
        if (errno == ENOENT)
            return cannotWrite(path, QStringLiteral("the folder \"%1\" does not exist").arg(folderOf(path)));
        return cannotWrite(path, systemReason(errno));
    }
    m_madeFolders << path;
    return Status::ok();
}

Status OutputFiles::write(const QString& path, const QByteArray& data) {
    Output* o = find(path);
    if (!o || (!o->folder && o->written))
        return Status::error(QStringLiteral("\"%1\" was not claimed as an output.").arg(path));
    int fd = o->fd;
    if (o->folder) {
        // A file inside the new folder, and the folders on its way.
        const QString inside = o->temporary + path.mid(o->path.size());
        const QStringList parts = path.mid(o->path.size() + 1).split(u'/');
        QString dir = o->temporary;
        for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
            dir += u'/' + parts[i];
            if (::mkdir(nativePath(dir).constData(), 0777) != 0 && errno != EEXIST)
                return cannotWrite(path, systemReason(errno));
        }
        fd = ::open(nativePath(inside).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0666);
        if (fd < 0) return cannotWrite(path, systemReason(errno));
    }
    if (!o->folder) o->fd = -1;
    bool ok = writeFully(fd, data);
    int error = errno;
    if (ok && ::fsync(fd) != 0 && errno != EINVAL) ok = false, error = errno;
    if (::close(fd) != 0 && ok) ok = false, error = errno;
    if (!ok) return cannotWrite(path, systemReason(error));
    o->written = true;
    return Status::ok();
}

Status OutputFiles::place(Output& o) {
    const QByteArray from = nativePath(o.temporary), to = nativePath(o.path);
    const QString appeared =
        QStringLiteral(
            "\"%1\" appeared while pictor-data worked, made by another program; it is left as it "
            "is and nothing of this run was put in place.")
            .arg(o.path);
    if (o.existed) {
        if (exchange(o.temporary, o.path)) {
            o.placed = o.exchanged = true;
            struct stat st {};
            if (::lstat(from.constData(), &st) == 0 && st.st_dev == o.device && st.st_ino == o.inode)
                return Status::ok();
            undo(o);
            return Status::error(QStringLiteral("\"%1\" was replaced by another program while pictor-data "
                                                "worked; it is left as it is and nothing of this run was "
                                                "put in place.")
                                     .arg(o.path));
        }
        if (errno != ENOENT && errno != EINVAL && errno != ENOSYS)
            return cannotWrite(o.path, systemReason(errno));
        if (errno == EINVAL || errno == ENOSYS) {
            // No exchange on this file system: replace if it is still the file checked.
            struct stat st {};
            if (::lstat(to.constData(), &st) != 0 || st.st_ino != o.inode || st.st_dev != o.device)
                return Status::error(appeared);
            if (::rename(from.constData(), to.constData()) != 0)
                return cannotWrite(o.path, systemReason(errno));
            o.placed = true;
            return Status::ok();
        }
        // Removed meanwhile: the place is free again.
    }
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        o.placed = true;
        return Status::ok();
    }
    if (errno == EEXIST || errno == ENOTEMPTY) return Status::error(appeared);
    if (errno != EINVAL && errno != ENOSYS) return cannotWrite(o.path, systemReason(errno));
    // No exclusive rename on this file system: a new link is exclusive too.
    if (!o.folder) {
        if (::link(from.constData(), to.constData()) != 0)
            return errno == EEXIST ? Status::error(appeared) : cannotWrite(o.path, systemReason(errno));
        ::unlink(from.constData());
    } else {
        struct stat st {};
        if (::lstat(to.constData(), &st) == 0) return Status::error(appeared);
        if (::rename(from.constData(), to.constData()) != 0) return cannotWrite(o.path, systemReason(errno));
    }
    o.placed = true;
    return Status::ok();
}

void OutputFiles::undo(Output& o) {
    if (!o.placed) return;
    if (o.exchanged) {
        if (exchange(o.temporary, o.path)) o.placed = o.exchanged = false;
        return;
    }
    struct stat st {};
    if (o.folder) {
        if (::renameat2(AT_FDCWD, nativePath(o.path).constData(), AT_FDCWD,
                        nativePath(o.temporary).constData(), RENAME_NOREPLACE) == 0)
            o.placed = false;
    } else if (::lstat(nativePath(o.path).constData(), &st) == 0 && st.st_ino == o.ourInode) {
        ::unlink(nativePath(o.path).constData());
        o.placed = false;
    }
}

void OutputFiles::discard(Output& o) {
    if (o.fd >= 0 && !o.folder) ::close(o.fd);
    o.fd = -1;
    if (o.placed && !o.exchanged) return;  // in place; nothing left beside it
    // Unplaced: the temporary is ours. Exchanged: it holds the replaced file.
    if (o.folder)
        QDir(o.temporary).removeRecursively();
    else
        ::unlink(nativePath(o.temporary).constData());
}

Status OutputFiles::commit() {
    for (qsizetype i = 0; i < m_outputs.size(); ++i) {
        Output& o = *m_outputs[i];
        if (!o.written && !o.folder) continue;
        if (Status s = place(o); !s.isOk()) {
            for (qsizetype j = i - 1; j >= 0; --j) undo(*m_outputs[j]);
            return s;
        }
    }
    // The new names reach the disk before the replaced files go.
    QSet<QString> folders;
    for (const Output* o : m_outputs)
        if (o->placed) folders.insert(folderOf(o->path));
    for (const QString& folder : folders) {
        const int fd = ::open(nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || (::fsync(fd) != 0 && errno != EINVAL)) {
            const int error = errno;
            if (fd >= 0) ::close(fd);
            for (qsizetype j = m_outputs.size() - 1; j >= 0; --j) undo(*m_outputs[j]);
            return Status::error(
                QStringLiteral("cannot sync the folder \"%1\": %2; nothing of this run was put in place.")
                    .arg(folder, systemReason(error)));
        }
        ::close(fd);
    }
    for (Output* o : m_outputs)
        if (o->exchanged) {
            ::unlink(nativePath(o->temporary).constData());
            o->exchanged = false;
        }
    m_madeFolders.clear();
    return Status::ok();
}

namespace {

std::atomic<int> g_interrupted{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onInterrupt(int) { g_interrupted.store(1); }

}  // namespace

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool interruptRequested() { return g_interrupted.load() != 0; }
