#include "core/session_lock.h"

Status SessionLock::acquire(const QString& path, const QString& subjectCode) {
    release();
    auto lock = std::make_unique<QLockFile>(path);
    // A lock is never old enough to be taken over; only one whose process
    // is gone (on this computer) is.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return Status::ok();
    }
    if (lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, application;
        const QString holder =
            lock->getLockInfo(&pid, &host, &application)
                ? QStringLiteral("%1 (process %2 on \"%3\")")
                      .arg(application.isEmpty() ? QStringLiteral("a program") : application)
                      .arg(pid)
                      .arg(host)
                : QStringLiteral("another program");
        return Status::error(
            QStringLiteral("Subject %1 is already in a session with this data folder: %2 holds "
                           "the lock \"%3\". Finish or close that session first.")
                .arg(subjectCode, holder, path));
    }
    return Status::error(
        QStringLiteral("Pictor could not create the lock \"%1\" for subject %2 in the data folder.")
            .arg(path, subjectCode));
}

void SessionLock::release() {
    if (m_lock) m_lock->unlock();
    m_lock.reset();
}
