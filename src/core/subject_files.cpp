#include "core/subject_files.h"

#include "core/subject.h"

QString dataFilePath(const QString& folderText, const QString& subjectCode, const char* fileName) {
    return folderText + subjectCode + QString::fromLatin1(fileName);
}

Status checkJudgeMaterial(const QByteArray& art, const QString& artPath, const QByteArray& results,
                          const QString& resultsPath, double subjectNumber, JudgeMaterial* out) {
    if (Status s = readPictureStore(art, artPath, Extent::Whole, &out->store); !s.isOk()) return s;
    return readResults(results, resultsPath, out->store, subjectNumber, Extent::Whole, &out->results);
}

SubjectFiles::SubjectFiles(DataDisk& disk, QString folderText, QString subjectCode)
    : m_disk(disk), m_folder(std::move(folderText)), m_code(std::move(subjectCode)) {}

double SubjectFiles::subjectNumber() const { return ::subjectNumber(m_code); }

Status SubjectFiles::startPictureStore(int trials) { return createNew(kArtFile, trialsLine(trials)); }

Status SubjectFiles::appendPictureHeader(int objectCount) {
    return append(kArtFile, pictureHeaderLine(objectCount));
}

Status SubjectFiles::appendObject(const PictureObject& object) {
    return append(kArtFile, objectLine(object));
}

Status SubjectFiles::appendResults(const ResultsRow& row) {
    return row.trial == 1 ? createNew(kResultsFile, row.encode()) : append(kResultsFile, row.encode());
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
    return checkJudgeMaterial(art, path(kArtFile), results, path(kResultsFile), subjectNumber(), out);
}

Status SubjectFiles::appendJudgeResults(int trial, const JudgeRow& row) {
    return trial == 1 ? createNew(kJudgeResultsFile, row.encode()) : append(kJudgeResultsFile, row.encode());
}

Status SubjectFiles::finishJudgeArt() { return m_disk.makeReadOnly(path(kJudgeResultsFile)); }

Status SubjectFiles::appendTiming(SessionMode mode, const TimingRow& row) {
    const char* name = timingFileOf(mode);
    return row.trial == 1 ? createNew(name, timingHeader() + row.encode()) : append(name, row.encode());
}

Status SubjectFiles::finishTiming(SessionMode mode) {
    const QString timing = path(timingFileOf(mode));
    return m_saved.contains(timing) ? m_disk.makeReadOnly(timing) : Status::ok();
}

Status SubjectFiles::createNew(const char* name, const QByteArray& data) {
    const Status s = m_disk.createNew(path(name), data);
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
