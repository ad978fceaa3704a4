#include "core/value_list.h"

#include <charconv>
#include <cmath>

namespace {

QByteArray formatReal(double value, int significantDigits) {
    if (value == 0.0) return QByteArrayLiteral("0");  // also turns -0 into 0
    // QByteArray::number always uses the C locale; 'g' drops trailing zeros.
    return QByteArray::number(value, 'g', significantDigits);
}

struct Formatter {
    QByteArray operator()(EmptyValue) const { return {}; }
    QByteArray operator()(long long v) const { return QByteArray::number(v); }
    QByteArray operator()(double v) const { return formatReal(v, 15); }
    QByteArray operator()(float v) const { return formatReal(static_cast<double>(v), 7); }
};

}  // namespace

QByteArray formatValue(const FieldValue& value) { return std::visit(Formatter{}, value); }

QByteArray valueListLine(const QList<FieldValue>& values) {
    QByteArray out;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0) out += ',';
        out += formatValue(values[i]);
    }
    return out + "\r\n";
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

QList<TextLine> splitLines(const QByteArray& text) {
    QList<TextLine> lines;
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

std::optional<QList<QByteArray>> splitFields(const QByteArray& line, qsizetype count, const char* lineKind,
                                             QString* problem) {
    QList<QByteArray> fields = line.split(',');
    if (fields.size() == count) return fields;
    *problem = QStringLiteral("it has %1 fields; %2 has %3")
                   .arg(fields.size())
                   .arg(QLatin1String(lineKind))
                   .arg(count);
    return std::nullopt;
}

QString quotedValue(const QByteArray& text) {
    QString shown = QString::fromLatin1(text.left(40));
    for (QChar& c : shown)
        if (c.unicode() < 32 || c.unicode() >= 127) c = u'?';
    return u'"' + shown + (text.size() > 40 ? QStringLiteral("...\"") : QStringLiteral("\""));
}

QString boundText(double value) { return QString::number(value, 'g', 15); }

Status lineProblem(const char* file, const QString& path, int line, const QString& problem) {
    return Status::error(QStringLiteral("The %1 \"%2\" cannot be used, line %3: %4.")
                             .arg(QLatin1String(file), path)
                             .arg(line)
                             .arg(problem));
}

QString cutOffProblem() { return QStringLiteral("it has no line end, so it may have been cut off"); }
