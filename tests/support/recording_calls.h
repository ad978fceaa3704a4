#pragma once

// The disk's system calls as the kernel makes them, each also written down
// in order: which file (by inode) or folder entry it changed and how. Tests
// read the list to see the protocol, replay prefixes of it to build what a
// crash could leave, and can make a chosen call fail.

#include "platform/disk.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

struct FileOp {
    enum Kind { Create, Write, Truncate, Sync, SyncFolder, Mode, Rename, Unlink };
    Kind kind;
    QString path;       // Create, SyncFolder, Rename (from), Unlink: a file name in the folder
    QString to;         // Rename
    int file = 0;       // which file: the serial number of its creation (1, 2, ...), 0 for a folder
    qint64 offset = 0;  // Write: where the data went; Truncate: the new length
    QByteArray data;    // Write
    unsigned mode = 0;  // Mode, Create

    QString text() const;  // "create 0001art.dat", "write 0001art.dat 3", "sync 0001art.dat", ...
};

class RecordingCalls final : public FileCalls {
public:
    QList<FileOp> ops;
    // The call of this kind that fails (its count, from 1), with errno `failWith`.
    FileOp::Kind failKind = FileOp::Create;
    int failAt = 0;
    int failWith = 5;  // EIO

    int open(const char* path, int flags, unsigned mode) override;
    long write(int fd, const char* data, long size) override;
    int truncate(int fd, long long size) override;
    int sync(int fd) override;
    int changeMode(int fd, unsigned mode) override;
    int rename(const char* from, const char* to) override;
    int renameNoReplace(const char* from, const char* to) override;
    int unlink(const char* path) override;

    // The ops as text, file names for inodes.
    QStringList texts() const;

private:
    bool fails(FileOp::Kind kind);
    int fileOf(int fd) const;
    QMap<qint64, int> m_files;  // inode -> the file it holds now
    QStringList m_names;        // file - 1 -> the name it was created with
    QMap<int, int> m_counts;
};
