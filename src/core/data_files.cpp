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

Status SubjectFiles::startPictureStore(int trials) {
    for (const char* name : {kArtFile, kResultsFile}) {
        if (Status s = m_disk.checkCanCreate(path(name)); !s.isOk()) return s;
    }
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
    if (Status s = checkJudgeMaterial(art, path(kArtFile), results, path(kResultsFile), leadingNumber(m_code), out);
        !s.isOk())
        return s;
    return m_disk.checkCanCreate(path(kJudgeResultsFile));
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
        if (found.kind != EntryKind::File || found.size < it.value()) lost << QStringLiteral("\"%1\"").arg(it.key());
    }
    if (m_saved.isEmpty()) return QStringLiteral("Nothing had been saved yet.");
    if (lost.isEmpty())
        return QStringLiteral("Everything saved before this problem is still in the data files.");
    return QStringLiteral("Pictor can no longer find %1 as it saved it, so it cannot tell what of it is kept; "
                          "look for the data folder before starting another session.")
        .arg(lost.join(QStringLiteral(", ")));
}
