#include "support/files.h"

#include <QDir>
#include <QFile>

#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(data);
}

bool isReadOnly(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && (st.st_mode & 0222) == 0;
}

int openDescriptors() {
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// Sets how long a write may make a file; returns the limit before.
static rlim_t limitFileSize(rlim_t bytes) {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t old = limit.rlim_cur;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    return old;
}

DiskFull::DiskFull(qint64 bytes) : m_old(limitFileSize(static_cast<rlim_t>(bytes))) {
    std::signal(SIGXFSZ, SIG_IGN);  // a failed write, not the end of the process
}

DiskFull::~DiskFull() { limitFileSize(m_old); }
