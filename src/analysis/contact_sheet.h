#pragma once

// A whole session at a glance: every picture of a subject, as replayed, in
// trial order in a grid, each captioned with its trial number, the four
// slider settings and the ratings of both sessions where present; the
// legend gives each session's own scale terms.

#include "analysis/subject_data.h"

#include <QImage>

QImage contactSheet(const SubjectData& subject);
