#pragma once

// Number conversions used by the screens and the data files. They do not
// depend on the user's locale: a period is always the decimal separator.

#include <QString>
#include <cstdint>
#include <optional>

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Empty when the value is not finite or lies outside -32768..32767.
std::optional<std::int16_t> toInt16(double value);

// The text read as a whole number the way a code field is read: optional
// surrounding blanks and an optional sign, then digits only. Empty otherwise
// or when out of range.
std::optional<std::int16_t> textToInt16(const QString& text);

// The leading number of a text: "0001" gives 1, "12a4" gives 12, a text
// without leading digits gives 0.
double leadingNumber(const QString& text);

// Decimal digits without blanks.
QString wholeToText(long long value);
