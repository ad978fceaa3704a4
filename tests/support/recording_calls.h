#pragma once

// The disk's system calls as the kernel makes them, each also written down
// in order: which file or folder entry it changed and how. Tests read the
// list to see the protocol, replay prefixes of it to build what a crash
// could leave, and can make a chosen call fail.

#include "platform/disk.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>

struct FileOp {
    enum Kind { Create, Write, Truncate, Sync, SyncFolder, Mode, Rename, Unlink };
    Kind kind;
    int file = 0;       // the serial number of the file's creation (1, 2, ...); 0 for a folder
    QString path, to;   // Create, Unlink: a name in the folder; Rename: from, to
    qint64 offset = 0;  // Write: where the data went; Truncate: the new length
    QByteArray data;    // Write
    unsigned mode = 0;  // Create, Mode
};

class RecordingCalls final : public FileCalls {
public:
    QList<FileOp> ops;
    // The failAt-th sync (from 1) of kind failKind, Sync or SyncFolder, fails with EIO.
    FileOp::Kind failKind = FileOp::Create;
    int failAt = 0;

    int open(const char* path, int flags, unsigned mode) override;
    long write(int fd, const char* data, long size) override;
    int sync(int fd) override;
    int truncate(int fd, long long size) override {
        return note(FileCalls::truncate(fd, size), FileOp::Truncate, fileOf(fd), {}, {}, size);
    }
    int changeMode(int fd, unsigned mode) override {
        return note(FileCalls::changeMode(fd, mode), FileOp::Mode, fileOf(fd), {}, {}, 0, {}, mode);
    }
    int rename(const char* from, const char* to) override {
        return note(FileCalls::rename(from, to), FileOp::Rename, 0, nameOf(from), nameOf(to));
    }
    int renameNoReplace(const char* from, const char* to) override {
        return note(FileCalls::renameNoReplace(from, to), FileOp::Rename, 0, nameOf(from), nameOf(to));
    }
    int unlink(const char* path) override {
        return note(FileCalls::unlink(path), FileOp::Unlink, 0, nameOf(path));
    }

    // The ops as text, files by the name they were created with:
    // "create 0001art.dat", "write 0001art.dat 3", "sync folder", ...
    QStringList texts() const;

private:
    template <typename Result>
    Result note(Result result, FileOp::Kind kind, int file, const QString& path = {}, const QString& to = {},
                qint64 offset = 0, const QByteArray& data = {}, unsigned mode = 0) {
        if (result >= 0) ops << FileOp{kind, file, path, to, offset, data, mode};
        return result;
    }
    int fileOf(int fd) const;
    static QString nameOf(const char* path);
    QMap<qint64, int> m_files;  // inode -> the file it holds now
    QStringList m_names;        // file - 1 -> the name it was created with
};

// The contents and modes of a folder's entries but its locks: what a test
// compares to see that a declined start changed nothing.
QMap<QString, QByteArray> folderSnapshot(const QString& folder);
