#include "core/session_start.h"

#include "core/subject.h"

namespace {

// Make Art starts the subject's data afresh; Judge Art adds its own.
QList<const char*> replacedBy(SessionMode mode) {
    if (mode == SessionMode::JudgeArt) return {kJudgeResultsFile, kJudgeRecordFile, kJudgeTimingFile};
    return {kArtFile,          kResultsFile,     kMakeRecordFile, kTimingFile,
            kJudgeResultsFile, kJudgeRecordFile, kJudgeTimingFile};
}

bool recordSaysFinished(const DataDisk& disk, const QString& path) {
    QByteArray text;
    QString problem;
    if (!disk.readAll(path, &text, kMaxDataFileBytes).isOk()) return false;
    const std::optional<RecordContents> record = RecordContents::fromJson(text, &problem);
    return record && record->status == SessionStatus::Finished;
}

}  // namespace

SessionStart::SessionStart(DataDisk& disk, SessionSettings settings)
    : m_disk(disk),
      m_settings(withSettingChangeRule(std::move(settings))),
      m_files(disk, m_settings.dataFolder, m_settings.subjectCode) {}

SessionStart::~SessionStart() = default;

StartDecision SessionStart::decide() {
    StartDecision decision;
    decision.refusal = refusal();
    if (!decision.refusal.isOk()) {
        m_lock.reset();
        return decision;
    }
    decision.outcome =
        m_replace.isEmpty() ? StartDecision::Outcome::Ready : StartDecision::Outcome::AskToReplace;
    decision.replace = m_replace;
    return decision;
}

Status SessionStart::refusal() {
    m_replace.clear();
    const QString& code = m_settings.subjectCode;
    if (Status s = checkSubjectCode(code); !s.isOk()) return s;
    if (Status s = m_disk.checkFolderOf(m_files.path(kArtFile)); !s.isOk())
        return Status::error(s.message() + QStringLiteral(" The session has not started."));
    for (const char* name : kSubjectFileNames) {
        const EntryInfo found = m_disk.inspect(m_files.path(name));
        if (found.kind != EntryKind::Missing && !isOwnFile(found))
            return Status::error(
                QStringLiteral(
                    "The data file \"%1\" is %2, not a regular file of its own. Pictor only reads and "
                    "writes such files, so nothing has been written; move it away or choose another "
                    "folder or code.")
                    .arg(m_files.path(name), describeEntry(found)));
    }
    // The lock is taken before the files are weighed, so a second copy of
    // the program hears of the first rather than of an unfinished session.
    LockAttempt lock = m_disk.lock(m_files.path(kLockFile));
    if (lock.busy)
        return Status::error(
            QStringLiteral("Subject %1 is already in a session with this data folder: %2 holds the lock "
                           "\"%3\". Finish or close that session first.")
                .arg(code,
                     lock.holder.isEmpty() ? QStringLiteral("another program, which the lock does not name,")
                                           : QStringLiteral("Pictor (%1)").arg(lock.holder),
                     m_files.path(kLockFile)));
    if (!lock.held) return lock.error;
    m_lock = std::move(lock.held);

    for (const char* name : replacedBy(m_settings.mode)) {
        const QString path = m_files.path(name);
        const EntryInfo found = m_disk.inspect(path);
        if (found.kind != EntryKind::File) continue;
        const bool record = name == kMakeRecordFile || name == kJudgeRecordFile;
        if (!found.writable || (record && recordSaysFinished(m_disk, path)))
            return Status::error(
                QStringLiteral(
                    "The data file \"%1\" belongs to a finished session of subject %2, whose data are "
                    "never overwritten (it is %3). Choose another code or data folder.")
                    .arg(path, code,
                         found.writable ? QStringLiteral("a record that says so")
                                        : QStringLiteral("read-only")));
        m_replace << path;
    }
    if (m_settings.mode == SessionMode::JudgeArt) return m_files.loadJudgeMaterial(&m_material);
    return Status::ok();
}

std::unique_ptr<ActiveSession> SessionStart::begin(const RunEnvironment& environment,
                                                   const QString& programVersion, Status* failure) {
    const bool making = m_settings.mode == SessionMode::MakeArt;
    const QString makeRecord = m_files.path(kMakeRecordFile);
    RecordContents contents;
    contents.programVersion = programVersion;
    contents.settings = m_settings;
    contents.environment = environment;
    if (!making && m_disk.inspect(makeRecord).kind == EntryKind::File) contents.replays = makeRecord;
    auto session = std::unique_ptr<ActiveSession>(new ActiveSession{
        m_settings, m_files,
        SessionRecord(m_disk, m_files.path(making ? kMakeRecordFile : kJudgeRecordFile), contents),
        m_material, making ? m_settings.trials : m_material.store.trials, nullptr});
    *failure = Status::ok();
    for (const QString& path : m_replace) {
        if (*failure = m_disk.remove(path); !failure->isOk()) break;
    }
    // Once the replaced files are gone, the session's own files are what
    // this start writes.
    const bool cleared = failure->isOk();
    if (cleared && making) *failure = session->files.startPictureStore(session->plannedTrials);
    if (failure->isOk()) *failure = session->record.start(session->plannedTrials);
    if (!failure->isOk()) {
        // What this start wrote goes again, so the next start does not
        // mistake it for a session that did not finish.
        if (cleared && making) m_disk.remove(m_files.path(kArtFile));
        if (cleared) m_disk.remove(session->record.path());
        m_lock.reset();
        return nullptr;
    }
    session->lock = std::move(m_lock);
    return session;
}

void SessionStart::cancel() { m_lock.reset(); }
