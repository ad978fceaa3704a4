#pragma once

// Number conversions used by the screens and the data files. They do not
// depend on the user's locale: a period is always the decimal separator.

#include <QString>

// The leading number of a text: "0001" gives 1, "12a4" gives 12, a text
// without leading digits gives 0.
double leadingNumber(const QString& text);

// Decimal digits without blanks.
QString wholeToText(long long value);
