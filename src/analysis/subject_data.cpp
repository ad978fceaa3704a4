#include "analysis/subject_data.h"

#include "core/subject.h"
#include "core/subject_files.h"
#include "core/value_list.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

QString asFolder(const QString& folder) {
    if (folder.endsWith(u'/') || folder.endsWith(QDir::separator())) return folder;
    return folder + u'/';
}

namespace {

QString shownBytes(const QByteArray& raw) {
    QString shown;
    for (const char c : raw)
        shown += c >= 32 && c < 127 ? QString(QLatin1Char(c))
                                    : QStringLiteral("\\x%1").arg(static_cast<uchar>(c), 2, 16, QChar(u'0'));
    return shown;
}

bool endsWithDataName(const QByteArray& name) {
    for (const char* file : kSubjectFileNames)
        if (name.toLower().endsWith(file)) return true;
    return false;
}

}  // namespace

QList<FoundSubject> findSubjects(const QStringList& folders, QStringList* leftOut) {
    QList<FoundSubject> found;
    QSet<QString> listed;
    const QString art = QString::fromLatin1(kArtFile);
    for (const QString& given : folders) {
        const QString folder = asFolder(given);
        // A folder named twice, however it was spelled, is read once.
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (!canonical.isEmpty() && listed.contains(canonical)) continue;
        listed.insert(canonical);
        QStringList names;
        QList<QByteArray> undecodable;
        if (Status s = listFolder(folder, &names, &undecodable); !s.isOk()) {
            *leftOut << s.message();
            continue;
        }
        for (const QByteArray& raw : undecodable)
            if (endsWithDataName(raw))
                *leftOut << QStringLiteral(
                                "\"%1%2\" is left out: its name is not valid UTF-8; rename it to "
                                "read it.")
                                .arg(folder, shownBytes(raw));
        QMap<QString, QString> stores;  // prefix: the picture store read
        for (const QString& name : names) {
            if (!name.endsWith(art, Qt::CaseInsensitive) || name.size() == art.size()) continue;
            FoundSubject f{folder, name.chopped(art.size()), {}};
            // Each file in the letter case it has; the usual one first.
            for (const char* file : kSubjectFileNames) {
                const QString usual = f.prefix + QLatin1String(file);
                for (const QString& n : names)
                    if (n.size() == usual.size() && n.startsWith(f.prefix) &&
                        n.endsWith(QLatin1String(file), Qt::CaseInsensitive) &&
                        (n == usual || !f.names.contains(QLatin1String(file))))
                        f.names[QLatin1String(file)] = n;
            }
            if (stores.contains(f.prefix)) continue;
            stores[f.prefix] = f.names[art];
            found << f;
        }
        for (const QString& name : names)
            if (name.endsWith(art, Qt::CaseInsensitive) && name.size() > art.size() &&
                stores.value(name.chopped(art.size())) != name)
                *leftOut << QStringLiteral(
                                "\"%1%2\" is left out: \"%3\" in the same folder is that "
                                "subject's picture store.")
                                .arg(folder, name, stores.value(name.chopped(art.size())));
    }
    return found;
}

namespace {

class Reader {
public:
    Reader(const DataDisk& disk, const FoundSubject& found, SubjectData* out)
        : m_disk(disk), m_found(found), m_out(out) {}

    QString path(const char* file) const {
        return m_found.folder +
               m_found.names.value(QLatin1String(file), m_found.prefix + QLatin1String(file));
    }
    bool exists(const char* file) const { return m_disk.inspect(path(file)).kind != EntryKind::Missing; }

    Status read(const char* file, QByteArray* text) {
        return m_disk.readAll(path(file), text, kMaxDataFileBytes);
    }

    std::optional<RecordContents> record(const char* file) {
        QByteArray text;
        if (!exists(file)) return std::nullopt;
        if (Status s = read(file, &text); !s.isOk()) {
            m_out->damage << s.message() + QStringLiteral(" Its columns are left empty.");
            return std::nullopt;
        }
        QString problem;
        std::optional<RecordContents> r = RecordContents::fromJson(text, &problem);
        if (!r)
            m_out->damage << QStringLiteral(
                                 "The session record \"%1\" cannot be used: %2; its columns are "
                                 "left empty.")
                                 .arg(path(file), problem);
        return r;
    }

    // An unfinished session may end in a line that a crash cut short or
    // filled with zeros; that line is left out. A finished one is strict.
    QByteArray wholeLines(const char* file, const QByteArray& text, const SessionState& session) {
        const bool finished = session.record && session.record->status == SessionStatus::Finished;
        if (finished || !m_disk.inspect(path(file)).writable || text.isEmpty() || isLineEnd(text.back()))
            return text;
        const qsizetype start = std::max(text.lastIndexOf('\n'), text.lastIndexOf('\r')) + 1;
        m_out->warnings << QStringLiteral(
                               "\"%1\", line %2: the last line has no line end (%3), as a crash "
                               "leaves it; it is left out, as the session did not finish.")
                               .arg(path(file))
                               .arg(splitLines(text.left(start)).size() + 1)
                               .arg(quotedValue(text.mid(start)));
        return text.left(start);
    }

    // Judge Art ignores results lines beyond the pictures; so does this, and says so.
    QByteArray upToPictures(const QByteArray& text) {
        const qsizetype pictures = m_out->store.pictures.size();
        qsizetype lines = 0, end = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!isLineEnd(text[i])) continue;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            if (++lines == pictures) end = i + 1;
        }
        const qsizetype total = splitLines(text).size();
        if (total <= pictures) return text;
        m_out->warnings << QStringLiteral(
                               "\"%1\", lines %2 to %3: there are only %4 complete pictures, so "
                               "these lines are ignored, as Judge Art ignores them.")
                               .arg(path(kResultsFile))
                               .arg(pictures + 1)
                               .arg(total)
                               .arg(pictures);
        return text.left(end);
    }

    // The session record's subject code, where the file names carry the
    // last part of a data folder typed without a separator at its end:
    // "/data/lab" and "0001" give "/data/lab0001art.dat".
    void recogniseJoinedFolder() {
        const std::optional<RecordContents>& r =
            m_out->make.record ? m_out->make.record : m_out->judge.record;
        if (!r) return;
        const QString code = r->settings.subjectCode, typed = r->settings.dataFolder;
        const QString head = m_found.prefix.chopped(std::min(code.size(), m_found.prefix.size()));
        if (code.isEmpty() || m_found.prefix == code || !m_found.prefix.endsWith(code) ||
            !typed.endsWith(head))
            return;
        m_out->code = code;
        m_out->folder = m_found.folder + head;
        m_out->warnings << QStringLiteral(
                               "\"%1\": the session's data folder was typed as \"%2\", without a "
                               "separator at its end, so its files begin with \"%3\"; they are "
                               "read as subject %4 in \"%5\".")
                               .arg(path(kArtFile), typed, m_found.prefix, code, m_out->folder);
    }

    // Without a record: a plain word on why the numbers disagree.
    QString joinedFolderHint() const {
        qsizetype digits = m_found.prefix.size();
        while (digits > 0 && m_found.prefix[digits - 1].isDigit()) --digits;
        qsizetype first = digits;
        while (first > 0 && !m_found.prefix[first - 1].isDigit()) --first;
        if (first != 0 || digits == 0) return QString();
        return QStringLiteral(
                   " The names may come from a data folder typed without a separator at its end "
                   "(\"...%1\" followed by a code); without a session record pictor-data cannot "
                   "tell the code.")
            .arg(m_found.prefix.left(digits));
    }

    // A session's timing file, where it kept one; a damaged one leaves its
    // columns empty, as a damaged record does.
    void timing(const char* file, const SessionState& session, qsizetype results, QList<TimingRow>* rows) {
        QByteArray text;
        if (!exists(file)) return;
        Status read = this->read(file, &text);
        if (read.isOk()) read = readTiming(wholeLines(file, text, session), path(file), results, rows);
        if (read.isOk()) return;
        rows->clear();
        m_out->damage << read.message() + QStringLiteral(" Its columns are left empty.");
    }

    void settle(SessionState& s, const char* recordFile) {
        if (!s.ran) return;
        const bool complete = s.completed >= s.planned;
        if (!s.record) {
            s.status = complete ? QStringLiteral("finished") : QStringLiteral("incomplete");
            return;
        }
        const RecordContents& r = *s.record;
        if (r.status == SessionStatus::Finished && !complete) {
            s.status = QStringLiteral("incomplete");
            m_out->warnings << QStringLiteral(
                                   "\"%1\" says the session finished, but the files hold %2 of its "
                                   "%3 trials; it is tabled as incomplete.")
                                   .arg(path(recordFile))
                                   .arg(s.completed)
                                   .arg(s.planned);
            return;
        }
        s.status = statusText(r.status);
        if (r.trialsCompleted > s.completed)
            m_out->warnings << QStringLiteral("\"%1\" says %2 trials were completed, but the files hold %3.")
                                   .arg(path(recordFile))
                                   .arg(r.trialsCompleted)
                                   .arg(s.completed);
    }

    void compareTerms() {
        if (!m_out->make.record || !m_out->judge.record) return;
        QStringList differ;
        for (int k = 1; k <= 3; ++k) {
            const ScaleSettings &made = m_out->make.record->settings.scale(k),
                                &judged = m_out->judge.record->settings.scale(k);
            if (made.left != judged.left || made.right != judged.right)
                differ << QStringLiteral("scale %1: \"%2\"-\"%3\" in Make Art, \"%4\"-\"%5\" in Judge Art")
                              .arg(k)
                              .arg(made.left, made.right, judged.left, judged.right);
        }
        if (!differ.isEmpty())
            m_out->warnings << QStringLiteral(
                                   "subject %1 in \"%2\": the two sessions used different scale "
                                   "terms (%3); each session's ratings go with its own terms.")
                                   .arg(m_out->code, m_out->folder, differ.join(QStringLiteral("; ")));
    }

    Status load() {
        SubjectData& s = *m_out;
        s.folder = m_found.folder;
        s.code = m_found.prefix;
        // The records first: they say whether a session finished.
        s.make.record = record(kMakeRecordFile);
        s.judge.record = record(kJudgeRecordFile);
        recogniseJoinedFolder();
        QByteArray art, results, judged;
        if (Status st = read(kArtFile, &art); !st.isOk()) return st;
        art = wholeLines(kArtFile, art, s.make);
        if (Status st = readPictureStore(art, path(kArtFile), Extent::Partial, &s.store); !st.isOk())
            return st;
        s.make.ran = true;
        s.make.planned = s.judge.planned = s.store.trials;
        s.judge.ran = s.judge.record.has_value() || exists(kJudgeResultsFile);
        Status ratings;
        if (exists(kResultsFile)) {
            ratings = read(kResultsFile, &results);
            if (ratings.isOk()) {
                results = upToPictures(wholeLines(kResultsFile, results, s.make));
                ratings = readResults(results, path(kResultsFile), s.store, subjectNumber(s.code),
                                      Extent::Partial, &s.results);
                if (!ratings.isOk() && ratings.message().contains(QStringLiteral("belongs to subject")))
                    ratings = Status::error(ratings.message() + joinedFolderHint());
            }
        }
        if (ratings.isOk() && exists(kJudgeResultsFile)) {
            ratings = read(kJudgeResultsFile, &judged);
            if (ratings.isOk())
                ratings = readJudgeResults(wholeLines(kJudgeResultsFile, judged, s.judge),
                                           path(kJudgeResultsFile), s.results, &s.judged);
        }
        if (!ratings.isOk()) {
            s.damage << ratings.message();
            s.ratingsUsable = false;
            s.results.clear();
            s.judged.clear();
        }
        s.make.completed = static_cast<int>(s.results.size());
        s.judge.completed = static_cast<int>(s.judged.size());
        timing(kTimingFile, s.make, s.results.size(), &s.timing);
        timing(kJudgeTimingFile, s.judge, s.judged.size(), &s.judgeTiming);
        settle(s.make, kMakeRecordFile);
        settle(s.judge, kJudgeRecordFile);
        compareTerms();
        return Status::ok();
    }

private:
    const DataDisk& m_disk;
    const FoundSubject& m_found;
    SubjectData* m_out;
};

}  // namespace

Status loadSubject(const DataDisk& disk, const FoundSubject& found, SubjectData* out) {
    *out = SubjectData{};
    return Reader(disk, found, out).load();
}
