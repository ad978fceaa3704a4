#include "analysis/table.h"

#include "core/value_list.h"

QStringList tableHeader(bool withMeasures) {
    QStringList header{"folder", "subject_code", "trial"};
    for (int f = kObjectsField; f < kResultsFieldCount; ++f) header << kResultsColumns[f].name;
    for (const Column& c : kJudgeColumns) header << c.name;
    header << QStringList{"scale_1_left", "scale_1_right", "scale_2_left", "scale_2_right",
                          "scale_3_left", "scale_3_right", "make_status",  "judge_status"};
    header << kTimingColumns[kOnsetLagField].name
           << QStringLiteral("judge_") + kTimingColumns[kOnsetLagField].name;
    if (withMeasures)
        header << QStringList{"coverage",       "mean_lightness", "rms_contrast",   "balance_dcm",
                              "symmetry_lr",    "symmetry_ud",    "edge_density",   "fractal_dimension",
                              "object_count",   "distinct_kinds", "distinct_sizes", "distinct_colours",
                              "object_area_px", "overlap"};
    return header;
}

namespace {

QString real(double value) { return QString::number(value, 'g', 8); }
QString real(const std::optional<double>& value) { return value ? real(*value) : QString(); }

// The ratings and the rating time as the results files write them.
QStringList ratingFields(const TrialRatings& r) {
    QStringList fields;
    for (const std::optional<int>& v : r.ratings) fields << (v ? QString::number(*v) : QString());
    return fields << QString::fromLatin1(formatValue(r.time));
}

// The six scale terms and the two statuses from the records where they exist.
QStringList fromRecords(const SubjectData& s) {
    QStringList fields;
    const std::optional<RecordContents>& terms = s.makeRecord ? s.makeRecord : s.judgeRecord;
    for (int k = 1; k <= 3; ++k)
        fields << (terms ? terms->settings.scale(k).left : QString())
               << (terms ? terms->settings.scale(k).right : QString());
    for (const std::optional<RecordContents>& record : {s.makeRecord, s.judgeRecord})
        fields << (record ? statusText(record->status) : QString());
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
            const CompositionSettings& c = s.results[i].settings;
            row << QString::number(c.objects) << QString::number(c.shapes) << QString::number(c.sizes)
                << QString::number(c.colours) << ratingFields(s.results[i].rated);
        } else {
            // Not yet rated: the stored object count, then nothing.
            row << QString::number(s.store.pictures[i].objects.size());
            for (int f = kShapesField; f < kResultsFieldCount; ++f) row << QString();
        }
        if (i < s.judged.size())
            row << ratingFields(s.judged[i].judged);
        else
            for (qsizetype k = 0; k < qsizetype(kJudgeColumns.size()); ++k) row << QString();
        row << records;
        for (const QList<TimingRow>* timing : {&s.timing, &s.judgeTiming})
            row << (i < timing->size() ? real((*timing)[i].onsetLagMs()) : QString());
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
