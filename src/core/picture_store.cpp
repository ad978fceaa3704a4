#include "core/picture_store.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Bounds of what the drawing can take: coordinates far beyond the canvas
// are still drawn (clipped), sizes stay below what would overflow a pen.
constexpr double kMaxCoordinate = 1.0e6;
constexpr double kMaxSize = 1.0e4;

struct Token {
    QByteArray text;
    int line = 0;
};

class TokenReader {
public:
    explicit TokenReader(const QByteArray& text) : m_text(text) {}

    // False at the end of the text. An empty value between commas comes back
    // as an empty token; line ends alone never make tokens.
    bool next(Token* token) {
        skipBlanksAndLineEnds();
        if (m_pos >= m_text.size()) return false;
        token->line = m_line;
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != ',' && m_text[m_pos] != '\r' &&
               m_text[m_pos] != '\n')
            ++m_pos;
        token->text = m_text.mid(start, m_pos - start).trimmed();
        if (m_pos < m_text.size() && m_text[m_pos] == ',') {
            ++m_pos;
            m_afterComma = true;
        } else {
            m_afterComma = false;
        }
        return true;
    }

private:
    void skipBlanksAndLineEnds() {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == ' ' || c == '\t') {
                ++m_pos;
            } else if (c == '\r' || c == '\n') {
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
};

class StoreParser {
public:
    StoreParser(const QByteArray& text, const QString& path) : m_reader(text), m_path(path) {}

    Status parse(PictureStore* out) {
        double trials = 0;
        if (!number(&trials, "the number of trials")) return m_error;
        if (!whole(trials, 1, kMaxTrials, "the number of trials")) return m_error;
        out->trials = static_cast<int>(trials);
        out->pictures.clear();
        for (int p = 1; p <= out->trials; ++p) {
            StoredPicture picture;
            double count = 0;
            const QString what = QStringLiteral("the object count of picture %1").arg(p);
            if (!number(&count, what, out->trials, p)) return m_error;
            if (!whole(count, 0, kMaxObjects, what)) return m_error;
            for (int i = 1; i <= static_cast<int>(count); ++i) {
                StoredObject object;
                if (!record(p, i, &object)) return m_error;
                picture.objects.append(object);
            }
            out->pictures.append(picture);
        }
        return Status::ok();
    }

private:
    bool record(int picture, int index, StoredObject* object) {
        const QString where = QStringLiteral("object %1 of picture %2").arg(index).arg(picture);
        double v[5] = {};
        const char* names[5] = {"kind", "x", "y", "size", "colour"};
        for (int f = 0; f < 5; ++f) {
            if (!number(&v[f], QStringLiteral("the %1 of %2").arg(QLatin1String(names[f]), where)))
                return false;
        }
        if (!whole(v[0], -32768, 32767, QStringLiteral("the kind of %1").arg(where))) return false;
        for (int f : {1, 2}) {
            if (std::fabs(v[f]) > kMaxCoordinate)
                return fail(QStringLiteral("the %1 of %2 is %3, far outside the picture")
                                .arg(QLatin1String(names[f]), where, m_last.text));
        }
        const int kind = static_cast<int>(v[0]);
        const double minimum = kind == 2 ? 1.5 : kind == 4 ? 0.9 : 0.0;
        if (!(v[3] > minimum) || v[3] > kMaxSize)
            return fail(QStringLiteral("the size of %1 is %2; it must be above %3 and at most %4")
                            .arg(where, m_last.text)
                            .arg(minimum)
                            .arg(kMaxSize));
        if (!whole(v[4], 0, 16777215, QStringLiteral("the colour of %1").arg(where))) return false;
        object->kind = kind;
        object->x = static_cast<float>(v[1]);
        object->y = static_cast<float>(v[2]);
        object->size = v[3];
        object->colour = static_cast<std::uint32_t>(v[4]);
        return true;
    }

    bool number(double* value, const QString& what, int trials = 0, int picture = 0) {
        if (!m_reader.next(&m_last)) {
            if (picture > 0)
                return fail(QStringLiteral("the file ends after %1 of the %2 pictures it announces")
                                .arg(picture - 1)
                                .arg(trials),
                            false);
            return fail(QStringLiteral("the file ends where %1 should be").arg(what), false);
        }
        const char* begin = m_last.text.constData();
        const char* end = begin + m_last.text.size();
        if (begin != end && *begin == '+') ++begin;
        double parsed = 0;
        const auto [ptr, ec] = std::from_chars(begin, end, parsed);
        if (m_last.text.isEmpty() || ec != std::errc() || ptr != end || !std::isfinite(parsed))
            return fail(QStringLiteral("%1 is \"%2\", which is not a number")
                            .arg(what, QString::fromLatin1(m_last.text.left(40))));
        *value = parsed;
        return true;
    }

    bool whole(double value, double low, double high, const QString& what) {
        if (value != std::floor(value) || value < low || value > high)
            return fail(QStringLiteral("%1 is %2; it must be a whole number from %3 to %4")
                            .arg(what, QString::fromLatin1(m_last.text.left(40)))
                            .arg(low)
                            .arg(high));
        return true;
    }

    bool fail(const QString& problem, bool withLine = true) {
        const QString where = withLine ? QStringLiteral(", line %1").arg(m_last.line) : QString();
        m_error = Status::error(
            QStringLiteral("The picture store \"%1\" cannot be replayed%2: %3.").arg(m_path, where, problem));
        return false;
    }

    TokenReader m_reader;
    const QString& m_path;
    Token m_last;
    Status m_error = Status::ok();
};

}  // namespace

Status parsePictureStore(const QByteArray& text, const QString& path, PictureStore* out) {
    return StoreParser(text, path).parse(out);
}

QList<QByteArray> splitLines(const QByteArray& text) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            lines.append(text.mid(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.append(text.mid(start));
    return lines;
}

Status checkJudgeMaterial(const QByteArray& art, const QString& artPath, const QByteArray& results,
                          const QString& resultsPath, JudgeMaterial* out) {
    if (Status s = parsePictureStore(art, artPath, &out->store); !s.isOk()) return s;
    QList<QByteArray> lines = splitLines(results);
    if (lines.size() < out->store.trials)
        return Status::error(QStringLiteral("The results file \"%1\" holds %2 lines, but the picture "
                                            "store holds %3 pictures: one line per picture is needed.")
                                 .arg(resultsPath)
                                 .arg(lines.size())
                                 .arg(out->store.trials));
    lines.resize(out->store.trials);
    out->resultsLines = lines;
    return Status::ok();
}
