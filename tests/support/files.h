#pragma once

// Real files for tests: reading and writing them whole, and a disk that
// fills up at a chosen size.

#include <QByteArray>
#include <QString>

QByteArray readFile(const QString& path);  // "<missing>" when it cannot be read
void writeFile(const QString& path, const QByteArray& data);
// An existing entry without any write permission bit.
bool isReadOnly(const QString& path);
int openDescriptors();

// While it lives, a write that would make a file longer than `bytes`
// fails (EFBIG), as on a full disk.
class DiskFull {
public:
    explicit DiskFull(qint64 bytes);
    ~DiskFull();
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;

private:
    unsigned long long m_old = 0;
};
