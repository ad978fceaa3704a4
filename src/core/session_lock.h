#pragma once

// One session per subject and data folder at a time. A session holds a lock
// file beside the data files from its start until the program ends; a
// second copy of the program that tries the same subject in the same folder
// is refused, and told which process holds it. The lock of a process that
// is gone is taken over.

#include "platform/status.h"

#include <QLockFile>
#include <QString>
#include <memory>

class SessionLock {
public:
    SessionLock() = default;
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    // `path` is the lock file; `subjectCode` only names the subject in
    // messages. Takes the lock or says why not.
    Status acquire(const QString& path, const QString& subjectCode);
    void release();
    bool held() const { return m_lock != nullptr; }

private:
    std::unique_ptr<QLockFile> m_lock;
};
