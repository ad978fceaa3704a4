#pragma once

// Whole-file and line operations on the data files. Every write is flushed
// to the disk (fsync) before the call returns, so a crash or power cut loses
// at most what was not yet handed over. A file without write permission bits
// counts as read-only and is refused by the program itself, even when it
// runs as root, because such a file is the finished record of a session.
// Every failure comes back as a Status naming the file and the reason.

#include "platform/status.h"

#include <QByteArray>
#include <QString>

namespace textfile {

// Creates the file, or empties it, and writes data.
Status writeNew(const QString& path, const QByteArray& data);

// Appends data to an existing file.
Status append(const QString& path, const QByteArray& data);

// Reads the whole file. A file longer than maxBytes (when positive) is
// refused unread, so a stray huge file cannot exhaust memory.
Status readAll(const QString& path, QByteArray* out, qint64 maxBytes = -1);

// Removes every write permission bit.
Status makeReadOnly(const QString& path);

// True when the path names an existing entry without any write permission bit.
bool isReadOnly(const QString& path);

bool exists(const QString& path);

// Checks, without touching anything, that writeNew(path) could create or
// replace the file: its folder exists and is writable, and the path is not a
// read-only file or a folder.
Status checkCanCreate(const QString& path);

}  // namespace textfile
