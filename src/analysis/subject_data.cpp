#include "analysis/subject_data.h"

#include "core/subject.h"
#include "core/subject_files.h"

#include <QDir>

QString asFolder(const QString& folder) {
    if (folder.endsWith(u'/') || folder.endsWith(QDir::separator())) return folder;
    return folder + u'/';
}

QStringList findSubjects(const QString& folder) {
    QStringList codes;
    const QString suffix = QString::fromLatin1(kArtFile);
    for (const QString& name :
         QDir(folder).entryList({QStringLiteral("*") + suffix}, QDir::Files, QDir::Name)) {
        const QString code = name.chopped(suffix.size());
        if (!code.isEmpty()) codes << code;
    }
    return codes;
}

namespace {

// Empty text for a missing file; an error for one that cannot be read.
Status readIfThere(const DataDisk& disk, const QString& path, QByteArray* out, bool* there) {
    out->clear();
    *there = disk.inspect(path).kind != EntryKind::Missing;
    return *there ? disk.readAll(path, out, kMaxDataFileBytes) : Status::ok();
}

Status readRecord(const DataDisk& disk, const QString& path, std::optional<RecordContents>* out) {
    QByteArray text;
    bool there = false;
    if (Status s = readIfThere(disk, path, &text, &there); !s.isOk() || !there) return s;
    QString problem;
    *out = RecordContents::fromJson(text, &problem);
    if (!*out)
        return Status::error(
            QStringLiteral("The session record \"%1\" cannot be used: %2.").arg(path, problem));
    return Status::ok();
}

// A timing file, when there is one, with no more trials than `results`.
Status readTimingIfThere(const DataDisk& disk, const QString& path, qsizetype results,
                         QList<TimingRow>* out) {
    QByteArray text;
    bool there = false;
    if (Status s = readIfThere(disk, path, &text, &there); !s.isOk() || !there) return s;
    return readTiming(text, path, results, out);
}

}  // namespace

Status loadSubject(const DataDisk& disk, const QString& folder, const QString& code, SubjectData* out) {
    *out = SubjectData{};
    out->folder = asFolder(folder);
    out->code = code;
    auto path = [&](const char* name) { return dataFilePath(out->folder, code, name); };
    QByteArray art, results, judged;
    bool there = false;
    if (Status s = disk.readAll(path(kArtFile), &art, kMaxDataFileBytes); !s.isOk()) return s;
    if (Status s = readPictureStore(art, path(kArtFile), Extent::Partial, &out->store); !s.isOk()) return s;
    if (Status s = readIfThere(disk, path(kResultsFile), &results, &there); !s.isOk()) return s;
    if (Status s = readResults(results, path(kResultsFile), out->store, subjectNumber(code), Extent::Partial,
                               &out->results);
        !s.isOk())
        return s;
    if (Status s = readIfThere(disk, path(kJudgeResultsFile), &judged, &there); !s.isOk()) return s;
    if (Status s = readJudgeResults(judged, path(kJudgeResultsFile), out->results, &out->judged); !s.isOk())
        return s;
    if (Status s = readTimingIfThere(disk, path(kTimingFile), out->results.size(), &out->timing); !s.isOk())
        return s;
    if (Status s = readTimingIfThere(disk, path(kJudgeTimingFile), out->judged.size(), &out->judgeTiming);
        !s.isOk())
        return s;
    if (Status s = readRecord(disk, path(kMakeRecordFile), &out->makeRecord); !s.isOk()) return s;
    return readRecord(disk, path(kJudgeRecordFile), &out->judgeRecord);
}
