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
    return m_disk.writeNew(path(kArtFile), valueListLine({static_cast<long long>(trials)}));
}

Status SubjectFiles::appendPictureHeader(int objectCount) {
    return m_disk.append(path(kArtFile), valueListLine({static_cast<long long>(objectCount)}));
}

Status SubjectFiles::appendObject(const PlacedObject& o) {
    return m_disk.append(path(kArtFile), valueListLine({static_cast<long long>(o.kind), o.x, o.y, o.size,
                                                        static_cast<long long>(o.colour)}));
}

Status SubjectFiles::appendResults(int trial, const TrialResults& results) {
    const QByteArray line = resultsLine(leadingNumber(m_code), trial, results);
    return trial == 1 ? m_disk.writeNew(path(kResultsFile), line) : m_disk.append(path(kResultsFile), line);
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
    const QString res2 = path(kJudgeResultsFile);
    return trial == 1 ? m_disk.writeNew(res2, line) : m_disk.append(res2, line);
}

Status SubjectFiles::finishJudgeArt() { return m_disk.makeReadOnly(path(kJudgeResultsFile)); }
