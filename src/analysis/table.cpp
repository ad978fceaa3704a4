#include "analysis/table.h"

#include "core/timing_file.h"

#include "core/figure.h"
#include "core/subject_files.h"
#include "core/value_list.h"
#include "core/version.h"

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
    const QString of = QStringLiteral(", in ") + which;
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
      << Column<
             Row>{{prefix + "balance_dcm",
                   "distance of the centre of mass of M from the picture's centre, over half the diagonal" +
                       of + "; 0 balanced, 1 a corner",
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
      << Column<
             Row>{{prefix + "edge_density",
                   "proportion of pixels on a contour" + of +
                       "; a pixel is on a contour when a neighbour (of the eight around) has another colour, "
                       "whatever the two colours",
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
      << Column<Row>{{prefix + "overlap", "share of the objects' pixels covered by later objects" + of,
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
        const QString file = QLatin1String(judge ? kJudgeResultsFile : kResultsFile);
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
    addTermColumns<TrialRow>(c, "", "Make Art", kMakeRecordFile,
                             [](const TrialRow& r) -> const SessionState& { return r.data().make; });
    addTermColumns<TrialRow>(c, "judge_", "Judge Art", kJudgeRecordFile,
                             [](const TrialRow& r) -> const SessionState& { return r.data().judge; });
    c << Column<TrialRow>{{"make_status", "how the Make Art session stands, from its files and its record",
                           "text", "", kStatusLevels, "", "art.dat, res.dat and session.json"},
                          [](const TrialRow& r) { return r.data().make.status; }}
      << Column<TrialRow>{
             {"judge_status", "how the Judge Art session stands, from its files and its record", "text", "",
              kStatusLevels, "no Judge Art session has run", "res2.dat and session2.json"},
             [](const TrialRow& r) { return r.data().judge.status; }};
    for (const bool judge : {false, true})
        c << Column<TrialRow>{
            {(judge ? QStringLiteral("judge_") : QString()) +
                 QLatin1String(kTimingColumns[kOnsetLagField].name),
             QStringLiteral("%1: from the picture being complete to the frame that showed it, as the window "
                            "system reported it")
                 .arg(judge ? "Judge Art" : "Make Art"),
             "number", "milliseconds", "0 or more",
             QStringLiteral("no timing file, or the window system could not tell when the frame was shown"),
             judge ? kJudgeTimingFile : kTimingFile},
            [judge](const TrialRow& r) {
                const QList<TimingRow>& rows = judge ? r.data().judgeTiming : r.data().timing;
                return real(r.i < rows.size() ? rows[r.i].onsetLagMs() : std::nullopt);
            }};
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

// ---- long: one row per subject, session, trial and asked scale

struct LongRow {
    const MeasuredSubject* s;
    bool judge;
    qsizetype i;
    int scale;  // 1..3
    const SubjectData& data() const { return s->data; }
    const SessionState& session() const { return judge ? data().judge : data().make; }
    const TrialRatings& ratings() const { return judge ? data().judged[i].judged : data().results[i].rated; }
    const PictureMeasures* measures() const { return s->measures.isEmpty() ? nullptr : &s->measures[i]; }
};

Columns<LongRow> longColumns(const TableOptions& o) {
    Columns<LongRow> c;
    addSubjectColumns<LongRow>(c, [](const LongRow& r) -> const SubjectData& { return r.data(); });
    c << Column<LongRow>{{"session", "the session that gave the rating", "text", "",
                          "make (Make Art: the picture as made); judge (Judge Art: the picture as replayed)",
                          "", ""},
                         [](const LongRow& r) {
                             return r.judge ? QStringLiteral("judge") : QStringLiteral("make");
                         }}
      << Column<LongRow>{{"trial", "the trial: the picture's place in art.dat", "integer", "", "1 to 500", "",
                          "art.dat"},
                         [](const LongRow& r) { return whole(r.i + 1); }}
      << Column<LongRow>{{"scale", "the scale rated", "integer", "", "1 to 3", "", ""},
                         [](const LongRow& r) { return whole(r.scale); }};
    for (const bool left : {true, false})
        c << Column<LongRow>{
            {left ? "left_term" : "right_term",
             QStringLiteral("%1 term of the scale in this session: rating %2 is \"Extremely\" and this term")
                 .arg(left ? "first" : "second")
                 .arg(left ? 1 : 7),
             "text", "", "", "the session has no usable record", "session.json or session2.json"},
            [left](const LongRow& r) {
                const ScaleSettings* s = scaleOf(r.session(), r.scale);
                return s ? (left ? s->left : s->right) : QString();
            }};
    c << Column<LongRow>{{"rating",
                          "the option chosen: 1 \"Extremely\" and left_term, 4 \"Average\", 7 "
                          "\"Extremely\" and right_term",
                          "integer", "", "1 to 7", "", "res.dat or res2.dat"},
                         [](const LongRow& r) {
                             return rating(r.ratings().ratings[static_cast<size_t>(r.scale - 1)]);
                         }}
      << Column<LongRow>{
             {"rating_time_s",
              "the trial's rating time in this session: from the picture being complete to the last "
              "choice, judgement delays and every scale included",
              "number", "seconds", "0 to 604800", "", "res.dat or res2.dat"},
             [](const LongRow& r) { return QString::fromLatin1(formatValue(r.ratings().time)); }};
    const char* sliders[] = {"objects", "shapes", "sizes", "colours"};
    for (int f = kObjectsField; f <= kColoursField; ++f)
        c << Column<LongRow>{{name(ResultsField(f)),
                              QStringLiteral("Make Art setting the picture was made with: number of %1")
                                  .arg(QLatin1String(sliders[f - kObjectsField])),
                              "integer", "", "1 to 12", "", "res.dat"},
                             [f](const LongRow& r) {
                                 const CompositionSettings& s = r.data().results[r.i].settings;
                                 const int v[] = {s.objects, s.shapes, s.sizes, s.colours};
                                 return whole(v[f - kObjectsField]);
                             }};
    if (o.withMeasures) {
        addStoredColumns<LongRow>(c, [](const LongRow& r) { return r.measures(); });
        addDrawingColumns<LongRow>(
            c, "",
            "the picture this session showed (as made for make, as replayed "
            "for judge)",
            [](const LongRow& r) {
                return r.measures() ? &r.measures()->drawing(r.judge ? Drawn::Replayed : Drawn::Made)
                                    : nullptr;
            });
    }
    return c;
}

// ---- objects: one row per stored object

struct ObjectRow {
    const MeasuredSubject* s;
    qsizetype i;  // the picture
    qsizetype j;  // the object
    Drawn drawn;
    const SubjectData& data() const { return s->data; }
    const PictureObject& object() const { return data().store.pictures[i].objects[j]; }
    const DrawingMeasures* measures() const {
        return s->measures.isEmpty() ? nullptr : &s->measures[i].drawing(drawn);
    }
};

Columns<ObjectRow> objectColumns() {
    Columns<ObjectRow> c;
    const QString undrawn = QStringLiteral("the kind is outside 1-12: nothing is drawn");
    addSubjectColumns<ObjectRow>(c, [](const ObjectRow& r) -> const SubjectData& { return r.data(); });
    auto drawnOnly = [](std::function<QString(const ObjectRow&)> f) {
        return [f](const ObjectRow& r) { return r.object().drawn() ? f(r) : QString(); };
    };
    c << Column<ObjectRow>{{"trial", "the trial: the picture's place in art.dat", "integer", "", "1 to 500",
                            "", "art.dat"},
                           [](const ObjectRow& r) { return whole(r.i + 1); }}
      << Column<ObjectRow>{{"object",
                            "the object's place in the drawing order: later objects cover earlier ones",
                            "integer", "", "1 to 12", "", "art.dat"},
                           [](const ObjectRow& r) { return whole(r.j + 1); }}
      << Column<ObjectRow>{{"drawn_as", "which drawing the pixel counts come from", "text", "",
                            "made (what Make Art showed); replayed (what Judge Art showed)", "", ""},
                           [](const ObjectRow& r) {
                               return r.drawn == Drawn::Made ? QStringLiteral("made")
                                                             : QStringLiteral("replayed");
                           }}
      << Column<ObjectRow>{{"kind",
                            "1, 2 triangle pointing right (thin, thick pen); 3, 4 wide triangle pointing up "
                            "(thin, thick); 5, 6 circle (outline, filled); 7, 8 oval; 9, 10 square; 11, 12 "
                            "upright rectangle",
                            "integer", "", "1 to 12 (others are stored but not drawn)", "", "art.dat"},
                           [](const ObjectRow& r) { return whole(r.object().kind); }}
      << Column<ObjectRow>{{"x",
                            "reference point: first vertex, point on the base, centre or top-left corner",
                            "number", "canvas units (1.0575 pixels)", "", "", "art.dat"},
                           [](const ObjectRow& r) { return QString::fromLatin1(formatValue(r.object().x)); }}
      << Column<ObjectRow>{{"y", "reference point, downwards", "number", "canvas units (1.0575 pixels)", "",
                            "", "art.dat"},
                           [](const ObjectRow& r) { return QString::fromLatin1(formatValue(r.object().y)); }}
      << Column<ObjectRow>{{"stored_size", "the size as stored: the drawn size of Make Art", "number",
                            "canvas units", "", "", "art.dat"},
                           [](const ObjectRow& r) {
                               return QString::fromLatin1(formatValue(r.object().size));
                           }}
      << Column<ObjectRow>{{"composed_size",
                            "the size the composer chose: the stored size with the kind's "
                            "factor (0.7, 0.8, 0.5 or 0.9 for kinds 2, 3, 4, 11, 12) undone",
                            "number", "canvas units", "13, 21, ..., 101", undrawn, "art.dat"},
                           drawnOnly([](const ObjectRow& r) { return real(composedSize(r.object())); })}
      << Column<ObjectRow>{{"colour", "the colour as stored: red + 256 green + 65536 blue", "integer", "",
                            "0 to 16777215", "", "art.dat"},
                           [](const ObjectRow& r) { return whole(r.object().colour); }}
      << Column<ObjectRow>{{"colour_rgb", "the colour as #rrggbb", "text", "", "", "", "art.dat"},
                           [](const ObjectRow& r) {
                               return QColor(rgbOfStoredColour(r.object().colour)).name(QColor::HexRgb);
                           }}
      << Column<ObjectRow>{{"alone_px", "pixels the object covers when drawn alone", "integer", "pixels",
                            "0 or more", undrawn, "drawn at scale 1, 471 x 375 pixels"},
                           drawnOnly([](const ObjectRow& r) { return whole(r.measures()->alone[r.j]); })}
      << Column<ObjectRow>{{"visible_px", "pixels of the object still seen in the finished picture",
                            "integer", "pixels", "0 to alone_px", undrawn,
                            "drawn at scale 1, 471 x 375 pixels"},
                           drawnOnly([](const ObjectRow& r) { return whole(r.measures()->visible[r.j]); })}
      << Column<ObjectRow>{
             {"note", "what is unusual about the record", "text", "", "", "nothing is unusual", ""},
             [undrawn](const ObjectRow& r) { return r.object().drawn() ? QString() : undrawn; }};
    return c;
}

// ---- subjects: one row per subject and session

struct SubjectRow {
    const MeasuredSubject* s;
    bool judge;
    const SubjectData& data() const { return s->data; }
    const SessionState& session() const { return judge ? data().judge : data().make; }
    QList<const TrialRatings*> trials() const {
        QList<const TrialRatings*> all;
        if (judge)
            for (const JudgeRow& j : data().judged) all << &j.judged;
        else
            for (const ResultsRow& m : data().results) all << &m.rated;
        return all;
    }
    QList<double> ratings(int k) const {
        QList<double> v;
        for (const TrialRatings* t : trials())
            if (t->ratings[static_cast<size_t>(k - 1)]) v << *t->ratings[static_cast<size_t>(k - 1)];
        return v;
    }
    // The trials rated on scale k in both sessions with the same terms.
    bool pairs(int k, QList<double>* made, QList<double>* judged) const {
        const ScaleSettings *a = scaleOf(data().make, k), *b = scaleOf(data().judge, k);
        if (!judge || !a || !b || a->left != b->left || a->right != b->right) return false;
        for (qsizetype i = 0; i < data().judged.size(); ++i) {
            const std::optional<int>&x = data().results[i].rated.ratings[static_cast<size_t>(k - 1)],
                  &y = data().judged[i].judged.ratings[static_cast<size_t>(k - 1)];
            if (x && y) *made << *x, *judged << *y;
        }
        return true;
    }
};

double mean(const QList<double>& v) {
    double sum = 0;
    for (const double x : v) sum += x;
    return sum / static_cast<double>(v.size());
}

std::optional<double> sampleSd(const QList<double>& v) {
    if (v.size() < 2) return std::nullopt;
    const double m = mean(v);
    double ss = 0;
    for (const double x : v) ss += (x - m) * (x - m);
    return std::sqrt(ss / static_cast<double>(v.size() - 1));
}

Columns<SubjectRow> subjectColumns() {
    Columns<SubjectRow> c;
    addSubjectColumns<SubjectRow>(c, [](const SubjectRow& r) -> const SubjectData& { return r.data(); });
    auto record = [](std::function<QString(const RecordContents&)> f) {
        return [f](const SubjectRow& r) { return r.session().record ? f(*r.session().record) : QString(); };
    };
    c << Column<SubjectRow>{{"session", "the session", "text", "", "make (Make Art); judge (Judge Art)", "",
                             ""},
                            [](const SubjectRow& r) {
                                return r.judge ? QStringLiteral("judge") : QStringLiteral("make");
                            }}
      << Column<SubjectRow>{{"trials_planned",
                             "trials the session was to run: the pictures art.dat announces", "integer",
                             "trials", "1 to 500", "", "art.dat"},
                            [](const SubjectRow& r) { return whole(r.session().planned); }}
      << Column<SubjectRow>{{"trials_completed", "trials whose ratings the files hold", "integer", "trials",
                             "0 to 500", "", "res.dat or res2.dat"},
                            [](const SubjectRow& r) { return whole(r.session().completed); }}
      << Column<SubjectRow>{{"status", "how the session stands, from its files and its record", "text", "",
                             kStatusLevels, "", "the data files and session.json or session2.json"},
                            [](const SubjectRow& r) { return r.session().status; }}
      << Column<SubjectRow>{{"failure", "why the session failed, as its record says", "text", "", "",
                             "the session did not fail, or has no record", "session.json or session2.json"},
                            record([](const RecordContents& rc) { return rc.failure; })}
      << Column<SubjectRow>{{"started", "when the session started, with its offset from UTC", "date-time",
                             "ISO 8601", "", "the session has no usable record",
                             "session.json or session2.json"},
                            record([](const RecordContents& rc) {
                                return rc.started.isValid() ? isoWithOffset(rc.started) : QString();
                            })}
      << Column<SubjectRow>{
             {"ended", "when the session ended, with its offset from UTC", "date-time", "ISO 8601", "",
              "no usable record, or the session did not end", "session.json or session2.json"},
             record([](const RecordContents& rc) {
                 return rc.ended.isValid() ? isoWithOffset(rc.ended) : QString();
             })};
    for (int k = 1; k <= 3; ++k)
        for (const bool left : {true, false})
            c << Column<SubjectRow>{
                {QStringLiteral("term_%1_%2").arg(k).arg(left ? "left" : "right"),
                 QStringLiteral("%1 term of scale %2 in this session").arg(left ? "first" : "second").arg(k),
                 "text", "", "", "the session has no usable record", "session.json or session2.json"},
                [k, left](const SubjectRow& r) {
                    const ScaleSettings* s = scaleOf(r.session(), k);
                    return s ? (left ? s->left : s->right) : QString();
                }};
    const QString notAsked = QStringLiteral("the scale was not rated in this session");
    for (int k = 1; k <= 3; ++k)
        c << Column<SubjectRow>{{QStringLiteral("rating_%1_n").arg(k),
                                 QStringLiteral("trials rated on scale %1").arg(k), "integer", "trials",
                                 "0 to 500", "", "res.dat or res2.dat"},
                                [k](const SubjectRow& r) { return whole(r.ratings(k).size()); }}
          << Column<SubjectRow>{{QStringLiteral("rating_%1_mean").arg(k),
                                 QStringLiteral("mean rating on scale %1").arg(k), "number", "", "1 to 7",
                                 notAsked, "res.dat or res2.dat"},
                                [k](const SubjectRow& r) {
                                    const QList<double> v = r.ratings(k);
                                    return v.isEmpty() ? QString() : real(mean(v));
                                }}
          << Column<SubjectRow>{
                 {QStringLiteral("rating_%1_sd").arg(k),
                  QStringLiteral("standard deviation of the ratings on scale %1 (n - 1)").arg(k), "number",
                  "", "0 to 4.3", notAsked + QStringLiteral(", or only once"), "res.dat or res2.dat"},
                 [k](const SubjectRow& r) { return real(sampleSd(r.ratings(k))); }};
    c << Column<SubjectRow>{{"median_rating_time_s", "median rating time of the trials", "number", "seconds",
                             "0 to 604800", "no trial was completed", "res.dat or res2.dat"},
                            [](const SubjectRow& r) {
                                QList<double> t;
                                for (const TrialRatings* x : r.trials()) t << x->time;
                                if (t.isEmpty()) return QString();
                                std::sort(t.begin(), t.end());
                                const qsizetype n = t.size();
                                return real(n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2);
                            }};
    const QString noPairs = QStringLiteral(
        "a make row (the agreement is on the judge row), or the scale was not rated in both sessions with "
        "the "
        "same terms, or there are fewer than 2 pairs, or a session's ratings do not vary");
    for (int k = 1; k <= 3; ++k)
        c << Column<SubjectRow>{{QStringLiteral("agreement_%1_pairs").arg(k),
                                 QStringLiteral(
                                     "trials rated on scale %1 in both sessions, with the same terms")
                                     .arg(k),
                                 "integer", "trials", "0 to 500",
                                 QStringLiteral(
                                     "a make row, or the sessions used different terms on scale %1, "
                                     "or a record is missing")
                                     .arg(k),
                                 "res.dat and res2.dat"},
                                [k](const SubjectRow& r) {
                                    QList<double> a, b;
                                    return r.pairs(k, &a, &b) ? whole(a.size()) : QString();
                                }}
          << Column<SubjectRow>{{QStringLiteral("agreement_%1_rho").arg(k),
                                 QStringLiteral(
                                     "Make-to-Judge agreement on scale %1: Spearman's rank correlation")
                                     .arg(k),
                                 "number", "", "-1 to 1", noPairs,
                                 "Pearson correlation of the ranks, ties given their mean rank"},
                                [k](const SubjectRow& r) {
                                    QList<double> a, b;
                                    return r.pairs(k, &a, &b) ? real(spearman(a, b)) : QString();
                                }}
          << Column<SubjectRow>{
                 {QStringLiteral("agreement_%1_icc").arg(k),
                  QStringLiteral("Make-to-Judge agreement on scale %1: ICC(3,1)").arg(k), "number", "",
                  "-1 to 1", noPairs,
                  "two-way mixed, consistency, single rater: (MSR - MSE) / (MSR + MSE); McGraw & "
                  "Wong (1996), Psychological Methods 1(1), 30-46"},
                 [k](const SubjectRow& r) {
                     QList<double> a, b;
                     return r.pairs(k, &a, &b) ? real(iccConsistency(a, b)) : QString();
                 }};
    return c;
}

}  // namespace

QString tableName(TableKind kind) {
    static const char* const names[] = {"trials", "long", "objects", "subjects"};
    return QLatin1String(names[static_cast<int>(kind)]);
}

std::optional<TableKind> tableKind(const QString& name) {
    for (const TableKind k : {TableKind::Trials, TableKind::Long, TableKind::Objects, TableKind::Subjects})
        if (tableName(k) == name) return k;
    return std::nullopt;
}

Table makeTable(TableKind kind, const QList<MeasuredSubject>& subjects, const TableOptions& o) {
    switch (kind) {
    case TableKind::Trials: {
        QList<TrialRow> rows;
        for (const MeasuredSubject& s : subjects)
            for (qsizetype i = 0; i < s.data.store.pictures.size(); ++i) rows << TrialRow{&s, i};
        return build(trialColumns(o), rows);
    }
    case TableKind::Long: {
        QList<LongRow> rows;
        for (const MeasuredSubject& s : subjects)
            for (const bool judge : {false, true}) {
                const qsizetype n = judge ? s.data.judged.size() : s.data.results.size();
                for (qsizetype i = 0; i < n; ++i)
                    for (int k = 1; k <= 3; ++k) {
                        const LongRow r{&s, judge, i, k};
                        if (r.ratings().ratings[static_cast<size_t>(k - 1)]) rows << r;
                    }
            }
        return build(longColumns(o), rows);
    }
    case TableKind::Objects: {
        QList<ObjectRow> rows;
        for (const MeasuredSubject& s : subjects)
            for (qsizetype i = 0; i < s.data.store.pictures.size(); ++i)
                for (const Drawn d : {Drawn::Made, Drawn::Replayed})
                    for (qsizetype j = 0; j < s.data.store.pictures[i].objects.size(); ++j)
                        if (o.drawn.value_or(d) == d) rows << ObjectRow{&s, i, j, d};
        return build(objectColumns(), rows);
    }
    case TableKind::Subjects: {
        QList<SubjectRow> rows;
        for (const MeasuredSubject& s : subjects)
            for (const bool judge : {false, true})
                if (judge ? s.data.judge.ran : s.data.make.ran) rows << SubjectRow{&s, judge};
        return build(subjectColumns(), rows);
    }
    }
    return {};
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

QByteArray codebookCsv(const Table& table) {
    QByteArray csv =
        csvLine({"name", "meaning", "type", "unit", "allowed", "empty_means", "source", "tool_version"});
    for (const ColumnDoc& c : table.columns)
        csv += csvLine({c.name, c.meaning, c.type, c.unit, c.allowed, c.empty, c.source,
                        QStringLiteral("pictor-data ") + QLatin1String(kPictorVersion)});
    return csv;
}

namespace {

QList<double> ranks(const QList<double>& v) {
    QList<qsizetype> order(v.size());
    for (qsizetype i = 0; i < v.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return v[a] < v[b]; });
    QList<double> r(v.size());
    for (qsizetype i = 0; i < order.size();) {
        qsizetype j = i;
        while (j + 1 < order.size() && v[order[j + 1]] == v[order[i]]) ++j;
        for (qsizetype k = i; k <= j; ++k) r[order[k]] = (i + j) / 2.0 + 1;
        i = j + 1;
    }
    return r;
}

}  // namespace

std::optional<double> spearman(const QList<double>& a, const QList<double>& b) {
    if (a.size() < 2 || a.size() != b.size()) return std::nullopt;
    const QList<double> ra = ranks(a), rb = ranks(b);
    const double ma = mean(ra), mb = mean(rb);
    double sab = 0, saa = 0, sbb = 0;
    for (qsizetype i = 0; i < ra.size(); ++i) {
        sab += (ra[i] - ma) * (rb[i] - mb);
        saa += (ra[i] - ma) * (ra[i] - ma);
        sbb += (rb[i] - mb) * (rb[i] - mb);
    }
    if (saa == 0 || sbb == 0) return std::nullopt;
    return sab / std::sqrt(saa * sbb);
}

std::optional<double> iccConsistency(const QList<double>& a, const QList<double>& b) {
    const qsizetype n = a.size();
    if (n < 2 || b.size() != n) return std::nullopt;
    // Two raters (the sessions) of n targets (the trials).
    const double grand = (mean(a) + mean(b)) / 2;
    double rows = 0, total = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const double m = (a[i] + b[i]) / 2;
        rows += 2 * (m - grand) * (m - grand);
        total += (a[i] - grand) * (a[i] - grand) + (b[i] - grand) * (b[i] - grand);
    }
    const double columns =
        n * ((mean(a) - grand) * (mean(a) - grand) + (mean(b) - grand) * (mean(b) - grand));
    const double msr = rows / static_cast<double>(n - 1);
    const double mse = (total - rows - columns) / static_cast<double>(n - 1);
    if (msr + mse == 0) return std::nullopt;
    return (msr - mse) / (msr + mse);
}
