#pragma once

// A study as a dataset to share, laid out by the Psych-DS standard
// (version 1.x):
//
// - dataset_description.json: schema.org JSON-LD ("@context", "@type"
//   Dataset) with the name, a description and, in variableMeasured, every
//   column of every data file, described from the codebook;
// - data/: the tables as CSV files with a header row, named by keyword-value
//   pairs ending in _data.csv (study-NAME_description-trials_data.csv, ...);
// - raw_data/: the lab's files exactly as they were read, with a manifest of
//   their SHA-256 sums that sha256sum -c checks;
// - README: what is where.

#include "analysis/table.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

struct DatasetFile {
    QString path;  // inside the dataset
    QByteArray data;
};

// A study name as a keyword value: letters and digits only.
QString datasetName(const QString& name);
// The last name of a folder as typed ("study/" and "./study" are "study").
QString folderName(const QString& folder);

// `raw`: per folder given, the files read from it (name and bytes).
QList<DatasetFile> psychDsDataset(const QString& name, const QList<MeasuredSubject>& subjects,
                                  const QList<std::pair<QString, QList<std::pair<QString, QByteArray>>>>& raw,
                                  const QString& command);
