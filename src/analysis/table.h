#pragma once

// The tables pictor-data writes. Each is one list of columns: a column's
// name, what the codebook says of it and how a row gives its value, so the
// header, the rows and the codebook come from one place and a codebook
// always names exactly the columns of its table. The results files' columns
// take their names from the results file's own schema.
//
// - trials: one row per subject and trial, both sessions side by side.
// - long: one row per subject, session, trial and asked scale.
// - objects: one row per drawn object, with the pixels it covers.
// - subjects: one row per subject and session, with summaries and the
//   agreement between the sessions.
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

enum class TableKind { Trials, Long, Objects, Subjects };

struct TableOptions {
    bool withMeasures = false;
    std::optional<Drawn> drawn;  // objects: which drawing's pixels; both when empty
};

struct Table {
    QList<ColumnDoc> columns;
    QList<QStringList> rows;
};

// The name used on the command line and in file names: trials, long, objects, subjects.
QString tableName(TableKind kind);
std::optional<TableKind> tableKind(const QString& name);

Table makeTable(TableKind kind, const QList<MeasuredSubject>& subjects, const TableOptions& options);

// The table as CSV: the header and the rows.
QByteArray tableCsv(const Table& table);
// One row per column: name, meaning, type, unit, allowed, empty_means, source, tool_version.
QByteArray codebookCsv(const Table& table);

// Fields joined by commas, quoted where a field holds a comma, a quote or a
// line end (RFC 4180), and a line end.
QByteArray csvLine(const QStringList& fields);

// Spearman's rho (ties get their mean rank) and ICC(3,1), two-way mixed,
// consistency, single rater (McGraw & Wong 1996), of paired ratings; empty
// with fewer than two pairs or where a variance is zero.
std::optional<double> spearman(const QList<double>& a, const QList<double>& b);
std::optional<double> iccConsistency(const QList<double>& a, const QList<double>& b);
