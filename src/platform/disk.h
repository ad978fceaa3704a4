#pragma once

// The data files' only way to the disk. Every write is flushed to the disk
// (fsync) before the call returns, so a crash or power cut loses at most
// what was not yet handed over. A file without write permission bits counts
// as read-only and is refused by the program itself, even when it runs as
// root, because such a file is the finished record of a session. Every
// failure comes back as a Status naming the file and the reason.
//
// PosixDisk is the real disk; tests put in a disk of their own to make a
// chosen write fail.

#include "platform/status.h"

#include <QByteArray>
#include <QString>

enum class EntryKind { Missing, File, Folder, Link, Other };

struct EntryInfo {
    EntryKind kind = EntryKind::Missing;
    bool writable = false;  // some write permission bit is set
    qint64 size = 0;
};

class DataDisk {
public:
    virtual ~DataDisk() = default;

    // What the path names, without following a symbolic link.
    virtual EntryInfo inspect(const QString& path) const = 0;

    // Checks, without touching anything, that writeNew(path) could create or
    // replace the file: its folder exists and is writable, and the path is
    // not a read-only file or a folder.
    virtual Status checkCanCreate(const QString& path) const = 0;

    // Creates the file, or empties it, and writes data.
    virtual Status writeNew(const QString& path, const QByteArray& data) = 0;

    // Appends data to an existing file.
    virtual Status append(const QString& path, const QByteArray& data) = 0;

    // Reads the whole file. A file longer than maxBytes (when positive) is
    // refused unread, so a stray huge file cannot exhaust memory.
    virtual Status readAll(const QString& path, QByteArray* out, qint64 maxBytes = -1) const = 0;

    // Removes every write permission bit.
    virtual Status makeReadOnly(const QString& path) = 0;
};

class PosixDisk final : public DataDisk {
public:
    EntryInfo inspect(const QString& path) const override;
    Status checkCanCreate(const QString& path) const override;
    Status writeNew(const QString& path, const QByteArray& data) override;
    Status append(const QString& path, const QByteArray& data) override;
    Status readAll(const QString& path, QByteArray* out, qint64 maxBytes = -1) const override;
    Status makeReadOnly(const QString& path) override;

    // How many times a file's data has been synced to the disk.
    int syncs() const { return m_syncs; }

private:
    Status writeWithFlags(const QString& path, const QByteArray& data, int flags, const QString& what);
    Status writeAllTo(int fd, const QByteArray& data, const QString& path, const QString& what);
    // fsync, counted; false on failure with errno set.
    bool syncData(int fd);

    int m_syncs = 0;
};
