#pragma once

// The one text format of the data files: the values of a record separated by
// commas, an empty value written as nothing between its commas, each record
// ended by CR LF. Numbers never depend on the locale: whole numbers have no
// point, other numbers use a period and carry 15 significant digits (double)
// or 7 (32-bit float) without trailing zeros. Readers take CR LF, LF or a
// lone CR as a line end.

#include "platform/status.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <variant>

struct EmptyValue {
    friend bool operator==(EmptyValue, EmptyValue) { return true; }
};
using FieldValue = std::variant<EmptyValue, long long, double, float>;

QByteArray formatValue(const FieldValue& value);

// One record: the values joined by commas, and CR LF.
QByteArray valueListLine(const QList<FieldValue>& values);

// An optional whole number as a field: empty when it holds nothing.
inline FieldValue optionalField(const std::optional<int>& value) {
    return value ? FieldValue(static_cast<long long>(*value)) : FieldValue(EmptyValue{});
}

// Reading. A number is written in decimal, with an optional sign and
// exponent; anything else (blanks inside, a comma as decimal separator, an
// infinity) is not a number.
std::optional<double> parseNumber(const QByteArray& text);
bool isWhole(double value, double low, double high);

inline bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

struct TextLine {
    QByteArray text;    // without its line end
    bool ended = true;  // followed by a line end; a last line without one may be cut off
};
QList<TextLine> splitLines(const QByteArray& text);

// The comma-separated fields of a line of `count` fields; nothing, and why,
// when it has another number ("it has 9 fields; a results line has 10").
std::optional<QList<QByteArray>> splitFields(const QByteArray& line, qsizetype count, const char* lineKind,
                                             QString* problem);

// A value as messages quote it: at most 40 characters, anything unprintable as "?".
QString quotedValue(const QByteArray& text);
// A bound as a person writes it: 16777215, 1.5, 1000000.
QString boundText(double value);

// "The <file> "<path>" cannot be used, line <line>: <problem>."
Status lineProblem(const char* file, const QString& path, int line, const QString& problem);
// The problem of a last line without its line end.
QString cutOffProblem();
