#include "core/picture_store.h"

#include "core/session_settings.h"
#include "core/value_list.h"

#include <cmath>
#include <optional>

QByteArray trialsLine(int trials) { return valueListLine({static_cast<long long>(trials)}); }

QByteArray pictureHeaderLine(int objectCount) { return valueListLine({static_cast<long long>(objectCount)}); }

QByteArray objectLine(const PictureObject& o) {
    return valueListLine(
        {static_cast<long long>(o.kind), o.x, o.y, o.size, static_cast<long long>(o.colour)});
}

namespace {

// Bounds of what the drawing can take: coordinates far beyond the canvas
// are still drawn (clipped), sizes stay below what would overflow a pen.
constexpr double kMaxCoordinate = 1.0e6;
constexpr double kMaxSize = 1.0e4;

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
                            .arg(quotedValue(t.text))
                            .arg(kMaxTrials));
        out->trials = static_cast<int>(*trials);
        for (int p = 1; p <= out->trials; ++p) {
            Picture picture;
            const Outcome read = readPicture(p, out->trials, &picture);
            if (read == Outcome::Failed) return m_error;
            if (read == Outcome::Ended) break;
            out->pictures.append(picture);
        }
        return Status::ok();
    }

private:
    enum class Outcome { Read, Ended, Failed };

    Outcome readPicture(int p, int trials, Picture* picture) {
        Token t;
        if (!m_reader.next(&t)) return ended(p, trials);
        const QString what = QStringLiteral("the object count of picture %1").arg(p);
        const std::optional<double> count = number(t, what);
        if (!count) return Outcome::Failed;
        if (!isWhole(*count, 0, kMaxObjects)) {
            fail(t.line, QStringLiteral("%1 is %2; it must be a whole number from 0 to %3")
                             .arg(what, quotedValue(t.text))
                             .arg(kMaxObjects));
            return Outcome::Failed;
        }
        for (int i = 1; i <= static_cast<int>(*count); ++i) {
            PictureObject object;
            const Outcome read = readObject(p, i, &object);
            if (read != Outcome::Read) return read;
            picture->objects.append(object);
        }
        return Outcome::Read;
    }

    Outcome readObject(int p, int index, PictureObject* object) {
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
                                     .arg(QLatin1String(names[f]), where, quotedValue(tokens[f].text), rule));
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
                return refuse(
                    f, QStringLiteral("it must lie between -%1 and %1").arg(boundText(kMaxCoordinate)));
        const double minimum = object->kind == 2 ? 1.5 : object->kind == 4 ? 0.9 : 0.0;
        if (!(v[3] > minimum) || v[3] > kMaxSize)
            return refuse(3, QStringLiteral("it must be above %1 and at most %2")
                                 .arg(boundText(minimum), boundText(kMaxSize)));
        if (!isWhole(v[4], 0, kMaxColour))
            return refuse(
                4, QStringLiteral("it must be a whole number from 0 to %1").arg(boundText(kMaxColour)));
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
            fail(t.line, QStringLiteral("%1 is %2, which is not a number").arg(what, quotedValue(t.text)));
            return std::nullopt;
        }
        if (t.cutOff) {
            fail(t.line, cutOffProblem());
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

}  // namespace

Status readPictureStore(const QByteArray& text, const QString& path, Extent extent, PictureStore* out) {
    return StoreParser(text, path, extent).parse(out);
}
