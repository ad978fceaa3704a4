#include "analysis/dataset.h"

#include "core/version.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <algorithm>

QString folderName(const QString& folder) {
    return QFileInfo(QDir::cleanPath(QFileInfo(folder).absoluteFilePath())).fileName();
}

QString datasetName(const QString& name) {
    QString kept;
    for (const QChar c : name)
        if (c.isLetterOrNumber() && c.unicode() < 128) kept += c;
    return kept.isEmpty() ? QStringLiteral("pictor") : kept;
}

namespace {

QString describe(const ColumnDoc& c) {
    QString d = c.meaning;
    if (!c.allowed.isEmpty()) d += QStringLiteral(". Values: ") + c.allowed;
    if (!c.empty.isEmpty()) d += QStringLiteral(". Empty: ") + c.empty;
    if (!c.source.isEmpty()) d += QStringLiteral(". Source: ") + c.source;
    return d + u'.';
}

// Every column of every table once; a name that means different things in
// different tables says what it means in each.
QJsonArray variables(const QList<std::pair<QString, Table>>& tables) {
    QStringList order;
    QMap<QString, QList<std::pair<QString, QStringList>>> meanings;  // name: each description and its files
    QMap<QString, QString> units;
    for (const auto& [file, table] : tables)
        for (const ColumnDoc& c : table.columns) {
            if (!meanings.contains(c.name)) order << c.name;
            auto& known = meanings[c.name];
            const QString d = describe(c);
            auto same = std::find_if(known.begin(), known.end(), [&](const auto& m) { return m.first == d; });
            if (same == known.end())
                known.append({d, {file}});
            else
                same->second << file;
            units[c.name] = c.unit;
        }
    QJsonArray all;
    for (const QString& name : order) {
        QStringList text;
        for (const auto& [d, files] : meanings[name])
            text << (meanings[name].size() == 1
                         ? d
                         : QStringLiteral("In %1: %2").arg(files.join(QStringLiteral(", ")), d));
        QJsonObject v{{QStringLiteral("@type"), QStringLiteral("PropertyValue")},
                      {QStringLiteral("name"), name},
                      {QStringLiteral("description"), text.join(u' ')}};
        if (!units[name].isEmpty()) v.insert(QStringLiteral("unitText"), units[name]);
        all.append(v);
    }
    return all;
}

}  // namespace

QList<DatasetFile> psychDsDataset(const QString& name, const QList<MeasuredSubject>& subjects,
                                  const QList<std::pair<QString, QList<std::pair<QString, QByteArray>>>>& raw,
                                  const QString& command) {
    const QString study = datasetName(name);
    TableOptions measured;
    measured.withMeasures = true;
    QList<std::pair<QString, Table>> tables;
    for (const TableKind k : {TableKind::Trials, TableKind::Long, TableKind::Objects, TableKind::Subjects})
        tables.append({QStringLiteral("data/study-%1_description-%2_data.csv").arg(study, tableName(k)),
                       makeTable(k, subjects, measured)});
    QList<DatasetFile> files;
    for (const auto& [path, table] : tables) files.append({path, tableCsv(table)});

    // The lab's files as read, one folder of raw_data/ per folder given.
    QByteArray manifest;
    QSet<QString> labels;
    for (const auto& [folder, read] : raw) {
        const QString base = datasetName(folderName(folder));
        QString label = base;
        for (int n = 2; labels.contains(label); ++n) label = QStringLiteral("%1-%2").arg(base).arg(n);
        labels.insert(label);
        for (const auto& [file, data] : read) {
            const QString inside = label + u'/' + file;
            files.append({QStringLiteral("raw_data/") + inside, data});
            manifest += QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex() + "  " +
                        inside.toUtf8() + '\n';
        }
    }
    files.append({QStringLiteral("raw_data/manifest-sha256.txt"), manifest});

    QStringList subjectsRead;
    for (const MeasuredSubject& s : subjects) subjectsRead << s.data.code;
    const QString description =
        QStringLiteral(
            "Ratings of random abstract pictures made and rated by subjects in Pictor (Make Art) and "
            "replayed and rated again (Judge Art), with objective measures of each picture as made "
            "and as replayed; %1 subjects. Made by pictor-data %2.")
            .arg(subjects.size())
            .arg(QLatin1String(kPictorVersion));
    const QJsonObject about{{QStringLiteral("@context"), QStringLiteral("https://schema.org/")},
                            {QStringLiteral("@type"), QStringLiteral("Dataset")},
                            {QStringLiteral("name"), name.isEmpty() ? study : name},
                            {QStringLiteral("description"), description},
                            {QStringLiteral("dateCreated"), QDate::currentDate().toString(Qt::ISODate)},
                            {QStringLiteral("variableMeasured"), variables(tables)}};
    files.append(
        {QStringLiteral("dataset_description.json"), QJsonDocument(about).toJson(QJsonDocument::Indented)});

    QString readme =
        QStringLiteral(
            "%1\n\n%2\n\nMade with: %3\n\n"
            "dataset_description.json  the dataset and every column of the data files (Psych-DS 1.x)\n")
            .arg(name.isEmpty() ? study : name, description, command);
    for (const auto& [path, table] : tables)
        readme += QStringLiteral("%1  %2 rows\n").arg(path).arg(table.rows.size());
    readme +=
        QStringLiteral(
            "raw_data/  the lab's data files as they were read, one folder per data folder;\n"
            "           raw_data/manifest-sha256.txt holds their SHA-256 sums: cd raw_data && sha256sum -c "
            "manifest-sha256.txt\n\n"
            "Subjects: %1\n\n"
            "Ratings run from 1 (\"Extremely\" and the first term of the scale) to 7 (\"Extremely\" and the "
            "second term). Make Art ratings rate the picture as made (the made_ measures), Judge Art ratings "
            "the "
            "picture as replayed (the replayed_ measures). An empty field is a value that does not exist; "
            "dataset_description.json says for each column what an empty field means.\n")
            .arg(subjectsRead.join(QStringLiteral(", ")));
    files.append({QStringLiteral("README"), readme.toUtf8()});
    return files;
}
