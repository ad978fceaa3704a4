#pragma once

// The data files' only way to the disk.
//
// - Only regular files are used. A path is opened without following a
//   symbolic link and without blocking, then checked to be a regular file,
//   so a link cannot redirect a write outside the data folder and a named
//   pipe cannot freeze the program.
// - Every write is synced (fsync) before the call returns, so a crash or
//   power cut loses at most what was not yet handed over.
// - A write that fails part way (a full disk) is undone back to the file's
//   length before it, so a file always ends with a whole line.
// - A file without write permission bits counts as read-only and is refused
//   by the program itself, even when it runs as root, because such a file
//   is the finished record of a session.
//
// - A lock is held by the kernel on an open lock file, so it ends with the
//   process however the process ends; a lock file that no living process
//   holds is free, whatever a crash left in it.
//
// Every failure comes back as a Status naming the file and the reason.
// PosixDisk is the real disk; tests put in a disk of their own to make a
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
};

// What an entry is, for messages: "a folder", "a symbolic link", "a named
// pipe", ...
QString describeEntry(const EntryInfo& entry);

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

    // Creates the file, or empties it, and writes data.
    virtual Status writeNew(const QString& path, const QByteArray& data) = 0;

    // Appends data to an existing file.
    virtual Status append(const QString& path, const QByteArray& data) = 0;

    // Replaces the file's whole content in one step: readers see the old
    // content or the new, never a mixture, even after a crash.
    virtual Status replaceAtomically(const QString& path, const QByteArray& data) = 0;

    // Reads the whole file. A file longer than maxBytes (when positive) is
    // refused unread, so a stray huge file cannot exhaust memory.
    virtual Status readAll(const QString& path, QByteArray* out, qint64 maxBytes = -1) const = 0;

    // Removes every write permission bit.
    virtual Status makeReadOnly(const QString& path) = 0;

    // Deletes a regular file; a missing one is fine.
    virtual Status remove(const QString& path) = 0;

    // Takes the lock file at `path`, creating it, unless a living process
    // holds it. The lock file names this process while it is held.
    virtual LockAttempt lock(const QString& path) = 0;
};

class PosixDisk final : public DataDisk {
public:
    EntryInfo inspect(const QString& path) const override;
    Status checkFolderOf(const QString& path) const override;
    Status writeNew(const QString& path, const QByteArray& data) override;
    Status append(const QString& path, const QByteArray& data) override;
    Status replaceAtomically(const QString& path, const QByteArray& data) override;
    Status readAll(const QString& path, QByteArray* out, qint64 maxBytes = -1) const override;
    Status makeReadOnly(const QString& path) override;
    Status remove(const QString& path) override;
    LockAttempt lock(const QString& path) override;

    // How many times a file's data has been synced to the disk.
    int syncs() const { return m_syncs; }

private:
    // Opens a regular file for writing: `flags` adds O_CREAT, O_APPEND...
    // The descriptor comes back in *fd; the file's length in *size.
    Status openForWriting(const QString& path, int flags, const QString& what, int* fd, qint64* size);
    // Writes everything at the end of the file, or nothing: a failed or
    // short write is cut back to `before`. Then syncs and closes `fd`.
    Status writeWhole(int fd, qint64 before, const QByteArray& data, const QString& path,
                      const QString& what);
    // fsync, counted; false on failure with errno set.
    bool syncData(int fd);
    void syncFolderOf(const QString& path);

    int m_syncs = 0;
};

// The names of the entries in a folder, as the system spells them. A name
// that is not valid UTF-8 cannot be named again through a QString: it comes
// back in *undecodable, its bytes as they are.
Status listFolder(const QString& folder, QStringList* names, QList<QByteArray>* undecodable);
