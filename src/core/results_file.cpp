#include "core/results_file.h"

#include "core/session_settings.h"
#include "core/value_list.h"

namespace {

QList<FieldValue> ratingFields(const TrialRatings& r) {
    return {optionalField(r.ratings[0]), optionalField(r.ratings[1]), optionalField(r.ratings[2]), r.time};
}

// Checks the fields of one line in order; the first problem is kept.
class FieldChecker {
public:
    FieldChecker(const QList<QByteArray>& fields, const Column* columns, int first)
        : m_fields(fields), m_columns(columns), m_first(first) {}

    const QString& problem() const { return m_problem; }

    std::optional<double> number(int i) {
        const std::optional<double> v = parseNumber(m_fields[i]);
        if (!v) refuse(i, QStringLiteral("which is not a number"));
        return v;
    }
    std::optional<int> whole(int i, int low, int high) {
        const std::optional<double> v = number(i);
        if (!v) return std::nullopt;
        if (!isWhole(*v, low, high)) {
            refuse(i, QStringLiteral("it must be a whole number from %1 to %2").arg(low).arg(high));
            return std::nullopt;
        }
        return static_cast<int>(*v);
    }
    // Three ratings (empty, or 1..7) and a time from field i on.
    void ratings(int i, TrialRatings* out) {
        for (int k = 0; k < 3; ++k)
            if (!m_fields[i + k].isEmpty()) out->ratings[static_cast<std::size_t>(k)] = whole(i + k, 1, 7);
        const std::optional<double> time = number(i + 3);
        if (time && !(*time >= 0 && *time <= kMaxRatingTime))
            refuse(i + 3, QStringLiteral("it must lie between 0 and %1 seconds (a week)")
                              .arg(boundText(kMaxRatingTime)));
        else if (time)
            out->time = static_cast<float>(*time);
    }
    void refuse(int i, const QString& rule) {
        if (!m_problem.isEmpty()) return;
        m_problem = QStringLiteral("field %1 (%2) is %3; %4")
                        .arg(m_first + i)
                        .arg(QLatin1String(m_columns[i].described), quotedValue(m_fields[i]), rule);
    }

private:
    const QList<QByteArray>& m_fields;
    const Column* m_columns;
    int m_first;
    QString m_problem;
};

}  // namespace

QByteArray ResultsRow::encode() const {
    QList<FieldValue> fields(kResultsFieldCount);
    fields[kSubjectField] = subject;
    fields[kTrialField] = static_cast<long long>(trial);
    fields[kObjectsField] = static_cast<long long>(settings.objects);
    fields[kShapesField] = static_cast<long long>(settings.shapes);
    fields[kSizesField] = static_cast<long long>(settings.sizes);
    fields[kColoursField] = static_cast<long long>(settings.colours);
    const QList<FieldValue> ratings = ratingFields(rated);
    for (int k = 0; k < 4; ++k) fields[kRating1Field + k] = ratings[k];
    return valueListLine(fields);
}

std::optional<ResultsRow> ResultsRow::parse(const QByteArray& line, QString* problem) {
    const std::optional<QList<QByteArray>> split =
        splitFields(line, kResultsFieldCount, "a results line", problem);
    if (!split) return std::nullopt;
    const QList<QByteArray>& fields = *split;
    FieldChecker check(fields, kResultsColumns.data(), 1);
    ResultsRow r;
    r.text = line;
    const std::optional<double> subject = check.number(kSubjectField);
    const std::optional<int> trial = check.whole(kTrialField, 1, kMaxTrials);
    const std::optional<int> objects = check.whole(kObjectsField, 0, kMaxObjects);
    const std::optional<int> shapes = check.whole(kShapesField, 1, kKinds);
    const std::optional<int> sizes = check.whole(kSizesField, 1, kKinds);
    const std::optional<int> colours = check.whole(kColoursField, 1, kKinds);
    check.ratings(kRating1Field, &r.rated);
    *problem = check.problem();
    if (!problem->isEmpty()) return std::nullopt;
    r.subject = *subject;
    r.trial = *trial;
    r.settings = {*objects, *shapes, *sizes, *colours};
    return r;
}

QByteArray JudgeRow::encode() const { return resultsText + ',' + valueListLine(ratingFields(judged)); }

std::optional<JudgeRow> JudgeRow::parse(const QByteArray& line, const QByteArray& resultsText,
                                        QString* problem) {
    if (!line.startsWith(resultsText + ',')) {
        *problem = QStringLiteral("it does not begin with its line of the results file");
        return std::nullopt;
    }
    const QList<QByteArray> fields = line.mid(resultsText.size() + 1).split(',');
    if (fields.size() != qsizetype(kJudgeColumns.size())) {
        *problem = QStringLiteral("it has %1 judge fields after the results line; there are %2")
                       .arg(fields.size())
                       .arg(kJudgeColumns.size());
        return std::nullopt;
    }
    FieldChecker check(fields, kJudgeColumns.data(), kResultsFieldCount + 1);
    JudgeRow j;
    j.resultsText = resultsText;
    check.ratings(0, &j.judged);
    *problem = check.problem();
    if (!problem->isEmpty()) return std::nullopt;
    return j;
}

Status readResults(const QByteArray& text, const QString& path, const PictureStore& store,
                   double subjectNumber, Extent extent, QList<ResultsRow>* out) {
    static const char* const kFile = "results file";
    out->clear();
    const QList<TextLine> lines = splitLines(text);
    const qsizetype pictures = store.pictures.size();
    qsizetype used = lines.size();
    if (extent == Extent::Whole) {
        if (lines.size() < store.trials)
            return Status::error(
                QStringLiteral("The results file \"%1\" holds %2 lines, but the picture store "
                               "holds %3 pictures: one line per picture is needed.")
                    .arg(path)
                    .arg(lines.size())
                    .arg(store.trials));
        used = store.trials;
    } else if (lines.size() > pictures) {
        return Status::error(QStringLiteral("The results file \"%1\" holds %2 lines, but the picture store "
                                            "holds only %3 complete pictures.")
                                 .arg(path)
                                 .arg(lines.size())
                                 .arg(pictures));
    }
    for (qsizetype i = 0; i < used; ++i) {
        const int lineNo = static_cast<int>(i + 1);
        if (!lines[i].ended) return lineProblem(kFile, path, lineNo, cutOffProblem());
        QString problem;
        const std::optional<ResultsRow> row = ResultsRow::parse(lines[i].text, &problem);
        if (!row) return lineProblem(kFile, path, lineNo, problem);
        if (row->subject != subjectNumber)
            return lineProblem(kFile, path, lineNo,
                               QStringLiteral("it belongs to subject %1, not to subject %2")
                                   .arg(boundText(row->subject), boundText(subjectNumber)));
        if (row->trial != lineNo)
            return lineProblem(kFile, path, lineNo,
                               QStringLiteral("it is numbered trial %1").arg(row->trial));
        const qsizetype stored = store.pictures[i].objects.size();
        if (row->settings.objects != stored)
            return lineProblem(
                kFile, path, lineNo,
                QStringLiteral("it gives %1 objects, but picture %2 of the picture store has %3")
                    .arg(row->settings.objects)
                    .arg(lineNo)
                    .arg(stored));
        out->append(*row);
    }
    return Status::ok();
}

Status readJudgeResults(const QByteArray& text, const QString& path, const QList<ResultsRow>& results,
                        QList<JudgeRow>* out) {
    static const char* const kFile = "judge results file";
    out->clear();
    const QList<TextLine> lines = splitLines(text);
    if (lines.size() > results.size())
        return Status::error(
            QStringLiteral("The judge results file \"%1\" holds %2 lines, but the results file "
                           "holds only %3.")
                .arg(path)
                .arg(lines.size())
                .arg(results.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i + 1);
        if (!lines[i].ended) return lineProblem(kFile, path, lineNo, cutOffProblem());
        QString problem;
        const std::optional<JudgeRow> row = JudgeRow::parse(lines[i].text, results[i].text, &problem);
        if (!row) return lineProblem(kFile, path, lineNo, problem);
        out->append(*row);
    }
    return Status::ok();
}
