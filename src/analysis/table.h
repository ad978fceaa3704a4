#pragma once

// The tables pictor-data writes. Each is one list of columns: a column's
// name, what the codebook says of it and how a row gives its value, so the
// header, the rows and the codebook come from one place and a codebook
// always names exactly the columns of its table. The results files' columns
// take their names from the results file's own schema.
//
// - trials: one row per subject and trial, both sessions side by side.
//
// A missing value is an empty field, which R's read.csv and pandas read as
// NA; numbers use a period in every locale.

#include "analysis/measures.h"
#include "analysis/subject_data.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What a codebook row says of a column.
struct ColumnDoc {
    QString name;
    QString meaning;
    QString type;  // integer, number, text, date-time
    QString unit;
    QString allowed;  // range or levels
    QString empty;    // what an empty field means
    QString source;   // where the value comes from; for measures the formula and its reference
};

struct MeasuredSubject {
    SubjectData data;
    QList<PictureMeasures> measures;  // one per complete picture, or none when not measured
};

enum class TableKind { Trials };

struct TableOptions {
    bool withMeasures = false;
};

struct Table {
    QList<ColumnDoc> columns;
    QList<QStringList> rows;
};

Table makeTable(TableKind kind, const QList<MeasuredSubject>& subjects, const TableOptions& options);

// The table as CSV: the header and the rows.
QByteArray tableCsv(const Table& table);
// Fields joined by commas, quoted where a field holds a comma, a quote or a
// line end (RFC 4180), and a line end.
QByteArray csvLine(const QStringList& fields);
