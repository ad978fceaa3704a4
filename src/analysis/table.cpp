#include "analysis/table.h"

#include <QJsonArray>

QStringList tableHeader(bool withMeasures) {
    QStringList header{
        "folder",        "subject_code",   "trial",          "objects",        "shapes",
        "sizes",         "colours",        "rating_1",       "rating_2",       "rating_3",
        "rating_time_s", "judge_rating_1", "judge_rating_2", "judge_rating_3", "judge_rating_time_s",
        "scale_1_left",  "scale_1_right",  "scale_2_left",   "scale_2_right",  "scale_3_left",
        "scale_3_right", "make_status",    "judge_status"};
    if (withMeasures)
        header << QStringList{"coverage",       "mean_lightness", "rms_contrast",   "balance_dcm",
                              "symmetry_lr",    "symmetry_ud",    "edge_density",   "fractal_dimension",
                              "object_count",   "distinct_kinds", "distinct_sizes", "distinct_colours",
                              "object_area_px", "overlap"};
    return header;
}

namespace {

QString rating(const std::optional<int>& value) { return value ? QString::number(*value) : QString(); }
QString real(double value) { return QString::number(value, 'g', 8); }
QString real(const std::optional<double>& value) { return value ? real(*value) : QString(); }

// The six scale terms and the two statuses from the records where they exist.
QStringList fromRecords(const SubjectData& s) {
    const std::optional<QJsonObject>& terms = s.makeRecord ? s.makeRecord : s.judgeRecord;
    QStringList fields;
    const QJsonArray scales =
        terms ? (*terms)[QStringLiteral("settings")].toObject()[QStringLiteral("scales")].toArray()
              : QJsonArray();
    for (int k = 0; k < 3; ++k) {
        const QJsonObject scale = scales.at(k).toObject();
        fields << scale[QStringLiteral("left_term")].toString()
               << scale[QStringLiteral("right_term")].toString();
    }
    for (const std::optional<QJsonObject>& record : {s.makeRecord, s.judgeRecord})
        fields << (record ? (*record)[QStringLiteral("status")].toString() : QString());
    return fields;
}

}  // namespace

QList<QStringList> tableRows(const SubjectData& s, const QString& folder,
                             const QList<PictureMeasures>& measures) {
    QList<QStringList> rows;
    const QStringList records = fromRecords(s);
    for (qsizetype i = 0; i < s.store.pictures.size(); ++i) {
        QStringList row{folder, s.code, QString::number(i + 1)};
        if (i < s.results.size()) {
            const ResultsLine& r = s.results[i];
            for (int v : r.settings) row << QString::number(v);
            for (const auto& v : r.ratings) row << rating(v);
            row << QString::fromLatin1(r.text.split(',').value(9));  // the time as stored
        } else {
            row << QString::number(s.store.pictures[i].objects.size());
            for (int k = 0; k < 7; ++k) row << QString();
        }
        if (i < s.judged.size()) {
            for (const auto& v : s.judged[i].ratings) row << rating(v);
            row << QString::fromLatin1(s.judged[i].timeText);
        } else {
            for (int k = 0; k < 4; ++k) row << QString();
        }
        row << records;
        if (!measures.isEmpty()) {
            const PictureMeasures& m = measures[i];
            row << real(m.image.coverage) << real(m.image.meanLightness) << real(m.image.rmsContrast)
                << real(m.image.balance) << real(m.image.symmetryLR) << real(m.image.symmetryUD)
                << real(m.image.edgeDensity) << real(m.image.fractalDimension)
                << QString::number(m.objectCount) << QString::number(m.distinctKinds)
                << QString::number(m.distinctSizes) << QString::number(m.distinctColours)
                << QString::number(m.objectArea) << real(m.overlap);
        }
        rows << row;
    }
    return rows;
}

QByteArray csvLine(const QStringList& fields) {
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        QByteArray f = fields[i].toUtf8();
        if (f.contains(',') || f.contains('"') || f.contains('\n') || f.contains('\r'))
            f = '"' + f.replace("\"", "\"\"") + '"';
        line += f;
    }
    return line + '\n';
}
