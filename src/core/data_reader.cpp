#include "core/data_reader.h"

#include <charconv>
#include <cmath>

namespace {

// Bounds of what the drawing can take: coordinates far beyond the canvas
// are still drawn (clipped), sizes stay below what would overflow a pen.
constexpr double kMaxCoordinate = 1.0e6;
constexpr double kMaxSize = 1.0e4;
constexpr double kMaxColour = 16777215;

// A bound as a person writes it: 16777215, 1.5, 1000000.
QString bound(double value) { return QString::number(value, 'g', 15); }

QString quoted(const QByteArray& text) {
    QString shown = QString::fromLatin1(text.left(40));
    for (QChar& c : shown)
        if (c.unicode() < 32 || c.unicode() >= 127) c = u'?';
    return u'"' + shown + (text.size() > 40 ? QStringLiteral("...\"") : QStringLiteral("\""));
}

std::optional<double> parseNumber(const QByteArray& text) {
    const char* begin = text.constData();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (text.isEmpty() || ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool isWhole(double v, double low, double high) { return v == std::floor(v) && v >= low && v <= high; }

// Line ends: CR LF, LF or a lone CR.
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

struct Token {
    QByteArray text;
    int line = 0;
    bool cutOff = false;  // on a last line that has no line end
};

class TokenReader {
public:
    explicit TokenReader(const QByteArray& text) : m_text(text) {
        m_finalLineOpen = !text.isEmpty() && !isLineEnd(text.back());
    }

    // False at the end of the text. An empty value between commas comes back
    // as an empty token; line ends alone never make tokens.
    bool next(Token* token) {
        skipBlanksAndLineEnds();
        if (m_pos >= m_text.size()) return false;
        token->line = m_line;
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != ',' && !isLineEnd(m_text[m_pos])) ++m_pos;
        token->text = m_text.mid(start, m_pos - start).trimmed();
        m_afterComma = m_pos < m_text.size() && m_text[m_pos] == ',';
        if (m_afterComma) ++m_pos;
        token->cutOff = m_finalLineOpen && m_text.indexOf('\n', m_pos) < 0 && m_text.indexOf('\r', m_pos) < 0;
        return true;
    }

private:
    void skipBlanksAndLineEnds() {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == ' ' || c == '\t') {
                ++m_pos;
            } else if (isLineEnd(c)) {
                if (m_afterComma) return;  // "1,\r\n" leaves an empty value
                if (c == '\n' || m_pos + 1 >= m_text.size() || m_text[m_pos + 1] != '\n') ++m_line;
                ++m_pos;
            } else {
                return;
            }
        }
    }

    const QByteArray& m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
    bool m_afterComma = false;
    bool m_finalLineOpen = false;
};

class StoreParser {
public:
    StoreParser(const QByteArray& text, const QString& path, Extent extent)
        : m_reader(text), m_path(path), m_extent(extent) {}

    Status parse(PictureStore* out) {
        out->pictures.clear();
        Token t;
        if (!m_reader.next(&t))
            return fail(0, QStringLiteral("the file ends where the number of trials should be"));
        const std::optional<double> trials = number(t, QStringLiteral("the number of trials"));
        if (!trials) return m_error;
        if (!isWhole(*trials, 1, kMaxTrials))
            return fail(t.line,
                        QStringLiteral("the number of trials is %1; it must be a whole number from 1 to %2")
                            .arg(quoted(t.text))
                            .arg(kMaxTrials));
        out->trials = static_cast<int>(*trials);
        for (int p = 1; p <= out->trials; ++p) {
            StoredPicture picture;
            const Outcome read = readPicture(p, out->trials, &picture);
            if (read == Outcome::Failed) return m_error;
            if (read == Outcome::Ended) break;
            out->pictures.append(picture);
        }
        return Status::ok();
    }

private:
    enum class Outcome { Read, Ended, Failed };

    Outcome readPicture(int p, int trials, StoredPicture* picture) {
        Token t;
        if (!m_reader.next(&t)) return ended(p, trials);
        const QString what = QStringLiteral("the object count of picture %1").arg(p);
        const std::optional<double> count = number(t, what);
        if (!count) return Outcome::Failed;
        if (!isWhole(*count, 0, kMaxObjects)) {
            fail(t.line, QStringLiteral("%1 is %2; it must be a whole number from 0 to %3")
                             .arg(what, quoted(t.text))
                             .arg(kMaxObjects));
            return Outcome::Failed;
        }
        for (int i = 1; i <= static_cast<int>(*count); ++i) {
            StoredObject object;
            const Outcome read = readObject(p, i, &object);
            if (read != Outcome::Read) return read;
            picture->objects.append(object);
        }
        return Outcome::Read;
    }

    Outcome readObject(int p, int index, StoredObject* object) {
        const QString where = QStringLiteral("object %1 of picture %2").arg(index).arg(p);
        static const char* const names[5] = {"kind", "x", "y", "size", "colour"};
        Token tokens[5];
        double v[5] = {};
        for (int f = 0; f < 5; ++f) {
            if (!m_reader.next(&tokens[f])) {
                if (m_extent == Extent::Partial) return Outcome::Ended;
                fail(0, QStringLiteral("the file ends where the %1 of %2 should be")
                            .arg(QLatin1String(names[f]), where));
                return Outcome::Failed;
            }
            const std::optional<double> value =
                number(tokens[f], QStringLiteral("the %1 of %2").arg(QLatin1String(names[f]), where));
            if (!value) return Outcome::Failed;
            v[f] = *value;
        }
        auto refuse = [&](int f, const QString& rule) {
            fail(tokens[f].line, QStringLiteral("the %1 of %2 is %3; %4")
                                     .arg(QLatin1String(names[f]), where, quoted(tokens[f].text), rule));
            return Outcome::Failed;
        };
        if (v[0] != std::floor(v[0])) return refuse(0, QStringLiteral("it must be a whole number"));
        object->kind = std::fabs(v[0]) <= 1e9 ? static_cast<int>(v[0]) : 0;
        object->x = static_cast<float>(v[1]);
        object->y = static_cast<float>(v[2]);
        object->size = v[3];
        object->colour = 0;
        // A record of another kind is read and skipped whatever it holds.
        if (!object->drawn()) return Outcome::Read;
        for (int f : {1, 2})
            if (std::fabs(v[f]) > kMaxCoordinate)
                return refuse(f, QStringLiteral("it must lie between -%1 and %1").arg(bound(kMaxCoordinate)));
        const double minimum = object->kind == 2 ? 1.5 : object->kind == 4 ? 0.9 : 0.0;
        if (!(v[3] > minimum) || v[3] > kMaxSize)
            return refuse(
                3, QStringLiteral("it must be above %1 and at most %2").arg(bound(minimum), bound(kMaxSize)));
        if (!isWhole(v[4], 0, kMaxColour))
            return refuse(4, QStringLiteral("it must be a whole number from 0 to %1").arg(bound(kMaxColour)));
        object->colour = static_cast<std::uint32_t>(v[4]);
        return Outcome::Read;
    }

    Outcome ended(int p, int trials) {
        if (m_extent == Extent::Partial) return Outcome::Ended;
        fail(0,
             QStringLiteral("the file ends after %1 of the %2 pictures it announces").arg(p - 1).arg(trials));
        return Outcome::Failed;
    }

    std::optional<double> number(const Token& t, const QString& what) {
        const std::optional<double> value = parseNumber(t.text);
        if (!value) {
            fail(t.line, QStringLiteral("%1 is %2, which is not a number").arg(what, quoted(t.text)));
            return std::nullopt;
        }
        if (t.cutOff) {
            fail(t.line, QStringLiteral("it has no line end, so it may have been cut off"));
            return std::nullopt;
        }
        return value;
    }

    Status fail(int line, const QString& problem) {
        const QString where = line > 0 ? QStringLiteral(", line %1").arg(line) : QString();
        m_error = Status::error(
            QStringLiteral("The picture store \"%1\" cannot be used%2: %3.").arg(m_path, where, problem));
        return m_error;
    }

    TokenReader m_reader;
    const QString& m_path;
    Extent m_extent;
    Status m_error;
};

struct Line {
    QByteArray text;
    bool ended = true;  // followed by a line end
};

QList<Line> splitLines(const QByteArray& text) {
    QList<Line> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isLineEnd(text[i])) {
            lines.append({text.mid(start, i - start), true});
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.append({text.mid(start), false});
    return lines;
}

// Checks the fields of one line; `first` is the number of the line's first
// field in messages.
class FieldChecker {
public:
    FieldChecker(const QList<QByteArray>& fields, int first) : m_fields(fields), m_first(first) {}

    const QString& problem() const { return m_problem; }

    std::optional<double> number(int i, const char* name) {
        const std::optional<double> v = parseNumber(m_fields[i]);
        if (!v) refuse(i, name, QStringLiteral("which is not a number"));
        return v;
    }
    std::optional<int> whole(int i, const char* name, int low, int high) {
        const std::optional<double> v = number(i, name);
        if (!v) return std::nullopt;
        if (!isWhole(*v, low, high)) {
            refuse(i, name, QStringLiteral("it must be a whole number from %1 to %2").arg(low).arg(high));
            return std::nullopt;
        }
        return static_cast<int>(*v);
    }
    // Empty, or a whole number 1..7. False on a problem.
    bool rating(int i, const char* name, std::optional<int>* out) {
        if (m_fields[i].isEmpty()) return true;
        *out = whole(i, name, 1, 7);
        return out->has_value();
    }
    std::optional<double> time(int i) {
        const std::optional<double> v = number(i, "the rating time");
        if (v && *v < 0) {
            refuse(i, "the rating time", QStringLiteral("it must not be negative"));
            return std::nullopt;
        }
        return v;
    }
    void refuse(int i, const char* name, const QString& rule) {
        if (!m_problem.isEmpty()) return;
        m_problem = QStringLiteral("field %1 (%2) is %3; %4")
                        .arg(m_first + i)
                        .arg(QLatin1String(name), quoted(m_fields[i]), rule);
    }

private:
    const QList<QByteArray>& m_fields;
    int m_first;
    QString m_problem;
};

Status lineProblem(const char* file, const QString& path, int line, const QString& problem) {
    return Status::error(QStringLiteral("The %1 \"%2\" cannot be used, line %3: %4.")
                             .arg(QLatin1String(file), path)
                             .arg(line)
                             .arg(problem));
}

}  // namespace

Status readPictureStore(const QByteArray& text, const QString& path, Extent extent, PictureStore* out) {
    return StoreParser(text, path, extent).parse(out);
}

Status readResults(const QByteArray& text, const QString& path, const PictureStore& store,
                   double subjectNumber, Extent extent, QList<ResultsLine>* out) {
    static const char* const kFile = "results file";
    out->clear();
    const QList<Line> lines = splitLines(text);
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
        const Line& line = lines[i];
        if (!line.ended)
            return lineProblem(kFile, path, lineNo,
                               QStringLiteral("it has no line end, so it may have been cut off"));
        const QList<QByteArray> fields = line.text.split(',');
        if (fields.size() != 10)
            return lineProblem(kFile, path, lineNo,
                               QStringLiteral("it has %1 fields; a results line has 10").arg(fields.size()));
        FieldChecker check(fields, 1);
        ResultsLine r;
        r.text = line.text;
        const std::optional<double> subject = check.number(0, "the subject number");
        const std::optional<int> trial = check.whole(1, "the trial", 1, kMaxTrials);
        const std::optional<int> objects = check.whole(2, "the objects", 0, kMaxObjects);
        const std::optional<int> shapes = check.whole(3, "the shapes", 1, 12);
        const std::optional<int> sizes = check.whole(4, "the sizes", 1, 12);
        const std::optional<int> colours = check.whole(5, "the colours", 1, 12);
        const char* ratingNames[3] = {"rating 1", "rating 2", "rating 3"};
        for (int k = 0; k < 3; ++k)
            check.rating(6 + k, ratingNames[k], &r.ratings[static_cast<std::size_t>(k)]);
        const std::optional<double> time = check.time(9);
        if (!check.problem().isEmpty()) return lineProblem(kFile, path, lineNo, check.problem());
        if (*subject != subjectNumber)
            return lineProblem(kFile, path, lineNo,
                               QStringLiteral("it belongs to subject %1, not to subject %2")
                                   .arg(bound(*subject), bound(subjectNumber)));
        if (*trial != lineNo)
            return lineProblem(kFile, path, lineNo, QStringLiteral("it is numbered trial %1").arg(*trial));
        const qsizetype stored = store.pictures[i].objects.size();
        if (*objects != stored)
            return lineProblem(
                kFile, path, lineNo,
                QStringLiteral("it gives %1 objects, but picture %2 of the picture store has %3")
                    .arg(*objects)
                    .arg(lineNo)
                    .arg(stored));
        r.subject = *subject;
        r.trial = *trial;
        r.settings = {*objects, *shapes, *sizes, *colours};
        r.time = *time;
        out->append(r);
    }
    return Status::ok();
}

Status readJudgeResults(const QByteArray& text, const QString& path, const QList<ResultsLine>& results,
                        QList<JudgeLine>* out) {
    static const char* const kFile = "judge results file";
    out->clear();
    const QList<Line> lines = splitLines(text);
    if (lines.size() > results.size())
        return Status::error(
            QStringLiteral("The judge results file \"%1\" holds %2 lines, but the results file "
                           "holds only %3.")
                .arg(path)
                .arg(lines.size())
                .arg(results.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i + 1);
        const Line& line = lines[i];
        if (!line.ended)
            return lineProblem(kFile, path, lineNo,
                               QStringLiteral("it has no line end, so it may have been cut off"));
        const QByteArray& made = results[i].text;
        if (!line.text.startsWith(made + ','))
            return lineProblem(
                kFile, path, lineNo,
                QStringLiteral("it does not begin with line %1 of the results file").arg(lineNo));
        const QList<QByteArray> fields = line.text.mid(made.size() + 1).split(',');
        if (fields.size() != 4)
            return lineProblem(kFile, path, lineNo,
                               QStringLiteral("it has %1 judge fields after the results line; there are 4")
                                   .arg(fields.size()));
        FieldChecker check(fields, 11);
        JudgeLine j;
        const char* ratingNames[3] = {"judge rating 1", "judge rating 2", "judge rating 3"};
        for (int k = 0; k < 3; ++k) check.rating(k, ratingNames[k], &j.ratings[static_cast<std::size_t>(k)]);
        const std::optional<double> time = check.time(3);
        if (!check.problem().isEmpty()) return lineProblem(kFile, path, lineNo, check.problem());
        j.time = *time;
        j.timeText = fields[3];
        out->append(j);
    }
    return Status::ok();
}

Status checkJudgeMaterial(const QByteArray& art, const QString& artPath, const QByteArray& results,
                          const QString& resultsPath, double subjectNumber, JudgeMaterial* out) {
    if (Status s = readPictureStore(art, artPath, Extent::Whole, &out->store); !s.isOk()) return s;
    QList<ResultsLine> lines;
    if (Status s = readResults(results, resultsPath, out->store, subjectNumber, Extent::Whole, &lines);
        !s.isOk())
        return s;
    out->resultsLines.clear();
    for (const ResultsLine& line : lines) out->resultsLines.append(line.text);
    return Status::ok();
}
