#include "analysis/table.h"

#include "core/figure.h"
#include "core/value_list.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

template <class Row>
struct Column {
    ColumnDoc doc;
    std::function<QString(const Row&)> value;
};
template <class Row>
using Columns = QList<Column<Row>>;

template <class Row>
Table build(const Columns<Row>& columns, const QList<Row>& rows) {
    Table t;
    for (const Column<Row>& c : columns) t.columns << c.doc;
    for (const Row& r : rows) {
        QStringList fields;
        for (const Column<Row>& c : columns) fields << c.value(r);
        t.rows << fields;
    }
    return t;
}

QString real(double value) { return QString::number(value, 'g', 8); }
QString real(const std::optional<double>& value) { return value ? real(*value) : QString(); }
QString whole(qint64 value) { return QString::number(value); }
QString rating(const std::optional<int>& v) { return v ? whole(*v) : QString(); }
QString name(ResultsField f) { return QLatin1String(kResultsColumns[f].name); }

const QString kStatusLevels = QStringLiteral(
    "finished; running (the record was last written during the session: it runs, or it stopped without "
    "ending, as after a crash); ended early; failed (see the record's failure); incomplete (fewer trials "
    "than planned and no record that says why, or a record that says finished against its files)");
const QString kNoMask = QStringLiteral("the picture is empty: no pixel differs from the background");

// The measures of one drawing, with `prefix` before each name; `which`
// says which drawing in the codebook.
template <class Row>
void addDrawingColumns(Columns<Row>& c, const QString& prefix, const QString& which,
                       const std::function<const DrawingMeasures*(const Row&)>& get) {
    auto image = [get](std::function<QString(const ImageMeasures&)> f) {
        return [get, f](const Row& r) { return get(r) ? f(get(r)->image) : QString(); };
    };
    const QString of = QStringLiteral(" of ") + which;
    const QString drawn = QStringLiteral(
        "drawn at scale 1, 471 x 375 pixels (N); M: the pixels that differ "
        "from the background grey (192, 192, 192)");
    c << Column<Row>{{prefix + "coverage", "proportion of the pixels covered by figures" + of, "number",
                      "proportion", "0 to 1", "", "|M| / N, " + drawn + "; defined here"},
                     image([](const ImageMeasures& m) { return real(m.coverage); })}
      << Column<Row>{{prefix + "mean_lightness", "mean CIELAB L* of all pixels" + of, "number", "L*",
                      "0 to 100", "",
                      "CIE 15:2004 CIELAB, white D65 with Y = 1; sRGB to linear light by IEC 61966-2-1:1999; "
                      "Y = 0.2126729 R + 0.7151522 G + 0.0721750 B"},
                     image([](const ImageMeasures& m) { return real(m.meanLightness); })}
      << Column<Row>{{prefix + "rms_contrast", "population standard deviation of L* over all pixels" + of,
                      "number", "L*", "0 to 50", "",
                      "RMS contrast: Peli (1990), Contrast in complex images, J. Opt. Soc. Am. A 7(10), "
                      "2032-2040"},
                     image([](const ImageMeasures& m) { return real(m.rmsContrast); })}
      << Column<Row>{{prefix + "balance_dcm",
                      "distance of the centre of mass of M from the picture's centre, over half the "
                      "diagonal; 0 balanced, 1 a corner" +
                          of,
                      "number", "proportion", "0 to 1", kNoMask,
                      "pixel centres x + 0.5, y + 0.5; deviation of the centre of mass: Hubner & Fillinger "
                      "(2016), Frontiers in Psychology 7, 335"},
                     image([](const ImageMeasures& m) { return real(m.balance); })}
      << Column<Row>{{prefix + "symmetry_lr", "mirror symmetry left-right of M" + of, "number", "proportion",
                      "0 to 1", kNoMask,
                      "|M and M'| / |M or M'| with M' mirrored x -> W-1-x; Bauerly & Liu (2006), Int. J. "
                      "Human-Computer Studies 64(8), 670-682, scored as the Jaccard index"},
                     image([](const ImageMeasures& m) { return real(m.symmetryLR); })}
      << Column<Row>{{prefix + "symmetry_ud", "mirror symmetry up-down of M" + of, "number", "proportion",
                      "0 to 1", kNoMask, "as symmetry_lr with M' mirrored y -> H-1-y"},
                     image([](const ImageMeasures& m) { return real(m.symmetryUD); })}
      << Column<Row>{{prefix + "edge_density",
                      "proportion of pixels on a contour: pixels with a neighbour (of the eight around) of "
                      "another colour, whatever the two colours" +
                          of,
                      "number", "proportion", "0 to 1", "",
                      "edge density as visual complexity: Machado et al. (2015), Acta Psychologica 160, "
                      "43-57; pixels beyond the image count as their neighbour"},
                     image([](const ImageMeasures& m) { return real(m.edgeDensity); })}
      << Column<Row>{{prefix + "fractal_dimension", "box-counting dimension of the boundary of M" + of,
                      "number", "", "0 to 2", kNoMask,
                      "boundary: pixels of M with a 4-neighbour outside M or the image; N(s) boxes of side "
                      "s = 2, 4, ..., 128 from the top-left corner touch it; least-squares slope of log N(s) "
                      "on log(1/s); Mandelbrot (1982); Taylor, Micolich & Jonas (1999), Nature 399, 422"},
                     image([](const ImageMeasures& m) { return real(m.fractalDimension); })}
      << Column<Row>{{prefix + "object_area_px",
                      "sum over the drawn objects of the pixels each covers when drawn alone" + of, "integer",
                      "pixels", "0 or more", "", "defined here"},
                     [get](const Row& r) { return get(r) ? whole(get(r)->objectArea) : QString(); }}
      << Column<Row>{{prefix + "overlap",
                      "share of the objects' pixels not seen in the picture, being covered by later "
                      "objects" +
                          of,
                      "number", "proportion", "0 to 1", "the picture has no drawn object",
                      "1 - |M| / object_area_px; defined here"},
                     [get](const Row& r) { return get(r) ? real(get(r)->overlap) : QString(); }};
}

// The counts taken from the stored numbers, the same for both drawings.
template <class Row>
void addStoredColumns(Columns<Row>& c, const std::function<const PictureMeasures*(const Row&)>& get) {
    auto count = [get](int PictureMeasures::*field) {
        return [get, field](const Row& r) { return get(r) ? whole(get(r)->*field) : QString(); };
    };
    c << Column<Row>{{"object_count",
                      "objects stored for the picture, records of kinds outside 1-12 included", "integer",
                      "objects", "0 to 12", "", "art.dat"},
                     count(&PictureMeasures::objectCount)}
      << Column<Row>{{"distinct_kinds", "different kinds among the drawn objects", "integer", "kinds",
                      "0 to 12", "", "art.dat"},
                     count(&PictureMeasures::distinctKinds)}
      << Column<Row>{{"distinct_sizes",
                      "different composed sizes (13, 21, ..., 101: the stored size with its kind's factor "
                      "undone) among the drawn objects, comparable with the sizes setting",
                      "integer", "sizes", "0 to 12", "", "art.dat"},
                     count(&PictureMeasures::distinctSizes)}
      << Column<Row>{{"distinct_colours", "different colours among the drawn objects", "integer", "colours",
                      "0 to 12", "", "art.dat"},
                     count(&PictureMeasures::distinctColours)};
}

template <class Row>
void addSubjectColumns(Columns<Row>& c, const std::function<const SubjectData&(const Row&)>& get) {
    c << Column<Row>{{"folder",
                      "the folder text that, followed by the subject code and a file name, names the "
                      "subject's files",
                      "text", "", "", "", "the folders given to pictor-data"},
                     [get](const Row& r) { return get(r).folder; }}
      << Column<Row>{{"subject_code",
                      "the subject code as typed for the session; read it as text to keep its "
                      "leading zeros",
                      "text", "", "", "", "the data file names, or the session record"},
                     [get](const Row& r) { return get(r).code; }};
}

const ScaleSettings* scaleOf(const SessionState& s, int k) {
    return s.record ? &s.record->settings.scale(k) : nullptr;
}

// ---- trials: one row per subject and trial

struct TrialRow {
    const MeasuredSubject* s;
    qsizetype i;  // the picture
    const SubjectData& data() const { return s->data; }
    const PictureMeasures* measures() const { return s->measures.isEmpty() ? nullptr : &s->measures[i]; }
    const ResultsRow* made() const { return i < data().results.size() ? &data().results[i] : nullptr; }
    const JudgeRow* judged() const { return i < data().judged.size() ? &data().judged[i] : nullptr; }
};

template <class Row>
void addTermColumns(Columns<Row>& c, const QString& prefix, const QString& session, const QString& file,
                    const std::function<const SessionState&(const Row&)>& get) {
    for (int k = 1; k <= 3; ++k)
        for (const bool left : {true, false}) {
            const QString side = left ? QStringLiteral("left") : QStringLiteral("right");
            c << Column<Row>{
                {QStringLiteral("%1scale_%2_%3").arg(prefix).arg(k).arg(side),
                 QStringLiteral("%1 term of scale %2 in the %3 session: rating %4 is \"Extremely\" and this "
                                "term")
                     .arg(left ? "first" : "second")
                     .arg(k)
                     .arg(session)
                     .arg(left ? 1 : 7),
                 "text", "", "", QStringLiteral("there is no usable %1 record").arg(file), file},
                [get, k, left](const Row& r) {
                    const ScaleSettings* s = scaleOf(get(r), k);
                    return s ? (left ? s->left : s->right) : QString();
                }};
        }
}

Columns<TrialRow> trialColumns(const TableOptions& o) {
    Columns<TrialRow> c;
    addSubjectColumns<TrialRow>(c, [](const TrialRow& r) -> const SubjectData& { return r.data(); });
    c << Column<TrialRow>{
        {"trial", "the trial: the picture's place in art.dat", "integer", "", "1 to 500", "", "art.dat"},
        [](const TrialRow& r) { return whole(r.i + 1); }};
    const QString notRated = QStringLiteral(
        "the picture has no results line yet: the session stopped before "
        "it was rated");
    const char* sliders[] = {"number of objects", "number of different shapes", "number of different sizes",
                             "number of different colours"};
    for (int f = kObjectsField; f <= kColoursField; ++f)
        c << Column<TrialRow>{
            {name(ResultsField(f)),
             QStringLiteral("Make Art setting: %1 (slider %2)%3")
                 .arg(QLatin1String(sliders[f - kObjectsField]))
                 .arg(f - kObjectsField + 1)
                 .arg(f == kObjectsField ? QStringLiteral("; for a picture not yet rated, the stored object "
                                                          "count")
                                         : QString()),
             "integer", "", f == kObjectsField ? "0 to 12" : "1 to 12", f == kObjectsField ? "" : notRated,
             "res.dat"},
            [f](const TrialRow& r) {
                if (!r.made())
                    return f == kObjectsField ? whole(r.data().store.pictures[r.i].objects.size())
                                              : QString();
                const CompositionSettings& s = r.made()->settings;
                const int v[] = {s.objects, s.shapes, s.sizes, s.colours};
                return whole(v[f - kObjectsField]);
            }};
    for (const bool judge : {false, true}) {
        const QString session = judge ? QStringLiteral("Judge Art") : QStringLiteral("Make Art");
        const QString file = judge ? QStringLiteral("res2.dat") : QStringLiteral("res.dat");
        auto ratings = [judge](const TrialRow& r) -> const TrialRatings* {
            if (judge) return r.judged() ? &r.judged()->judged : nullptr;
            return r.made() ? &r.made()->rated : nullptr;
        };
        for (int k = 0; k < 4; ++k) {
            const QString n =
                judge ? QLatin1String(kJudgeColumns[k].name) : name(ResultsField(kRating1Field + k));
            const QString empty = judge ? QStringLiteral("the picture was not judged (yet)") : notRated;
            ColumnDoc d =
                k < 3 ? ColumnDoc{n,
                                  QStringLiteral(
                                      "%1 rating on scale %2: 1 is \"Extremely\" and the first term of "
                                      "%3scale_%2_left, 4 \"Average\", 7 \"Extremely\" and the second "
                                      "term")
                                      .arg(session)
                                      .arg(k + 1)
                                      .arg(judge ? "judge_" : ""),
                                  "integer",
                                  "",
                                  "1 to 7",
                                  QStringLiteral("the scale was not asked, or ") + empty,
                                  file}
                      : ColumnDoc{n,
                                  session + QStringLiteral(" rating time: from the picture being complete to "
                                                           "the last choice, judgement delays included"),
                                  "number",
                                  "seconds",
                                  "0 to 604800",
                                  empty,
                                  file};
            c << Column<TrialRow>{d, [ratings, k](const TrialRow& r) {
                                      const TrialRatings* t = ratings(r);
                                      if (!t) return QString();
                                      return k < 3 ? rating(t->ratings[static_cast<size_t>(k)])
                                                   : QString::fromLatin1(formatValue(t->time));
                                  }};
        }
    }
    addTermColumns<TrialRow>(c, "", "Make Art", "session.json",
                             [](const TrialRow& r) -> const SessionState& { return r.data().make; });
    addTermColumns<TrialRow>(c, "judge_", "Judge Art", "session2.json",
                             [](const TrialRow& r) -> const SessionState& { return r.data().judge; });
    c << Column<TrialRow>{{"make_status", "how the Make Art session stands, from its files and its record",
                           "text", "", kStatusLevels, "", "art.dat, res.dat and session.json"},
                          [](const TrialRow& r) { return r.data().make.status; }}
      << Column<TrialRow>{
             {"judge_status", "how the Judge Art session stands, from its files and its record", "text", "",
              kStatusLevels, "no Judge Art session has run", "res2.dat and session2.json"},
             [](const TrialRow& r) { return r.data().judge.status; }};
    if (o.withMeasures) {
        addStoredColumns<TrialRow>(c, [](const TrialRow& r) { return r.measures(); });
        for (const Drawn d : {Drawn::Made, Drawn::Replayed})
            addDrawingColumns<TrialRow>(
                c, d == Drawn::Made ? "made_" : "replayed_",
                d == Drawn::Made ? "the picture as made: what the subject rated in Make Art (rating_1 ...)"
                                 : "the picture as replayed: what the subject rated in Judge Art "
                                   "(judge_rating_1 ...)",
                [d](const TrialRow& r) { return r.measures() ? &r.measures()->drawing(d) : nullptr; });
    }
    return c;
}

}  // namespace

Table makeTable(TableKind kind, const QList<MeasuredSubject>& subjects, const TableOptions& o) {
    Q_UNUSED(kind);
    QList<TrialRow> rows;
    for (const MeasuredSubject& s : subjects)
        for (qsizetype i = 0; i < s.data.store.pictures.size(); ++i) rows << TrialRow{&s, i};
    return build(trialColumns(o), rows);
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

QByteArray tableCsv(const Table& table) {
    QStringList header;
    for (const ColumnDoc& c : table.columns) header << c.name;
    QByteArray csv = csvLine(header);
    for (const QStringList& row : table.rows) csv += csvLine(row);
    return csv;
}
