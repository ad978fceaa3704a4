// The data files written and read back with every value checked; the subject
// number; the session record; a corpus of files; the program's command line.

#include "core/lab_options.h"
#include "core/picture_store.h"
#include "core/results_file.h"
#include "core/session_record.h"
#include "core/subject.h"
#include "core/timing_file.h"
#include "material_check.h"
#include "support/test_main.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTest>
#include <QTimeZone>

namespace formats_test {

// Two pictures of 2 and 1 objects and their results lines for subject 42.
const QByteArray kStore =
    "2\r\n2\r\n3,170,100,80.8,16776960\r\n9,40,249,29,32382\r\n1\r\n2,50,60,9.1,255\r\n";
const QByteArray kResults = "42,1,2,11,10,9,6,,1,1.25\r\n42,2,1,3,4,5,,,,0\r\n";

const QByteArray kTiming = timingHeader() + "1,5000,5500,17000,0.012,900,copy,6000,7000,,,8000,9000\r\n";

Status read(const QByteArray& file, const QByteArray& text, bool partial, PictureStore* store,
            QList<ResultsRow>* results, QList<JudgeRow>* judged, QList<TimingRow>* timed) {
    const Extent extent = partial ? Extent::Partial : Extent::Whole;
    if (file == "timing") return readTiming(text, "/d/0042timing.csv", 2, timed);
    if (file == "art") return readPictureStore(text, "/d/0042art.dat", extent, store);
    if (Status s = readPictureStore(kStore, "/d/0042art.dat", Extent::Whole, store); !s.isOk()) return s;
    if (file == "res") return readResults(text, "/d/0042res.dat", *store, 42, extent, results);
    if (Status s = readResults(kResults, "/d/0042res.dat", *store, 42, Extent::Whole, results); !s.isOk())
        return s;
    return readJudgeResults(text, "/d/0042res2.dat", *results, judged);
}

class TestFormats : public QObject {
    Q_OBJECT
private slots:
    void writing();
    void reading_data();
    void reading();
    void subjectNumber_data();
    void subjectNumber();
    void record();
    void corpus_data();
    void corpus();
    void commandLine_data();
    void commandLine();
};

void TestFormats::writing() {
    // Whole numbers plain, 32-bit floats to 7 significant digits, doubles to
    // 15, no trailing zeros, an empty field for a scale not asked.
    QCOMPARE(objectLine({11, 149.0f, 97.0f, 93.0 * 0.9, 8257662}), QByteArray("11,149,97,83.7,8257662\r\n"));
    QCOMPARE(objectLine({2, -1.5f, 0.1f, 13 * 0.7, 255}), QByteArray("2,-1.5,0.1,9.1,255\r\n"));
    ResultsRow row{12, 3, {1, 12, 11, 10}, {{7, std::nullopt, 1}, 123.456789f}, {}};
    QCOMPARE(row.encode(), QByteArray("12,3,1,12,11,10,7,,1,123.4568\r\n"));
    row.rated = {{std::nullopt, 4, std::nullopt}, 0.0001234567891f};
    QCOMPARE(row.encode(), QByteArray("12,3,1,12,11,10,,4,,0.0001234568\r\n"));
    // A timing line: moments in nanoseconds, the lag in milliseconds.
    const TimingRow timed{
        7,
        {90'000'000'001, {std::nullopt, 90'500'000'000, 2}, {std::nullopt, 91'000'000'003, 4}},
        {true, 90'016'250'002, 90'000'400'000, 18'446'744'073'709'551'615u, "suboptimal copy", ""}};
    QCOMPARE(timed.encode(),
             QByteArray("7,90000000001,90000400000,90016250002,16.250001,18446744073709551615,"
                        "suboptimal copy,,,90500000000,91000000003,2,4\r\n"));
    QCOMPARE(timingHeader(), QByteArray("trial,picture_complete_ns,canvas_flushed_ns,frame_presented_ns,"
                                        "onset_lag_ms,frame_counter,"
                                        "present_mode,rate_how_1_ns,option_chosen_1_ns,rate_how_2_ns,"
                                        "option_chosen_2_ns,rate_how_3_ns,option_chosen_3_ns\r\n"));
}

void TestFormats::reading_data() {
    // Each file against a store of 2 and 1 objects and its results for subject 42; more in the corpus.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("partial");
    QTest::addColumn<QString>("expected");  // accepted: "ok" and what was read; refused: part of the message
    auto row = [](const char* name, const char* file, const QByteArray& text, const QString& expected,
                  bool partial = false) {
        QTest::newRow(name) << QByteArray(file) << text << partial << expected;
    };
    const QByteArray second = "42,2,1,3,4,5,,,,0\r\n", judged = "42,1,2,11,10,9,6,,1,1.25,7,,2,3.5\r\n";
    const QByteArray timed = "2,1,,,,,unknown,,,,,,\r\n";
    row("art: written by a session", "art", kStore, "ok 2 1");
    row("art: values after the last picture ignored", "art", "1\r\n0\r\n5\r\nrubbish", "ok 0");
    row("art: unfinished, the picture cut short is left out", "art",
        "3\r\n1\r\n9,40,50,13,255\r\n2\r\n9,40,50,13,255\r\n", "ok 1", true);
    row("art: unfinished, only the count", "art", "4\r\n", "ok", true);
    row("art: 13 objects", "art", "1\r\n13\r\n", "whole number from 0 to 12");
    row("art: 501 trials", "art", "501\r\n", "whole number from 1 to 500");
    row("art: too few pictures", "art", "3\r\n0\r\n0\r\n", "ends after 2 of the 3 pictures");
    row("art: x far outside", "art", "1\r\n1\r\n9,1e308,50,13,255\r\n", "the x of object 1 of picture 1");
    row("art: y far outside", "art", "1\r\n1\r\n9,50,-2e6,13,255\r\n", "must lie between -1000000");
    row("art: kind 2 too small for a pen", "art", "1\r\n1\r\n2,40,50,1.5,255\r\n", "must be above 1.5");
    row("art: colour too large", "art", "1\r\n1\r\n9,40,50,13,16777216\r\n",
        "the colour of object 1 of picture 1 is \"16777216\"; it must be a whole number from 0 to 16777215");
    row("art: fractional kind", "art", "1\r\n1\r\n2.5,40,50,13,255\r\n", "whole number");
    row("res: written by a session", "res", kResults, "ok 42,1,2,11,10,9,6,,1,1.25");
    row("res: junk after the last trial", "res", kResults + "junk\r\n", "ok 42,1,2,11,10,9,6,,1,1.25");
    row("res: unfinished, fewer lines", "res", "42,1,2,11,10,9,,5,,0.0001234568\r\n",
        "ok 42,1,2,11,10,9,,5,,0.0001234568", true);
    row("res: too short", "res", "42,1,2,11,10,9,6,,1,1.25\r\n", "holds 1 lines");
    row("res: more lines than pictures", "res", kResults + second, "only 2 complete pictures", true);
    row("res: nine fields", "res", "42,1,2,11,10,9,6,,1\r\n" + second, "line 1: it has 9 fields");
    row("res: shapes 13", "res", "42,1,2,13,10,9,6,,1,1.25\r\n" + second,
        "field 4 (the shapes) is \"13\"; it must be a whole number from 1 to 12");
    row("res: colours 0", "res", "42,1,2,11,10,0,6,,1,1.25\r\n" + second, "field 6 (the colours)");
    row("res: time 1e300 s", "res", "42,1,2,11,10,9,6,,1,1e300\r\n" + second, "field 10 (the rating time)");
    row("res2: both trials", "res2", judged + "42,2,1,3,4,5,,,,0,,,,0\r\n", "ok " + judged.trimmed());
    row("res2: one trial so far", "res2", judged, "ok " + judged.trimmed());
    row("res2: another results line", "res2", "42,1,2,11,10,9,5,,1,1.25,7,,2,3.5\r\n", "not begin with its");
    row("res2: judge rating 0", "res2", "42,1,2,11,10,9,6,,1,1.25,0,,2,3.5\r\n", "field 11 (judge rating 1)");
    row("res2: five judge fields", "res2", "42,1,2,11,10,9,6,,1,1.25,7,,2,3.5,1\r\n", "5 judge fields");
    row("res2: three lines", "res2", judged.repeated(3), "holds 3 lines, but the results file holds only 2");
    row("timing: written by a session", "timing", kTiming + timed, "ok 0.012 -");
    row("timing: another header", "timing", "trial\r\n" + timed, "not the header of a timing file");
    row("timing: a frame where the mode is unknown", "timing", kTiming + "2,1,2,5,,,unknown,,,,,,\r\n",
        "line 3: field 4 (the frame presented) is \"5\"; it must be empty when the mode is unknown");
    row("timing: chosen at 1.5 ns", "timing", timingHeader() + "1,5,,,,,unknown,,1.5,,,,\r\n", "field 9");
    row("timing: no such mode", "timing", kTiming + "2,1,2,5,4,6,fast,,,,,,\r\n", "field 7");
    row("timing: trials out of order", "timing", timingHeader() + timed, "line 2: it is numbered trial 2");
    row("timing: 3 trials", "timing", kTiming + timed + "3,1,,,,,unknown,,,,,,\r\n", "holds 3 trials");
    row("timing: cut off", "timing", kTiming + timed.chopped(2), "line 3: it has no line end");
}

void TestFormats::reading() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, text);
    QFETCH(bool, partial);
    QFETCH(QString, expected);
    PictureStore store;
    QList<ResultsRow> results;
    QList<JudgeRow> judged;
    QList<TimingRow> timed;
    const Status s = read(file, text, partial, &store, &results, &judged, &timed);
    if (!expected.startsWith("ok")) {
        QVERIFY2(!s.isOk() && s.message().contains(expected), qPrintable(s.message()));
        QVERIFY(s.message().contains("/d/0042" + file + (file == "timing" ? ".csv" : ".dat")));
        return;
    }
    QVERIFY2(s.isOk(), qPrintable(s.message()));
    QStringList read{"ok"};
    if (file == "art")
        for (const Picture& p : store.pictures) read << QString::number(p.objects.size());
    if (file == "res") read << results[0].encode().trimmed();
    if (file == "res") QCOMPARE(results[0].text, text.left(text.indexOf('\r')));
    if (file == "res2") read << judged[0].encode().trimmed();
    for (const TimingRow& t : timed) read << (t.onsetLagMs() ? QString::number(*t.onsetLagMs()) : "-");
    if (!timed.isEmpty()) QCOMPARE(timed[0].encode(), kTiming.mid(timingHeader().size()));
    QCOMPARE(read.join(' '), expected);
}

void TestFormats::subjectNumber_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<double>("number");
    QTest::addColumn<bool>("startsASession");
    QTest::newRow("zeros in front") << "0001" << 1.0 << true;
    QTest::newRow("digits 9 to 6") << "9876" << 9876.0 << true;
    QTest::newRow("digits 2 to 5") << "2345" << 2345.0 << true;
    QTest::newRow("one digit") << "5" << 5.0 << true;
    QTest::newRow("five digits") << "12345" << 12345.0 << false;
    QTest::newRow("letter inside") << "12a4" << 12.0 << false;
    QTest::newRow("empty") << "" << 0.0 << false;
    QTest::newRow("a path") << "../1" << 0.0 << false;
    QTest::newRow("a blank after") << "12 " << 12.0 << false;
}

void TestFormats::subjectNumber() {
    QFETCH(QString, code);
    QFETCH(double, number);
    QFETCH(bool, startsASession);
    QCOMPARE(::subjectNumber(code), number);
    const Status s = checkSubjectCode(code);
    QCOMPARE(s.isOk(), startsASession);
    if (!startsASession)
        QVERIFY(s.message().contains('"' + code + "\"") && s.message().contains("1 to 4 digits"));
}

void TestFormats::record() {
    // West of Greenwich the offset is negative, east positive.
    const QDate day(2026, 12, 6);
    const QTime time(20, 12, 24, 250);
    QCOMPARE(isoWithOffset(QDateTime(day, time, QTimeZone(-5 * 3600 - 1800))),
             QString("2026-12-06T20:12:24.250-05:30"));
    QCOMPARE(isoWithOffset(QDateTime(day, time, QTimeZone(3600))), QString("2026-12-06T20:12:24.250+01:00"));
    // Read back whole; a Judge Art record leaves out what plays no part in Judge Art.
    RecordContents r;
    r.programVersion = "2.0";
    r.settings = {SessionMode::JudgeArt,
                  "0042",
                  "/d/",
                  13,
                  7,
                  {{{"Nice", "Ugly", true}, {"Odd", "Plain", false}, {"Busy", "Calm", true}}},
                  true,
                  true};
    r.trialsPlanned = 4;
    r.trialsCompleted = 3;
    r.status = SessionStatus::Failed;
    r.failure = "disk full";
    r.started = QDateTime(day, time, QTimeZone(-3600));
    r.replays = "/d/0042session.json";
    // clang-format off
    r.environment = {"6.4.2", "Debian 12", {2560, 1600}, 96, 2, "xcb", "DP-2", {1280, 0, 1280, 800},
                     {1280, 24, 1280, 776}, 108.8, {299.5, 187}, 59.95, "Openbox", false,
                     {"MIT-SCREEN-SAVER suspend", "DPMS"}, "#335577", "1"};
    // clang-format on
    // Frames 10, 12, 15 and 19 at 10, 10 and 16 ms a frame: the median is the refresh.
    QList<TimingRow> timed(5);
    const qint64 frames[] = {10, 12, -1, 15, 19}, ms[] = {0, 20, 25, 50, 114};
    for (int i = 0; i < 5; ++i)
        if (frames[i] >= 0)
            timed[i].presented = {true, ms[i] * 1'000'000, 0, quint64(frames[i]), i ? "copy" : "flip", ""};
    r.onset = summariseOnsets(timed, "X11 Present");
    r.onset.timingFileProblem = "disk full";
    QCOMPARE(r.onset.refreshIntervalMs, 10.0);
    QCOMPARE(r.onset.trialsKnown, 4);
    QCOMPARE(r.onset.modesSeen, (QStringList{"flip", "copy"}));
    const QJsonObject json = r.toJson();
    for (const char* left : {"trials", "force_setting_change", "hide_settings_after_image"})
        QVERIFY(!json["settings"].toObject().contains(left));
    QString problem;
    const std::optional<RecordContents> back =
        RecordContents::fromJson(QJsonDocument(json).toJson(), &problem);
    QVERIFY2(back, qPrintable(problem));
    QCOMPARE(back->toJson(), json);
    QVERIFY(!RecordContents::fromJson("{\"mode\": \"Make Art\", \"status\": \"done\"}", &problem));
    QCOMPARE(problem, QString("its status is \"done\""));
}

void TestFormats::corpus_data() {
    // Written, nasty and once troublesome files: accepted and sound (ok-...), or refused naming the file.
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("accepted");
    const QDir dir(QStringLiteral(PICTOR_TEST_DATA "/corpus"));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    QVERIFY(names.size() >= 30);
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << dir.filePath(name) << name.startsWith("ok-");
}

void TestFormats::corpus() {
    QFETCH(QString, path);
    QFETCH(bool, accepted);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray art, results;
    splitMaterialInput(file.readAll(), &art, &results);
    JudgeMaterial material;
    const Status s =
        checkJudgeMaterial(art, "/d/0042art.dat", results, "/d/0042res.dat", kMaterialSubject, &material);
    QVERIFY2(s.isOk() == accepted, qPrintable(s.message()));
    QVERIFY(s.isOk() ? materialIsSound(material) : s.message().contains("/d/0042"));
}

void TestFormats::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("outcome");  // what the program does, or the line it refuses with
    QTest::newRow("backdrop, screen number")
        << QStringList{"--backdrop", "--screen=0"} << "run, backdrop #808080, screen 0";
    QTest::newRow("backdrop colour, screen name in any case")
        << QStringList{"--backdrop=#335577", "--screen", "dp-2"} << "run, backdrop #335577, screen 1";
    QTest::newRow("no such screen number")
        << QStringList{"--screen", "-1"}
        << "pictor: there is no screen \"-1\"; the screens are 0 \"HDMI-1\", 1 \"DP-2\".";
    QTest::newRow("screen missing") << QStringList{"--screen"}
                                    << "pictor: --screen needs the name or number of a screen.";
    QTest::newRow("not a colour")
        << QStringList{"--backdrop=mauvish"}
        << "pictor: --backdrop: \"mauvish\" is not a colour; give a name such as black or a "
           "value such as #404040.";
    QTest::newRow("version with another option")
        << QStringList{"--version", "--frobnicate"}
        << "pictor: unknown option \"--version\"; pictor takes --backdrop[=COLOUR], "
           "--screen NAME|NUMBER, --help or --version.";
}

void TestFormats::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, outcome);
    LabOptions options;
    QString problem, got;
    if (readCommandLine(arguments, &options, &problem) == CommandAction::Run) {
        got = "run";
        if (options.backdrop) got += ", backdrop " + options.backdrop->name();
        const int screen =
            options.screen.isEmpty() ? -2 : chooseScreen(options.screen, {"HDMI-1", "DP-2"}, &problem);
        got = screen == -1 ? problem : screen >= 0 ? got + ", screen " + QString::number(screen) : got;
    }
    QCOMPARE(got.isEmpty() ? problem : got, outcome);
}

PICTOR_TEST(TestFormats);

}  // namespace formats_test

#include "tst_formats.moc"
