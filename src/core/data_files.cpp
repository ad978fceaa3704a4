#include "core/data_files.h"

#include "core/value_list.h"
#include "platform/numbers.h"

QString dataFilePath(const QString& folderText, const QString& subjectCode, const char* fileName) {
    return folderText + subjectCode + QString::fromLatin1(fileName);
}

QByteArray resultsLine(double subjectNumber, int trial, const TrialResults& r) {
    return valueListLine({subjectNumber, static_cast<long long>(trial), optionalField(r.TrialObjects[trial]),
                          optionalField(r.TrialShapes[trial]), optionalField(r.TrialSizes[trial]),
                          optionalField(r.TrialColours[trial]), optionalField(r.PleRating[trial]),
                          optionalField(r.IntRating[trial]), optionalField(r.ComRating[trial]),
                          optionalField(r.RatingTime[trial])});
}

QByteArray judgeResultsLine(const QByteArray& resultsText, int trial, const TrialResults& r) {
    return resultsText + ',' +
           valueListLine({optionalField(r.PleRating[trial]), optionalField(r.IntRating[trial]),
                          optionalField(r.ComRating[trial]), optionalField(r.RatingTime[trial])});
}

SubjectFiles::SubjectFiles(DataDisk& disk, QString folderText, QString subjectCode)
    : m_disk(disk), m_folder(std::move(folderText)), m_code(std::move(subjectCode)) {}

Status SubjectFiles::checkPlaces() const {
    if (Status s = m_disk.checkFolderOf(path(kArtFile)); !s.isOk())
        return Status::error(s.message() + QStringLiteral(" The session has not started."));
    for (const char* name :
         {kArtFile, kResultsFile, kMakeRecordFile, kJudgeResultsFile, kJudgeRecordFile, kLockFile}) {
        const EntryInfo found = m_disk.inspect(path(name));
        if (found.kind != EntryKind::Missing && found.kind != EntryKind::File)
            return Status::error(
                QStringLiteral("The data file \"%1\" is %2, not a regular file. Pictor only reads and writes "
                               "regular files, so nothing has been written; move it away or choose another "
                               "folder or code.")
                    .arg(path(name), describeEntry(found)));
    }
    return Status::ok();
}

StartPlan SubjectFiles::planStart(SessionMode mode) const {
    StartPlan plan;
    const bool making = mode == SessionMode::MakeArt;
    // Make Art starts the subject's data afresh; Judge Art adds its own.
    const QList<const char*> replaced = making ? QList<const char*>{kArtFile, kResultsFile, kMakeRecordFile,
                                                                    kJudgeResultsFile, kJudgeRecordFile}
                                               : QList<const char*>{kJudgeResultsFile, kJudgeRecordFile};
    for (const char* name : replaced) {
        const EntryInfo found = m_disk.inspect(path(name));
        if (found.kind != EntryKind::File) continue;
        if (!found.writable) {
            plan.refusal = Status::error(
                QStringLiteral(
                    "The data file \"%1\" is read-only: it belongs to a finished session of subject "
                    "%2, whose data are never overwritten. Choose another code or data folder.")
                    .arg(path(name), m_code));
            return plan;
        }
        plan.unfinished << path(name);
    }
    if (!making) {
        JudgeMaterial material;
        if (Status s = loadJudgeMaterial(&material); !s.isOk()) plan.refusal = s;
    }
    return plan;
}

Status SubjectFiles::removeUnfinished(const QStringList& paths) {
    for (const QString& p : paths) {
        if (Status s = m_disk.remove(p); !s.isOk()) return s;
    }
    return Status::ok();
}

Status SubjectFiles::startPictureStore(int trials) {
    return writeNew(kArtFile, valueListLine({static_cast<long long>(trials)}));
}

Status SubjectFiles::appendPictureHeader(int objectCount) {
    return append(kArtFile, valueListLine({static_cast<long long>(objectCount)}));
}

Status SubjectFiles::appendObject(const PlacedObject& o) {
    return append(kArtFile, valueListLine({static_cast<long long>(o.kind), o.x, o.y, o.size,
                                           static_cast<long long>(o.colour)}));
}

Status SubjectFiles::appendResults(int trial, const TrialResults& results) {
    const QByteArray line = resultsLine(leadingNumber(m_code), trial, results);
    return trial == 1 ? writeNew(kResultsFile, line) : append(kResultsFile, line);
}

Status SubjectFiles::finishMakeArt() {
    for (const char* name : {kArtFile, kResultsFile}) {
        if (Status s = m_disk.makeReadOnly(path(name)); !s.isOk()) return s;
    }
    return Status::ok();
}

Status SubjectFiles::loadJudgeMaterial(JudgeMaterial* out) const {
    QByteArray art;
    if (Status s = m_disk.readAll(path(kArtFile), &art, kMaxDataFileBytes); !s.isOk()) return s;
    QByteArray results;
    if (Status s = m_disk.readAll(path(kResultsFile), &results, kMaxDataFileBytes); !s.isOk()) return s;
    return checkJudgeMaterial(art, path(kArtFile), results, path(kResultsFile), leadingNumber(m_code), out);
}

Status SubjectFiles::appendJudgeResults(int trial, const QByteArray& resultsText,
                                        const TrialResults& results) {
    const QByteArray line = judgeResultsLine(resultsText, trial, results);
    return trial == 1 ? writeNew(kJudgeResultsFile, line) : append(kJudgeResultsFile, line);
}

Status SubjectFiles::finishJudgeArt() { return m_disk.makeReadOnly(path(kJudgeResultsFile)); }

Status SubjectFiles::writeNew(const char* name, const QByteArray& data) {
    const Status s = m_disk.writeNew(path(name), data);
    if (s.isOk()) m_saved[path(name)] = data.size();
    return s;
}

Status SubjectFiles::append(const char* name, const QByteArray& data) {
    const Status s = m_disk.append(path(name), data);
    if (s.isOk()) m_saved[path(name)] += data.size();
    return s;
}

QString SubjectFiles::keptSentence() const {
    QStringList lost;
    for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
        const EntryInfo found = m_disk.inspect(it.key());
        if (found.kind != EntryKind::File || found.size < it.value())
            lost << QStringLiteral("\"%1\"").arg(it.key());
    }
    if (m_saved.isEmpty()) return QStringLiteral("Nothing had been saved yet.");
    if (lost.isEmpty())
        return QStringLiteral("Everything saved before this problem is still in the data files.");
    return QStringLiteral(
               "Pictor can no longer find %1 as it saved it, so it cannot tell what of it is kept; "
               "look for the data folder before starting another session.")
        .arg(lost.join(QStringLiteral(", ")));
}
