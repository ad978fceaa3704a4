#pragma once

// One tidy table of every subject and trial: the settings and ratings of
// both sessions, the scale terms and session status from the records, and
// optionally the picture measures. A missing value is an empty field, which
// R's read.csv and pandas read as NA; numbers use a period in every locale.

#include "analysis/measures.h"
#include "analysis/subject_data.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

QStringList tableHeader(bool withMeasures);

// One row per complete picture. `measures` holds one entry per picture, or
// is empty for a table without measures. `folder` is written as given.
QList<QStringList> tableRows(const SubjectData& subject, const QString& folder,
                             const QList<PictureMeasures>& measures);

// Fields joined by commas, quoted where a field holds a comma, a quote or a
// line end (RFC 4180), and a line end.
QByteArray csvLine(const QStringList& fields);
