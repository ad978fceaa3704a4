#pragma once

// The subject code becomes part of every data file name, so a start is only
// allowed with 1 to 4 digits: that keeps separators, dots and blanks out of
// the paths and guarantees the code reads as a whole number.

#include "platform/status.h"

#include <QString>

Status checkSubjectCode(const QString& code);
