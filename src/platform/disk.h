#pragma once

// The data files' only way to the disk.
//
// - Only regular files of their own are used. A path is opened without
//   following a symbolic link and without blocking, then checked to be a
//   regular file with one link, so neither a symbolic nor a hard link can
//   redirect a write outside the data folder, and a named pipe cannot
//   freeze the program.
// - A new data file is created exclusively: an existing name is never
//   taken over by accident. It takes its name only once its first lines are
//   on the disk, so no crash leaves an empty or half-begun data file.
// - Every write is synced (fsync) before the call returns, and so is every
//   change of a folder's entries (the folder itself is synced) and of a
//   file's mode, so a crash or power cut loses at most what was not yet
//   handed over, and nothing that relies on a change can reach the disk
//   before the change.
// - A write that fails part way (a full disk) is undone back to the file's
//   length before it, so a file always ends with a whole line.
// - A file without write permission bits counts as read-only and is refused
//   by the program itself, even when it runs as root, because such a file
//   is the finished record of a session.
// - A lock is held by the kernel on an open lock file, so it ends with the
//   process however the process ends; a lock file that no living process
//   holds is free, whatever a crash left in it.
//
// Every failure comes back as a Status naming the file and the reason.
// PosixDisk is the real disk; it makes every change through FileCalls, so
// a test can record each system call and check the protocol against every
// state a crash could leave. Tests put in a disk of their own to make a
// chosen write fail.

#include "platform/status.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

enum class EntryKind { Missing, File, Folder, Link, Other };

struct EntryInfo {
    EntryKind kind = EntryKind::Missing;
    bool writable = false;  // some write permission bit is set
    qint64 size = 0;
    QString other;  // for EntryKind::Other: "a named pipe", "a device", ...
    qint64 links = 1;
};

// What an entry is, for messages: "a folder", "a symbolic link", "a file
// with 2 links", ...
QString describeEntry(const EntryInfo& entry);
// A regular file with one link: the only kind of entry data is written to.
inline bool isOwnFile(const EntryInfo& entry) { return entry.kind == EntryKind::File && entry.links == 1; }

// A lock taken on a lock file; destroying it removes the file and ends the lock.
class DiskLock {
public:
    virtual ~DiskLock() = default;
};

struct LockAttempt {
    std::unique_ptr<DiskLock> held;  // set when the lock was taken
    bool busy = false;               // a living process holds it
    QString holder;                  // when busy: what the lock file says of its holder, if anything
    Status error;                    // neither taken nor busy: why not
};

class DataDisk {
public:
    virtual ~DataDisk() = default;

    // What the path names, without following a symbolic link.
    virtual EntryInfo inspect(const QString& path) const = 0;

    // The folder that holds `path` exists, is a folder and can be written.
    virtual Status checkFolderOf(const QString& path) const = 0;

    // Creates the file, which must not exist yet, with `data` in it. A
    // failure leaves no file behind.
    virtual Status createNew(const QString& path, const QByteArray& data) = 0;

    // Appends data to an existing file.
    virtual Status append(const QString& path, const QByteArray& data) = 0;

    // Replaces the file's whole content in one step: readers see the old
    // content or the new, never a mixture, even after a crash.
    virtual Status replaceAtomically(const QString& path, const QByteArray& data) = 0;

    // Reads the whole file. A file longer than maxBytes (when positive) is
    // refused unread, so a stray huge file cannot exhaust memory.
    virtual Status readAll(const QString& path, QByteArray* out, qint64 maxBytes = -1) const = 0;

    // Removes every write permission bit; the change is on the disk when
    // this returns.
    virtual Status makeReadOnly(const QString& path) = 0;

    // Deletes a regular file; a missing one is fine.
    virtual Status remove(const QString& path) = 0;

    // Takes the lock file at `path`, creating it, unless a living process
    // holds it. The lock file names this process while it is held.
    virtual LockAttempt lock(const QString& path) = 0;
};

// The system calls through which PosixDisk changes files and folders. The
// real ones go to the kernel; a test's may record or fail them.
class FileCalls {
public:
    virtual ~FileCalls() = default;
    virtual int open(const char* path, int flags, unsigned mode);
    virtual long write(int fd, const char* data, long size);
    virtual int truncate(int fd, long long size);
    virtual int sync(int fd);  // a file's data and mode, or a folder's entries
    virtual int changeMode(int fd, unsigned mode);
    virtual int rename(const char* from, const char* to);
    // Fails with EEXIST, changing nothing, when `to` exists.
    virtual int renameNoReplace(const char* from, const char* to);
    virtual int unlink(const char* path);
};

class PosixDisk final : public DataDisk {
public:
    // `calls` must outlive the disk; by default the kernel's.
    explicit PosixDisk(FileCalls* calls = nullptr);

    EntryInfo inspect(const QString& path) const override;
    Status checkFolderOf(const QString& path) const override;
    Status createNew(const QString& path, const QByteArray& data) override;
    Status append(const QString& path, const QByteArray& data) override;
    Status replaceAtomically(const QString& path, const QByteArray& data) override;
    Status readAll(const QString& path, QByteArray* out, qint64 maxBytes = -1) const override;
    Status makeReadOnly(const QString& path) override;
    Status remove(const QString& path) override;
    LockAttempt lock(const QString& path) override;

private:
    // Opens a regular file of its own for writing: `flags` adds O_CREAT,
    // O_APPEND... The descriptor comes back in *fd; the file's length in *size.
    Status openForWriting(const QString& path, int flags, const QString& what, int* fd, qint64* size);
    // Writes everything at the end of the file, or nothing: a failed or
    // short write is cut back to `before`. Then syncs and closes `fd`.
    Status writeWhole(int fd, qint64 before, const QByteArray& data, const QString& path,
                      const QString& what);
    // fsync; false on failure with errno set.
    bool sync(int fd);
    // Syncs the folder that holds `path`, so a change of its entries is on the disk.
    Status syncFolderOf(const QString& path, const QString& what);
    // Writes `data` to a new file beside `path`, to give it its name once it
    // is on the disk; a file of that name left by a crash goes first.
    Status writeBeside(const QString& path, const QByteArray& data, const QString& what, QString* part);

    FileCalls& m_calls;
};

// The names of the entries in a folder, as the system spells them. A name
// that is not valid UTF-8 cannot be named again through a QString: it comes
// back in *undecodable, its bytes as they are.
Status listFolder(const QString& folder, QStringList* names, QList<QByteArray>* undecodable);

// A path as the system takes it, the system's words for an error number, and
// the folder that holds a path's entry ("." for a bare name).
QByteArray nativePath(const QString& path);
QString systemReason(int error);
QString folderOf(const QString& path);
