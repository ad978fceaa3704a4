// pictor-data: pictures as the screen draws them; damaged lab folders read
// into tables; outputs that never lie or destroy; measures with known answers.

#include "analysis/data_tool.h"
#include "analysis/measures.h"
#include "core/composer.h"
#include "core/picture_store.h"
#include "core/timing_file.h"
#include "platform/painter_canvas.h"
#include "support/files.h"
#include "support/test_main.h"

#include <QPainter>
#include <QTest>
#include <QtCore>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

namespace data_tool_test {

struct Result {
    int status = 0;
    QByteArray out;
    QString err;
};

Result tool(const QStringList& args, QIODevice* to = nullptr) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Result r;
    QTextStream err(&r.err);
    r.status = runDataTool(args, PosixDisk(), DataToolIo{to ? *to : buffer, err, false});
    err.flush();
    r.out = buffer.data();
    return r;
}

// Name, content, name, content ... by raw name; a name ending in "!" is made read-only.
using Files = QList<QByteArray>;
void write(const QString& folder, const Files& files) {
    for (qsizetype i = 0; i + 1 < files.size(); i += 2) {
        const QByteArray path = QFile::encodeName(folder) + '/' + files[i].chopped(files[i].endsWith('!'));
        const int fd =
            ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, files[i].endsWith('!') ? 0444 : 0644);
        QVERIFY(fd >= 0 &&
                ::write(fd, files[i + 1].constData(), size_t(files[i + 1].size())) == files[i + 1].size());
        ::close(fd);
    }
}

QByteArray record(const char* mode, const char* left = "Nice", const char* right = "Ugly") {
    return QStringLiteral(
               R"({"mode": "%1", "status": "finished", "subject_code": "0001", "settings": {"data_folder":
        "/data/lab", "scales": [{"left_term": "%2", "right_term": "%3"}, {"left_term": "Odd", "right_term":
        "Plain"}, {"left_term": "Busy", "right_term": "Calm"}]}})")
        .arg(mode, left, right)
        .toUtf8();
}

// A trials table row of 31 fields: head, empty fields, tail, and the two onset lags, empty.
QByteArray row(const QByteArray& head, const QByteArray& tail) {
    return head + QByteArray(31 - head.count(',') - tail.count(',') - 3, ',') + tail + ",,";
}

const QByteArray kPicture = "1\r\n9,40,50,13,255\r\n", kArt = "2\r\n" + kPicture + "0\r\n",
                 kMade = record("Make Art");
const QByteArray kRes1 = "1,1,1,2,3,4,5,,7,1.5\r\n", kRes = kRes1 + "1,2,0,6,7,8,,,,0.25\r\n",
                 kTorn = kRes1 + "1,2,0,6,7";
const QByteArray kTrial1 = "@/,0001,1,1,2,3,4,5,,7,1.5", kTrial2 = "@/,0001,2,0,6,7,8,,,,0.25";
const PictureObject kRed{10, 100, 100, 50, 255}, kGreen{10, 140, 100, 50, 65280};

// Three subjects: 0001 judged with other terms on scale 1; 0002 made two overlapping squares and was not
// judged; 0003 rated five empty pictures on scales 1 and 3 in both sessions with the same terms.
Files study() {
    QByteArray res3, judged3;
    const int made[] = {1, 2, 2, 5, 7}, judged[] = {2, 1, 4, 4, 7}, both[] = {3, 1, 4, 1, 5};
    for (int t = 0; t < 5; ++t) {
        const QByteArray line =
            QStringLiteral("3,%1,0,1,1,1,%2,,%3,1").arg(t + 1).arg(made[t]).arg(both[t]).toUtf8();
        res3 += line + "\r\n";
        judged3 += line + QStringLiteral(",%1,,%2,2\r\n").arg(judged[t]).arg(both[t]).toUtf8();
    }
    return Files{"0001art.dat", kArt, "0001res.dat", kRes, "0002res.dat", "2,1,2,1,1,2,4,,6,3\r\n"} +
           Files{"0001res2.dat", "1,1,1,2,3,4,5,,7,1.5,1,2,3,2.75\r\n1,2,0,6,7,8,,,,0.25,,,,0\r\n"} +
           Files{"0001session.json", record("Make Art", "Nice, warm", "Ugly"), "0003res2.dat", judged3} +
           Files{"0001session2.json", record("Judge Art", "Ugly", "Nice, warm"), "0003res.dat", res3} +
           Files{"0002art.dat", "1\r\n2\r\n" + objectLine(kRed) + objectLine(kGreen), "0003session.json",
                 kMade} +
           Files{"0003art.dat", "5\r\n" + QByteArray("0\r\n").repeated(5), "0003session2.json",
                 record("Judge Art")};
}

// The share of pixels with a neighbour of another colour, counted one by one.
double contourShare(const QImage& image) {
    qint64 n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRect near = QRect(x - 1, y - 1, 3, 3) & image.rect();
            bool edge = false;
            for (int v = near.top(); v <= near.bottom(); ++v)
                for (int u = near.left(); u <= near.right(); ++u)
                    edge = edge || image.pixel(u, v) != image.pixel(x, y);
            n += edge;
        }
    return double(n) / (image.width() * image.height());
}

class TestDataTool : public QObject {
    Q_OBJECT
private slots:
    void pictures();
    void runs_data();
    void runs();
    void imageMeasures_data();
    void imageMeasures();
    void drawingsAgree();
    void psychDs();
    void interruption();
};

void TestDataTool::pictures() {
    // Damaged results: what is intact is drawn, the same every time; at scale 2 twice as large, alike.
    QTemporaryDir dir;
    const QString png = dir.filePath("0005-trial001.png");
    write(dir.path(), {"0005art.dat", "2\r\n2\r\n6,100,120,45,255\r\n2,200,50,9.1,32382\r\n0\r\n",
                       "0005res.dat", "5,1,2,1,1,1,9,,,0\r\n"});
    const QStringList args{"render", dir.path(), "0005", "--scale", "2", "--out", dir.path(), "--force"};
    const Result first = tool(args);
    const QByteArray drawn = readFile(png);
    QVERIFY(first.status == 0 && first.out.count('\n') == 2 && tool(args).status == 0 &&
            readFile(png) == drawn);
    const Picture picture{{{6, 100, 120, 45, 255}, {2, 200, 50, 9.1f, 32382}}};
    const ImageMeasures twice = measureImage(QImage(png), QColor(kPictureGrey)),
                        once = measureImage(renderPicture(picture, Drawn::Replayed), QColor(kPictureGrey));
    QVERIFY(QImage(png).size() == QSize(942, 750) && std::abs(twice.coverage / once.coverage - 1) < 0.02);
    QVERIFY(std::abs(*twice.balance - *once.balance) < 0.01);
    QVERIFY(tool({"table", "--help"}).out.startsWith("Usage:\n  pictor-data table FOLDER... [--long]"));
}

void TestDataTool::runs_data() {
    QTest::addColumn<Files>("files");    // in the data folder, @
    QTest::addColumn<QString>("place");  // what stands where the output, %, goes
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");            // on standard error; nothing when empty
    QTest::addColumn<QList<QByteArray>>("rows");  // lines of the table, in this order
    QTest::addColumn<int>("count");               // and how many it holds
    const QStringList table{"table", "@", "--out", "%"}, force = table + QStringList{"--force"};
    auto reading = [&](const char* name, int status, const char* said, const Files& files,
                       const QList<QByteArray>& rows, const QStringList& args = {}) {
        QTest::newRow(name) << files << "" << (args.isEmpty() ? table : args) << status << said << rows
                            << int(rows.size());
    };
    const QByteArray terms = ",,,,,Nice,Ugly,Odd,Plain,Busy,Calm";
    const QList<QByteArray> both{row(kTrial1, "finished,"), row(kTrial2, "finished,")};
    const Files plain{"0001art.dat", kArt, "0001res.dat", kRes},
        torn{"0001art.dat", kArt, "0001res.dat", kTorn};
    reading("torn, unfinished", 0, "res.dat\", line 2: the last line has no line end (\"1,2,0,6,7\")", torn,
            {row(kTrial1, "incomplete,"), row("@/,0001,2,0", "incomplete,")});
    reading("torn, finished", 1, "line 2: it has no line end", torn + Files{"0001session.json", kMade}, {});
    reading("torn, read-only", 1, "line 2: it has no line end", {"0001art.dat", kArt, "0001res.dat!", kTorn},
            {});
    reading("a damaged record", 1, "The session record \"@/0001session.json\" cannot be used",
            plain + Files{"0001session.json", "{\"mode\": \"Make"}, both);
    reading("a record that says finished", 0,
            "says the session finished, but the files hold 1 of its 3 trials",
            {"0001art.dat", "3\r\n" + kPicture, "0001res.dat", kRes1, "0001session.json", kMade},
            {row(kTrial1 + terms, "incomplete,")});
    const TimingRow first{1, {2'000'000'000, {}, {}}, {true, 2'009'500'000, 2'001'000'000, 120, "copy", ""}},
        second{2, {3'000'000'000, {}, {}}, {}};
    reading("onset lags", 0, "",
            plain + Files{"0001timing.csv", timingHeader() + first.encode() + second.encode()},
            {both[0].chopped(1) + "9.5,", both[1]});
    reading("a folder named twice, to standard output", 0, "", plain, both, {"table", "@", "@/"});
    reading("upper-case names", 0, "", {"0015ART.DAT", "1\r\n0\r\n", "0015RES.DAT", "15,1,0,1,1,1,4,,,2\r\n"},
            {row("@/,0015,1,0,1,1,1,4,,,2", "finished,")});
    reading("a name that is not UTF-8", 1, "\"@/\\xff1art.dat\" is left out: its name is not valid UTF-8",
            {"\3771art.dat", "1\r\n0\r\n", "0002art.dat", "1\r\n0\r\n"}, {row("@/,0002,1,0", "incomplete,")});
    reading("a folder typed without separator", 0, "typed as \"/data/lab\", without a separator at its end",
            {"lab0001art.dat", kArt, "lab0001res.dat", kRes, "lab0001session.json", kMade},
            {row("@/lab" + kTrial1.mid(2) + terms, "finished,"),
             row("@/lab" + kTrial2.mid(2) + terms, "finished,")});
    reading("no record", 1, "typed without a separator at its end (\"...lab\" followed by a code)",
            {"lab0001art.dat", kArt, "lab0001res.dat", kRes}, {});

    // Lines beyond the pictures bring a warning, which a refusal before any work never gives.
    auto output = [&](const char* name, const char* place, const QStringList& args, int status,
                      const char* said) {
        QTest::newRow(name) << Files{"0001art.dat", kArt, "0001res.dat", kRes + kRes} << place << args
                            << status << said << (status ? QList<QByteArray>{} : both) << (status ? 0 : 2);
    };
    const char* warned = "\"@/0001res.dat\", lines 3 to 4: there are only 2 complete pictures";
    const QStringList render{"render", "@", "0001"};
    output("a new file", "nothing", table, 0, warned);
    output("a file, kept", "file", table, 2, "exists already; give --force");
    output("a file, replaced", "file", force, 0, warned);
    output("a read-only file", "read-only", force, 2, "is not replaced: it is read-only");
    output("a named pipe", "pipe", force, 2, "it is a named pipe, not a regular file");
    output("a link to nowhere", "dangling", force, 2, "it is a symbolic link");
    output("a data file's name", "data name", table, 2, "is named like a Pictor data file");
    output("no folder", "no folder", table, 2, "/nowhere\" does not exist");
    output("a full disk", "full disk", force, 2, "File too large");
    output("pictures on a full disk", "full disk", render + QStringList{"--out", "%"}, 2, "File too large");
    output("/dev/full", "/dev/full", {"table", "@"}, 2, "cannot write the table to standard output");
    output("--scale 0.001", "nothing", render + QStringList{"--scale", "0.001"}, 2,
           "--scale takes a number from");
    output("--out twice", "nothing", table + QStringList{"--out", "%"}, 2, "--out is given twice");
    output("no command", "nothing", {}, 2, "say what to do");
    output("unknown option", "nothing", {"table", "@", "--colour"}, 2, "unknown option \"--colour\"");
    output("missing folder", "nothing", {"table", "@/nowhere"}, 2, "does not exist");
    output("no subjects", "nothing", {"table", "@/../out"}, 2, "no subjects found");
    output("no such subject", "nothing", {"render", "@", "0009"}, 2, "no subject 0009");
    output("trial out of range", "nothing", render + QStringList{"--trial", "3"}, 2, "from 1 to 2");

    auto studied = [](const char* name, const QStringList& args, int count, const QList<QByteArray>& rows) {
        QTest::newRow(name)
            << study() << "" << args + QStringList{"@", "--out", "%"} << 0
            << "(scale 1: \"Nice, warm\"-\"Ugly\" in Make Art, \"Ugly\"-\"Nice, warm\" in Judge Art)" << rows
            << count;
    };
    const QByteArray two =
        ",\"Nice, warm\",Ugly,Odd,Plain,Busy,Calm,Ugly,\"Nice, warm\",Odd,Plain,Busy,Calm,finished,"
        "finished,,";
    studied(
        "trials", {"table"}, 8,
        {"folder,subject_code,trial,objects,shapes,sizes,colours,rating_1,rating_2,rating_3,rating_time_s,"
         "judge_rating_1,judge_rating_2,judge_rating_3,judge_rating_time_s,scale_1_left,scale_1_right,"
         "scale_2_left,scale_2_right,scale_3_left,scale_3_right,judge_scale_1_left,judge_scale_1_right,"
         "judge_scale_2_left,judge_scale_2_right,judge_scale_3_left,judge_scale_3_right,make_status,"
         "judge_status,onset_lag_ms,judge_onset_lag_ms",
         kTrial1 + ",1,2,3,2.75" + two, kTrial2 + ",,,,0" + two});
    studied("trials with measures", {"table", "--measures"}, 8, {});
    // One row per asked scale: 0001 five, 0002 two, 0003 twenty.
    studied("long", {"table", "--long"}, 27,
            {"@/,0001,judge,1,1,Ugly,\"Nice, warm\",1,2.75,1,2,3,4", "@/,0002,make,1,3,,,6,3,2,1,1,2",
             "@/,0003,judge,5,3,Busy,Calm,5,2,0,1,1,1"});
    studied("long with measures", {"table", "--long", "--measures"}, 27, {});
    auto pixels = [](const QList<PictureObject>& objects) {
        return QByteArray::number(
            measureImage(renderPicture({objects}, Drawn::Made), QColor(kPictureGrey)).maskPixels);
    };
    const QByteArray red = pixels({kRed}), green = pixels({kGreen}), both2 = pixels({kRed, kGreen});
    studied("objects", {"objects"}, 3,
            {"@/,0002,1,1,made,10,100,100,50,50,255,#ff0000," + red + "," +
                 QByteArray::number(both2.toInt() - green.toInt()) + ",",
             "@/,0002,1,2,made,10,140,100,50,50,65280,#00ff00," + green + "," + green + ","});
    // 0003, scale 1: ranks 1 2.5 2.5 4 5 and 2 1 3.5 3.5 5 give rho 7.25 / 9.5; ICC(3,1): MSR 43 / 4,
    // MSE 3.4 / 4, (MSR - MSE) / (MSR + MSE) = 9.9 / 11.6. Scale 3: the same ratings twice.
    const QByteArray terms3 = ",finished,,,,Nice,Ugly,Odd,Plain,Busy,Calm,5,";
    studied("subjects", {"subjects"}, 5,
            {"@/,0001,judge,2,2,finished,,,,Ugly,\"Nice, "
             "warm\",Odd,Plain,Busy,Calm,1,1,,1,2,,1,3,,1.375,,,,0,,,1,,",
             "@/,0003,make,5,5" + terms3 + "3.4,2.5099801,0,,,5,2.8,1.7888544,1,,,,,,,,,",
             "@/,0003,judge,5,5" + terms3 +
                 "3.6,2.3021729,0,,,5,2.8,1.7888544,2,5,0.76315789,0.85344828,0,,,5,1,1"});
}

void TestDataTool::runs() {
    QFETCH(Files, files);
    QFETCH(QString, place);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(QList<QByteArray>, rows);
    QFETCH(int, count);
    QTemporaryDir dir;
    const QString data = dir.filePath("data"), outs = dir.filePath("out");
    QVERIFY(QDir().mkdir(data) && QDir().mkdir(outs));
    write(data, files);
    const QString out = dir.filePath(place == "no folder"   ? "nowhere/t.csv"
                                     : place == "data name" ? "out/0002res2.dat"
                                                            : "out/t.csv");
    if (place == "file" || place == "read-only" || place == "full disk") writeFile(out, "old");
    if (place == "read-only") QFile::setPermissions(out, QFile::ReadOwner);
    if (place == "pipe") ::mkfifo(QFile::encodeName(out).constData(), 0644);
    if (place == "dangling") QFile::link(dir.filePath("elsewhere/x.csv"), out);
    const auto entries = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    const QStringList was = QDir(outs).entryList(entries);
    const QByteArray old = place == "pipe" ? QByteArray() : readFile(out);
    const bool toFile = args.contains("%");
    for (QString& a : args) a.replace('@', data).replace('%', args[0] == "render" ? outs + "/pngs" : out);
    QFile devFull("/dev/full");
    auto full = place == "full disk" ? std::make_unique<DiskFull>(100) : nullptr;
    const Result r = tool(
        args, place == "/dev/full" && devFull.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ? &devFull
                                                                                                 : nullptr);
    full.reset();
    for (qsizetype i = 0; i < files.size(); i += 2)  // names that are not UTF-8 too
        ::unlink((QFile::encodeName(data) + '/' + files[i].chopped(files[i].endsWith('!'))).constData());
    QCOMPARE(r.status, status);
    QVERIFY2(said.isEmpty() ? r.err.isEmpty() : r.err.contains(said.replace('@', data)), qPrintable(r.err));
    const QStringList left = QDir(outs).entryList(entries);
    if (status == 2) {
        // Refused before any work, or failed: what was there is as it was, nothing beside it.
        QVERIFY2(!toFile || place.contains("full") || !r.err.contains("warning"), qPrintable(r.err));
        QVERIFY(left == was && !QFile::exists(dir.filePath("elsewhere")));
        if (place != "pipe") QCOMPARE(readFile(out), old);
        return;
    }
    QCOMPARE(left, toFile ? QStringList({"t.codebook.csv", "t.csv"}) : QStringList());
    QList<QByteArray> lines = (toFile ? readFile(out) : r.out).split('\n');
    QVERIFY(lines.takeLast().isEmpty() && lines.size() == count + 1);
    for (qsizetype at = 0; QByteArray & k : rows) {
        at = lines.indexOf(k.replace('@', data.toUtf8()), at) + 1;
        QVERIFY2(at > 0, k + " is not in its place in\n" + lines.join('\n'));
    }
    if (!toFile) return;
    // The codebook names exactly the table's columns, in order, and is what the codebook command prints.
    const QByteArray book = readFile(outs + "/t.codebook.csv");
    QCOMPARE(QString(book).remove(QRegularExpression(",.*")),
             "name\n" + QString(lines[0]).replace(',', '\n') + '\n');
    const QString kind = args.contains("--long") ? "long" : args[0];
    QCOMPARE(tool(QStringList{"codebook", kind} + args.filter("--measures")).out, book);
}

void TestDataTool::imageMeasures_data() {
    QTest::addColumn<QSize>("size");              // of the grey background
    QTest::addColumn<QList<QRect>>("squares");    // black but the first
    QTest::addColumn<QColor>("colour");           // of the first square
    QTest::addColumn<QList<double>>("expected");  // coverage, balance, symmetries, edges, dimension
    auto add = [](const char* name, const QList<QRect>& squares, const QList<double>& expected,
                  QColor colour = Qt::black,
                  QSize size = {100, 80}) { QTest::newRow(name) << size << squares << colour << expected; };
    add("empty", {}, {0, -1, -1, -1, 0});  // -1: none
    // A 20 x 20 square in the middle: balanced and symmetric both ways; its contour is a ring of 84 pixels
    // outside and 76 inside, whatever its colour: green is only 10.03 L* from the grey, dark blue 73.3.
    for (const QColor c : {QColor(Qt::black), QColor(0, 255, 0), QColor(0, 0, 126)})
        add(qPrintable("a square in the middle, " + c.name()), {{40, 30, 20, 20}}, {0.05, 0, 1, 1, 0.02}, c);
    // Mirror images of each other left and right, both in the upper half; a 10 x 10 square in the top-left
    // corner, its centre (5, 5) 57.0 from (50, 40). Half the diagonal is 64.0.
    add("two mirrored squares", {{10, 10, 20, 20}, {70, 10, 20, 20}},
        {0.1, 20 / std::hypot(50, 40), 1, 0, 0.04});
    add("square in a corner", {{0, 0, 10, 10}},
        {0.0125, std::hypot(45, 35) / std::hypot(50, 40), 0, 0, 0.005});
    // The boundary of a 256-pixel square touches 4 * 256 / s - 4 boxes of side s on the grid; the dimension
    // is the least-squares slope of log N against log 1/s.
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int s = 2; s <= 128; s *= 2) {
        const double x = std::log(1.0 / s), y = std::log(4.0 * 256 / s - 4);
        sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    add("box counting", {{128, 128, 256, 256}},
        {0.25, 0, 1, 1, 2048 / 262144.0, (7 * sxy - sx * sy) / (7 * sxx - sx * sx)}, Qt::black, {512, 512});
}

void TestDataTool::imageMeasures() {
    QFETCH(QSize, size);
    QFETCH(QList<QRect>, squares);
    QFETCH(QColor, colour);
    QFETCH(QList<double>, expected);
    QImage image(size, QImage::Format_RGB32);
    image.fill(kPictureGrey);
    QPainter painter(&image);
    for (const QRect& r : squares) painter.fillRect(r, r == squares[0] ? colour : Qt::black);
    painter.end();
    const ImageMeasures m = measureImage(image, QColor(kPictureGrey));
    QCOMPARE(QList<double>({m.coverage, m.balance.value_or(-1), m.symmetryLR.value_or(-1),
                            m.symmetryUD.value_or(-1), m.edgeDensity, m.fractalDimension.value_or(-1)})
                 .first(expected.size()),
             expected);
    const double grey = lightness(kPictureGrey), l = lightness(colour.rgb()), coverage = expected[0];
    QVERIFY(std::abs(grey - 77.7) < 0.01 && m.fractalDimension.has_value() == !squares.isEmpty());
    QCOMPARE(m.meanLightness, (1 - coverage) * grey + coverage * l);
    QVERIFY(std::abs(m.rmsContrast - std::abs(grey - l) * std::sqrt(coverage * (1 - coverage))) < 1e-4);
}

void TestDataTool::drawingsAgree() {
    // Make Art's picture, stored and drawn "as made", is the same pixels; "as replayed" some kinds shrink.
    // Measures from objects drawn alone and put together are those of the picture drawn whole.
    StdRandomSource random;
    random.reseed(2026);
    Composer composer(random);
    ImageCanvas screen(kPictureSize, QColor(kPictureGrey));
    auto key = [](const ImageMeasures& m) {
        return QList<double>{
            double(m.maskPixels),      m.meanLightness,           m.edgeDensity,
            m.symmetryLR.value_or(-1), m.symmetryUD.value_or(-1), m.fractalDimension.value_or(-1)};
    };
    int smaller = 0;
    for (int p = 0; p < 30; ++p) {
        CompositionSettings c;
        for (int* setting : {&c.objects, &c.shapes, &c.sizes, &c.colours})
            *setting = randomWhole(random, 1, 12);
        screen.clear();
        QByteArray art = trialsLine(1) + pictureHeaderLine(c.objects);
        for (const PictureObject& o : composer.compose(c))
            art += objectLine(composer.placeAndDraw(o, screen));
        PictureStore store;
        QVERIFY(readPictureStore(art, "a", Extent::Whole, &store).isOk());
        Picture picture = store.pictures[0];
        QCOMPARE(renderPicture(picture, Drawn::Made), screen.image());
        smaller += renderPicture(picture, Drawn::Replayed) != screen.image();
        if (p % 3 == 0) picture.objects.insert(1, PictureObject{13, 100, 100, 50, 255});
        const PictureMeasures m = measurePicture(picture);
        for (const Drawn d : {Drawn::Made, Drawn::Replayed}) {
            const QImage drawing = renderPicture(picture, d);
            const ImageMeasures whole = measureImage(drawing, QColor(kPictureGrey));
            QVERIFY(key(m.drawing(d).image) == key(whole) && whole.edgeDensity == contourShare(drawing));
            qint64 seen = 0;
            for (qsizetype j = 0; j < picture.objects.size(); ++j) {
                const QImage alone = renderPicture({{picture.objects[j]}}, d);
                QCOMPARE(m.drawing(d).alone[j], measureImage(alone, QColor(kPictureGrey)).maskPixels);
                seen += m.drawing(d).visible[j];
            }
            QCOMPARE(seen, whole.maskPixels);
        }
    }
    QVERIFY(smaller > 0);
    // Kinds 2 and 9 composed from the same size 13 count as one size; the kind-2 triangle comes back
    // smaller, the square does not.
    const PictureMeasures m = measurePicture(
        {{{10, 100, 100, 50, 255}, {2, 300, 50, 9.1f, 65280}, {9, 300, 250, 13, 65280}, {13, 0, 0, 1, 1}}});
    QCOMPARE(QList<int>({m.objectCount, m.distinctKinds, m.distinctSizes, m.distinctColours}),
             QList<int>({4, 3, 2, 2}));
    QVERIFY(m.replayed.alone[1] < m.made.alone[1] && m.replayed.alone[2] == m.made.alone[2]);
}

void TestDataTool::psychDs() {
    // A Psych-DS 1.x dataset: its description, data files named by keyword-value pairs with unique, described
    // columns, in UTF-8 without a byte order mark; the lab's files unchanged under raw_data/, with sums.
    QTemporaryDir dir;
    const QString lab = dir.filePath("lab"), set = dir.filePath("set/");
    QDir().mkdir(lab);
    write(lab, study());
    QCOMPARE(tool({"export", lab, "--out", dir.filePath("set"), "--name", "Pictures 2026"}).status, 0);
    const QJsonObject about = QJsonDocument::fromJson(readFile(set + "dataset_description.json")).object();
    QVERIFY(about["@context"].toString().startsWith("https://schema.org"));
    QVERIFY(about["@type"] == "Dataset" && !about["name"].toString().isEmpty() &&
            !about["description"].toString().isEmpty());
    QSet<QString> described;
    for (const QJsonValue v : about["variableMeasured"].toArray())
        described << (v.isString() ? v.toString() : v["name"].toString());
    const QRegularExpression keywords("^([a-z]+-[a-zA-Z0-9]+)(_[a-z]+-[a-zA-Z0-9]+)*_data\\.csv$"),
        separator(R"(,(?=(?:[^"]*"[^"]*")*[^"]*$))");  // a comma outside quotes
    const QStringList data = QDir(set + "data").entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(data.size(), 4);
    for (const QString& name : data) {
        QVERIFY2(keywords.match(name).hasMatch() && name.startsWith("study-Pictures2026_"), qPrintable(name));
        const QByteArray bytes = readFile(set + "data/" + name);
        QVERIFY(QString(bytes).toUtf8() == bytes && !bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString(bytes).split(u'\n', Qt::SkipEmptyParts),
                          header = lines[0].split(u',');
        QCOMPARE(QSet<QString>(header.begin(), header.end()).size(), header.size());
        for (const QString& column : header) QVERIFY2(described.contains(column), qPrintable(column));
        for (const QString& line : lines) QCOMPARE(line.count(separator), header.size() - 1);
    }
    const QStringList files = QDir(lab).entryList(QDir::Files);
    for (const QString& name : files)
        QCOMPARE(readFile(set + "raw_data/lab/" + name), readFile(lab + "/" + name));
    QProcess sums;
    sums.setWorkingDirectory(set + "raw_data");
    sums.start("sha256sum", {"-c", "manifest-sha256.txt"});
    QVERIFY(sums.waitForFinished() && sums.exitCode() == 0 && sums.readAll().count(": OK\n") == files.size());
    QVERIFY(QFile::exists(set + "README"));
}

void TestDataTool::interruption() {
    // Ctrl-C during a long table ends the program at once, leaving nothing behind.
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    for (int code = 1001; code <= 1008; ++code)
        writeFile(dir.filePath(QStringLiteral("%1art.dat").arg(code)),
                  "500\r\n" + ("12\r\n" + objectLine({6, 100, 120, 45, 255}).repeated(12)).repeated(500));
    QVERIFY(QDir().mkdir(out));
    QProcess p;
    p.start(PICTOR_DATA, {"table", dir.path(), "--measures", "--out", out + "/t.csv"});
    QVERIFY(QTest::qWaitFor([&] { return !QDir(out).isEmpty(QDir::Files | QDir::Hidden); }, 20000));
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(120000) && p.exitCode() == 130);
    QVERIFY(p.readAllStandardError().contains("stopped by Ctrl-C; nothing was written.") &&
            QDir(out).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
}

PICTOR_TEST(TestDataTool);

}  // namespace data_tool_test

#include "tst_data_tool.moc"
