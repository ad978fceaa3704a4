#pragma once

// The subject code: typed on the setup screen, part of every data file name
// as typed, and written into the results as its number.

#include "platform/status.h"

#include <QString>

// A start is only allowed with 1 to 4 digits: that keeps separators, dots
// and blanks out of the paths and guarantees the code reads as a number.
Status checkSubjectCode(const QString& code);

// The code's leading digits as a number: "0001" gives 1, "12a4" gives 12, a
// code without leading digits gives 0.
double subjectNumber(const QString& code);
