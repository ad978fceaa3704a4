// pictor-data: pictures drawn as the main screen draws them; what a lab
// folder holds after crashes, edits and old habits, read into the table;
// outputs that never lie or destroy; measures with known answers.

#include "analysis/data_tool.h"
#include "analysis/measures.h"
#include "analysis/picture_render.h"
#include "analysis/subject_data.h"
#include "core/composer.h"
#include "core/picture_store.h"
#include "core/timing_file.h"
#include "platform/painter_canvas.h"
#include "platform/random_source.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/test_main.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QThread>

#include <QBuffer>
#include <QDir>
#include <QLocale>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

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
    PosixDisk disk;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString err;
    QTextStream errStream(&err);
    Result r;
    r.status = runDataTool(args, disk, DataToolIo{to ? *to : buffer, errStream, false});
    errStream.flush();
    r.out = buffer.data();
    r.err = err;
    return r;
}

// Files by raw name; a name ending in "!" is made read-only.
using Files = QList<QPair<QByteArray, QByteArray>>;
void write(const QString& folder, const Files& files) {
    for (const auto& [name, data] : files) {
        const QByteArray path = QFile::encodeName(folder) + '/' + name.chopped(name.endsWith('!'));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0 && ::write(fd, data.constData(), size_t(data.size())) == data.size());
        ::fchmod(fd, name.endsWith('!') ? 0444 : 0644);
        ::close(fd);
    }
}

QByteArray record(const char* mode, const char* status, const char* left = "Nice",
                  const char* right = "Ugly") {
    return QStringLiteral(
               R"({"mode": "%1", "status": "%2", "subject_code": "0001", "settings": {"data_folder":
        "/data/lab", "scales": [{"left_term": "%3", "right_term": "%4"}, {"left_term": "Odd", "right_term":
        "Plain"}, {"left_term": "Busy", "right_term": "Calm"}]}})")
        .arg(mode, status, left, right)
        .toUtf8();
}

// A table row of 31 fields: head, empty fields, tail, and the two onset
// lags, empty.
QByteArray row(const QByteArray& head, const QByteArray& tail) {
    return head + QByteArray(31 - head.count(',') - tail.count(',') - 3, ',') + tail + ",,";
}

const QByteArray kArt = "2\r\n1\r\n9,40,50,13,255\r\n0\r\n";
const QByteArray kRes = "1,1,1,2,3,4,5,,7,1.5\r\n1,2,0,6,7,8,,,,0.25\r\n";
const QByteArray kTorn = "1,1,1,2,3,4,5,,7,1.5\r\n1,2,0,6,7";
const QByteArray kTrial1 = "@/,0001,1,1,2,3,4,5,,7,1.5";
const PictureObject kRed{10, 100, 100, 50, 255}, kGreen{10, 140, 100, 50, 65280};

// Three subjects: 0001 judged with other terms on scale 1; 0002 made two
// overlapping squares and was not judged; 0003 rated five empty pictures
// on scales 1 and 3 in both sessions with the same terms.
void writeStudy(const QString& folder) {
    QByteArray res3, judged3;
    const int made[] = {1, 2, 2, 5, 7}, judged[] = {2, 1, 4, 4, 7}, both[] = {3, 1, 4, 1, 5};
    for (int t = 0; t < 5; ++t) {
        const QByteArray line =
            QStringLiteral("3,%1,0,1,1,1,%2,,%3,1").arg(t + 1).arg(made[t]).arg(both[t]).toUtf8();
        res3 += line + "\r\n";
        judged3 += line + QStringLiteral(",%1,,%2,2\r\n").arg(judged[t]).arg(both[t]).toUtf8();
    }
    write(folder, {{"0001art.dat", kArt},
                   {"0001res.dat", kRes},
                   {"0001res2.dat", "1,1,1,2,3,4,5,,7,1.5,1,2,3,2.75\r\n1,2,0,6,7,8,,,,0.25,,,,0\r\n"},
                   {"0001session.json", record("Make Art", "finished", "Nice, warm", "Ugly")},
                   {"0001session2.json", record("Judge Art", "finished", "Ugly", "Nice, warm")},
                   {"0002art.dat", "1\r\n2\r\n" + objectLine(kRed) + objectLine(kGreen)},
                   {"0002res.dat", "2,1,2,1,1,2,4,,6,3\r\n"},
                   {"0003art.dat", "5\r\n" + QByteArray("0\r\n").repeated(5)},
                   {"0003res.dat", res3},
                   {"0003res2.dat", judged3},
                   {"0003session.json", record("Make Art", "finished")},
                   {"0003session2.json", record("Judge Art", "finished")}});
}

// Pixels with a neighbour of another colour, counted one by one.
double contourShare(const QImage& image) {
    const int w = image.width(), h = image.height();
    qint64 n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool edge = false;
            for (int v = std::max(0, y - 1); v <= std::min(h - 1, y + 1); ++v)
                for (int u = std::max(0, x - 1); u <= std::min(w - 1, x + 1); ++u)
                    edge = edge || reinterpret_cast<const QRgb*>(image.constScanLine(v))[u] !=
                                       reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
            n += edge;
        }
    return static_cast<double>(n) / (static_cast<double>(w) * h);
}

// The fields of a CSV line (RFC 4180).
QStringList fields(const QString& line) {
    QStringList out{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'"' && quoted && i + 1 < line.size() && line[i + 1] == u'"')
            out.last() += line[++i];
        else if (line[i] == u'"')
            quoted = !quoted;
        else if (line[i] == u',' && !quoted)
            out << QString();
        else
            out.last() += line[i];
    }
    return out;
}

// An image of the background with rectangles of one colour.
QImage image(QSize size, const QList<QRect>& rects, QColor colour = Qt::black) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(kPictureGrey);
    QPainter p(&img);
    for (const QRect& r : rects) p.fillRect(r, colour);
    return img;
}

class TestDataTool : public QObject {
    Q_OBJECT
private slots:
    void madeMatchesTheMainScreen();
    void renderIsRepeatable();
    void reading_data();
    void reading();
    void outputs_data();
    void outputs();
    void refusals_data();
    void refusals();
    void imageMeasures_data();
    void imageMeasures();
    void boxCounting();
    void drawingsAgree();
    void studyOutputs_data();
    void studyOutputs();
    void psychDs();
    void interruption();
};

void TestDataTool::madeMatchesTheMainScreen() {
    // A picture as Make Art draws it, stored and drawn again "as made", is
    // the same pixels; "as replayed" is not (kinds 2 and 11 come back smaller).
    ScriptedRandom random;
    random.script = {pick12(12),   pick12(1),   pick12(2), pick12(1),   pick12(2),   pick12(3),
                     pick12(2),    pick12(12),  pick12(4), pick12(11),  pick12(3),   pick12(12),
                     pick12(11),   pick12(6),   pick12(9), pick200(10), pick200(20), pick200(150),
                     pick200(199), pick200(60), pick200(0)};
    Composer composer(random);
    ImageCanvas screen(kPictureSize, QColor(kPictureGrey));
    QByteArray art = trialsLine(1) + pictureHeaderLine(3);
    for (const PictureObject& o : composer.compose({3, 11, 10, 9}))
        art += objectLine(composer.placeAndDraw(o, screen));
    PictureStore store;
    QVERIFY(readPictureStore(art, "a", Extent::Whole, &store).isOk());
    QCOMPARE(store.pictures[0].objects[0].kind, 2);
    QCOMPARE(renderPicture(store.pictures[0], Drawn::Made), screen.image());
    QVERIFY(renderPicture(store.pictures[0], Drawn::Replayed) != screen.image());
}

void TestDataTool::renderIsRepeatable() {
    QTemporaryDir dir;
    const QString data = dir.filePath("data/");
    QDir().mkpath(data);
    writeFile(data + "0005art.dat", "2\r\n2\r\n6,100,120,45,255\r\n2,200,50,9.1,32382\r\n0\r\n");
    for (const char* run : {"a", "b"}) {
        const Result r = tool({"render", data, "0005", "--scale", "2", "--out", dir.filePath(run)});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.count('\n'), 2);
    }
    for (const char* name : {"0005-trial001.png", "0005-trial002.png"})
        QCOMPARE(readFile(dir.filePath(QStringLiteral("a/") + name)),
                 readFile(dir.filePath(QStringLiteral("b/") + name)));
    // Twice the size, and the drawing twice as large: the filled circle's
    // extent doubles with it.
    const QImage png(dir.filePath("a/0005-trial001.png"));
    QCOMPARE(png.size(), QSize(942, 750));
    auto redExtent = [](const QImage& img) {
        QRect r;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == qRgb(255, 0, 0)) r |= QRect(x, y, 1, 1);
        return r;
    };
    Picture circle;
    circle.objects = {{6, 100, 120, 45, 255}};
    const QRect single = redExtent(renderPicture(circle, Drawn::Replayed)), doubled = redExtent(png);
    QVERIFY2(std::abs(doubled.width() - 2 * single.width()) <= 2 &&
                 std::abs(doubled.center().x() - 2 * single.center().x()) <= 2,
             qPrintable(QStringLiteral("%1 %2").arg(single.width()).arg(doubled.width())));
    const Result svg = tool({"render", data, "0005", "--trial", "1", "--format", "svg", "--out", dir.path()});
    QCOMPARE(svg.status, 0);
    const QByteArray text = readFile(dir.filePath("0005-trial001.svg"));
    QVERIFY(text.contains("<svg") && text.contains("viewBox=\"0 0 471 375\""));
    QVERIFY((text.contains("<circle") || text.contains("<ellipse")) && text.contains("<polyline"));
    QVERIFY(!text.contains("<image"));
}

void TestDataTool::reading_data() {
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("args");  // @ is the folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QList<QByteArray>>("rows");
    const QStringList table{"table", "@"};
    const QByteArray judged = "1,1,1,2,3,4,5,,7,1.5,1,2,3,2.75\r\n1,2,0,6,7,8,,,,0.25,,,,0\r\n";
    QTest::newRow("an unfinished session's torn line")
        << Files{{"0001art.dat", kArt}, {"0001res.dat", kTorn}} << table << 0
        << "0001res.dat\", line 2: the last line has no line end (\"1,2,0,6,7\")"
        << QList<QByteArray>{row(kTrial1, "incomplete,"), row("@/,0001,2,0", "incomplete,")};
    QTest::newRow("an unfinished session's zero-filled line")
        << Files{{"0001art.dat", "2\r\n1\r\n9,40,50,13,255\r\n1\r\n" + QByteArray(14, '\0')},
                 {"0001res.dat", "1,1,1,2,3,4,5,,7,1.5\r\n"}}
        << table << 0 << "line 5: the last line has no line end (\"??????????????\")"
        << QList<QByteArray>{row(kTrial1, "incomplete,")};
    QTest::newRow("a finished session's torn line")
        << Files{{"0001art.dat", kArt},
                 {"0001res.dat", kTorn},
                 {"0001session.json", record("Make Art", "finished")}}
        << table << 1 << "line 2: it has no line end" << QList<QByteArray>{};
    QTest::newRow("a read-only file's torn line")
        << Files{{"0001art.dat", kArt}, {"0001res.dat!", kTorn}} << table << 1 << "line 2: it has no line end"
        << QList<QByteArray>{};
    QTest::newRow("results beyond the pictures, as Judge Art ignores them")
        << Files{{"0001art.dat", "1\r\n1\r\n9,40,50,13,255\r\n"}, {"0001res.dat", kRes + "junk\r\n"}} << table
        << 0 << "0001res.dat\", lines 2 to 3: there are only 1 complete pictures"
        << QList<QByteArray>{row(kTrial1, "finished,")};
    QTest::newRow("a damaged record")
        << Files{{"0001art.dat", kArt}, {"0001res.dat", kRes}, {"0001session.json", "{\"mode\": \"Make"}}
        << table << 1 << "The session record \"@/0001session.json\" cannot be used"
        << QList<QByteArray>{row(kTrial1, "finished,"), row("@/,0001,2,0,6,7,8,,,,0.25", "finished,")};
    QTest::newRow("a record that says finished")
        << Files{{"0001art.dat", "3\r\n1\r\n9,40,50,13,255\r\n"},
                 {"0001res.dat", "1,1,1,2,3,4,5,,7,1.5\r\n"},
                 {"0001session.json", record("Make Art", "finished")}}
        << table << 0 << "says the session finished, but the files hold 1 of its 3 trials"
        << QList<QByteArray>{row(kTrial1 + ",,,,,Nice,Ugly,Odd,Plain,Busy,Calm", "incomplete,")};
    const QByteArray terms =
        "\"Nice, warm\",Ugly,Odd,Plain,Busy,Calm,Ugly,\"Nice, warm\",Odd,Plain,Busy,Calm,";
    QTest::newRow("each session's terms")
        << Files{{"0001art.dat", kArt},
                 {"0001res.dat", kRes},
                 {"0001res2.dat", judged},
                 {"0001session.json", record("Make Art", "finished", "Nice, warm", "Ugly")},
                 {"0001session2.json", record("Judge Art", "finished", "Ugly", "Nice, warm")}}
        << table << 0
        << "(scale 1: \"Nice, warm\"-\"Ugly\" in Make Art, \"Ugly\"-\"Nice, warm\" in Judge Art)"
        << QList<QByteArray>{kTrial1 + ",1,2,3,2.75," + terms + "finished,finished,,",
                             "@/,0001,2,0,6,7,8,,,,0.25,,,,0," + terms + "finished,finished,,"};
    // The frame of trial 1 came 9.5 ms after its picture; trial 2's is not known.
    TimingRow first{1, {2'000'000'000, {}, {}}, {true, 2'009'500'000, 2'001'000'000, 120, "copy", ""}};
    const TimingRow second{2, {3'000'000'000, {}, {}}, {}};
    QTest::newRow("onset lags from the timing file")
        << Files{{"0001art.dat", kArt},
                 {"0001res.dat", kRes},
                 {"0001timing.csv", timingHeader() + first.encode() + second.encode()}}
        << table << 0 << ""
        << QList<QByteArray>{row(kTrial1, "finished,").chopped(1) + "9.5,",
                             row("@/,0001,2,0,6,7,8,,,,0.25", "finished,")};
    QTest::newRow("a folder named twice")
        << Files{{"0001art.dat", kArt}, {"0001res.dat", kRes}} << QStringList{"table", "@", "@/"} << 0 << ""
        << QList<QByteArray>{row(kTrial1, "finished,"), row("@/,0001,2,0,6,7,8,,,,0.25", "finished,")};
    QTest::newRow("upper-case names")
        << Files{{"0015ART.DAT", "1\r\n0\r\n"}, {"0015RES.DAT", "15,1,0,1,1,1,4,,,2\r\n"}} << table << 0 << ""
        << QList<QByteArray>{row("@/,0015,1,0,1,1,1,4,,,2", "finished,")};
    QTest::newRow("a name that is not UTF-8")
        << Files{{"\xff"
                  "1art.dat",
                  "1\r\n0\r\n"},
                 {"0002art.dat", "1\r\n0\r\n"}}
        << table << 1 << "\"@/\\xff1art.dat\" is left out: its name is not valid UTF-8"
        << QList<QByteArray>{row("@/,0002,1,0", "incomplete,")};
    QTest::newRow("a folder typed without separator, with its record")
        << Files{{"lab0001art.dat", kArt},
                 {"lab0001res.dat", kRes},
                 {"lab0001session.json", record("Make Art", "finished")}}
        << table << 0 << "typed as \"/data/lab\", without a separator at its end"
        << QList<QByteArray>{
               row("@/lab,0001,1,1,2,3,4,5,,7,1.5,,,,,Nice,Ugly,Odd,Plain,Busy,Calm", "finished,"),
               row("@/lab,0001,2,0,6,7,8,,,,0.25,,,,,Nice,Ugly,Odd,Plain,Busy,Calm", "finished,")};
    QTest::newRow("a folder typed without separator, no record")
        << Files{{"lab0001art.dat", kArt}, {"lab0001res.dat", kRes}} << table << 1
        << "it belongs to subject 1, not to subject 0. The names may come from a data folder typed without a "
           "separator at its end (\"...lab\" followed by a code)"
        << QList<QByteArray>{};
}

void TestDataTool::reading() {
    QFETCH(Files, files);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(QList<QByteArray>, rows);
    QTemporaryDir dir;
    write(dir.path(), files);
    for (QString& a : args) a.replace('@', dir.path());
    const Result r = tool(args);
    QCOMPARE(r.status, status);
    QVERIFY2(said.isEmpty() ? r.err.isEmpty() : r.err.contains(said.replace('@', dir.path())),
             qPrintable(r.err));
    QList<QByteArray> lines = r.out.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    QVERIFY(lines.takeFirst().startsWith("folder,subject_code,trial,objects,"));
    for (QByteArray& row : rows) row.replace('@', dir.path().toUtf8());
    QCOMPARE(lines, rows);
    for (const auto& file : files)
        ::unlink(
            (QFile::encodeName(dir.path()) + '/' + file.first.chopped(file.first.endsWith('!'))).constData());
}

void TestDataTool::outputs_data() {
    QTest::addColumn<QString>("place");     // what stands where the output goes
    QTest::addColumn<QStringList>("args");  // @ is the data folder, % the output
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    const QStringList table{"table", "@", "--out", "%"}, force = table + QStringList{"--force"};
    QTest::newRow("a new file") << "nothing" << table << 0 << "";
    QTest::newRow("a file, kept") << "file" << table << 2 << "exists already; give --force";
    QTest::newRow("a file, replaced") << "file" << force << 0 << "";
    QTest::newRow("a read-only file") << "read-only" << force << 2 << "is not replaced: it is read-only";
    QTest::newRow("a named pipe") << "pipe" << force << 2 << "it is a named pipe, not a regular file";
    QTest::newRow("a link to a file") << "link" << force << 2 << "it is a symbolic link";
    QTest::newRow("a link to nowhere") << "dangling" << force << 2 << "it is a symbolic link";
    QTest::newRow("a folder") << "folder" << force << 2 << "it is a folder";
    QTest::newRow("a data file's name") << "data name" << table << 2 << "is named like a Pictor data file";
    QTest::newRow("no folder") << "no folder" << table << 2 << "/nowhere\" does not exist";
    QTest::newRow("a full disk") << "full disk" << force << 2 << "File too large";
    QTest::newRow("pictures on a full disk")
        << "full disk" << QStringList{"render", "@", "0001", "--out", "%"} << 2 << "File too large";
    QTest::newRow("standard output on a full disk")
        << "nothing" << QStringList{"table", "@"} << 2 << "cannot write the table to standard output";
    QTest::newRow("--scale 0.001") << "nothing" << QStringList{"render", "@", "0001", "--scale", "0.001"} << 2
                                   << "--scale takes a number from 0.1";
    QTest::newRow("--out twice") << "nothing" << table + QStringList{"--out", "%"} << 2
                                 << "--out is given twice";
}

void TestDataTool::outputs() {
    QFETCH(QString, place);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("data");
    QDir(dir.path()).mkdir("out");
    // A line beyond the pictures brings a warning, which a refusal before any work never gives.
    write(dir.filePath("data"), {{"0001art.dat", kArt}, {"0001res.dat", kRes + kRes}});
    QString out = dir.filePath(place == "data name" ? "out/0002res2.dat" : "out/t.csv");
    if (place == "no folder") out = dir.filePath("nowhere/t.csv");
    if (place == "file" || place == "read-only" || place == "full disk") writeFile(out, "old");
    if (place == "read-only") QFile::setPermissions(out, QFile::ReadOwner);
    if (place == "pipe") ::mkfifo(QFile::encodeName(out).constData(), 0644);
    if (place == "link") writeFile(dir.filePath("other"), "old"), QFile::link(dir.filePath("other"), out);
    if (place == "dangling") QFile::link(dir.filePath("elsewhere/x.csv"), out);
    if (place == "folder") QDir().mkdir(out);
    const QFileInfo before(out);
    const QByteArray old = place == "pipe" ? QByteArray() : readFile(out);
    for (QString& a : args)
        a.replace('@', dir.filePath("data"))
            .replace('%', args[0] == "render" ? dir.filePath("out/pngs") : out);
    QFile devFull("/dev/full");
    devFull.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    Result r;
    {
        std::optional<DiskFull> full;
        if (place == "full disk") full.emplace(100);
        r = tool(args, args.size() == 2 ? &devFull : nullptr);
    }
    QCOMPARE(r.status, status);
    const bool worked = status == 0 || place == "full disk" || args.size() == 2;  // a refusal comes first
    QVERIFY2(r.err.contains(said) && r.err.contains("warning") == worked, qPrintable(r.err));
    const QStringList left =
        QDir(dir.filePath("out"))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (status == 0) {
        QVERIFY(readFile(out).startsWith("folder,subject_code,trial,"));
        QCOMPARE(left, (QStringList{"t.codebook.csv", "t.csv"}));
        return;
    }
    // Refused or failed: what was there is as it was, nothing beside it.
    QCOMPARE(QFileInfo(out).exists() || QFileInfo(out).isSymLink(), before.exists() || before.isSymLink());
    QCOMPARE(QFileInfo(out).isSymLink(), before.isSymLink());
    if (place != "pipe") QCOMPARE(readFile(out), old);
    QVERIFY(!QFile::exists(dir.filePath("elsewhere")));
    QCOMPARE(left.size(),
             int(before.exists() || before.isSymLink()) * int(out.startsWith(dir.filePath("out"))));
}

void TestDataTool::refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");  // on standard error; for a status 0, how standard output begins
    QTest::newRow("no command") << QStringList{} << 2 << "say what to do";
    QTest::newRow("unknown option") << QStringList{"table", "@", "--colour"} << 2
                                    << "unknown option \"--colour\"";
    QTest::newRow("missing folder") << QStringList{"table", "@/nowhere"} << 2 << "does not exist";
    QTest::newRow("no subjects") << QStringList{"table", "@/empty"} << 2 << "no subjects found";
    QTest::newRow("no such subject") << QStringList{"render", "@", "0009"} << 2 << "no subject 0009";
    QTest::newRow("trial out of range")
        << QStringList{"render", "@", "0001", "--trial", "2"} << 2 << "from 1 to 1";
    QTest::newRow("pictures of a subject whose results are damaged")
        << QStringList{"render", "@", "0001", "--out", "@/pngs"} << 0 << "@/pngs/0001-trial001.png\n";
    QTest::newRow("a command's own help") << QStringList{"table", "@", "--help"} << 0
                                          << "Usage:\n  pictor-data table FOLDER... [--long] [--measures]";
}

void TestDataTool::refusals() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("empty");
    writeFile(dir.filePath("0001art.dat"), "1\r\n0\r\n");
    writeFile(dir.filePath("0001res.dat"), "1,1,0,1,1,1,9,,,0\r\n");
    for (QString& a : args) a.replace('@', dir.path());
    const Result r = tool(args);
    QCOMPARE(r.status, status);
    QVERIFY2(status ? r.err.contains(said) : r.out.startsWith(said.replace('@', dir.path()).toUtf8()),
             qPrintable(r.err + r.out));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"0001art.dat", "0001res.dat"}));
}

void TestDataTool::imageMeasures_data() {
    QTest::addColumn<QList<QRect>>("squares");
    QTest::addColumn<double>("coverage");
    QTest::addColumn<double>("balance");  // -1: empty
    QTest::addColumn<double>("lr");
    QTest::addColumn<double>("ud");
    QTest::addColumn<double>("edges");
    QTest::addColumn<QColor>("colour");
    const double halfDiagonal = std::hypot(100, 80) / 2;
    QTest::newRow("empty") << QList<QRect>{} << 0.0 << -1.0 << -1.0 << -1.0 << 0.0 << QColor(Qt::black);
    // A 20 x 20 square in the middle: balanced and symmetric both ways; its
    // contour is a ring of 84 pixels outside and 76 inside, whatever its
    // colour: green is only 10.03 L* from the grey, dark blue 73.3.
    for (const QColor c : {QColor(Qt::black), QColor(0, 255, 0), QColor(0, 0, 126)})
        QTest::newRow(qPrintable("a square in the middle, " + c.name()))
            << QList<QRect>{{40, 30, 20, 20}} << 0.05 << 0.0 << 1.0 << 1.0 << 160 / 8000.0 << c;
    // Mirror images of each other left and right, both in the upper half.
    QTest::newRow("two mirrored squares")
        << QList<QRect>{{10, 10, 20, 20}, {70, 10, 20, 20}} << 0.1 << 20 / halfDiagonal << 1.0 << 0.0
        << 320 / 8000.0 << QColor(Qt::black);
    // A 10 x 10 square in the top-left corner: its centre (5, 5) is 57.0 from (50, 40).
    QTest::newRow("square in a corner")
        << QList<QRect>{{0, 0, 10, 10}} << 100 / 8000.0 << std::hypot(45, 35) / halfDiagonal << 0.0 << 0.0
        << 40 / 8000.0 << QColor(Qt::black);
}

void TestDataTool::imageMeasures() {
    QFETCH(QList<QRect>, squares);
    QFETCH(double, coverage);
    QFETCH(double, balance);
    QFETCH(double, lr);
    QFETCH(double, ud);
    QFETCH(double, edges);
    QFETCH(QColor, colour);
    const ImageMeasures m = measureImage(image(QSize(100, 80), squares, colour), QColor(kPictureGrey));
    QCOMPARE(m.coverage, coverage);
    // L* of the grey background is 77.70; black is 0.
    const double grey = lightness(kPictureGrey), l = lightness(colour.rgb());
    QVERIFY(std::abs(grey - 77.7) < 0.01);
    QCOMPARE(m.meanLightness, (1 - coverage) * grey + coverage * l);
    QVERIFY(std::abs(m.rmsContrast - std::abs(grey - l) * std::sqrt(coverage * (1 - coverage))) < 1e-4);
    QCOMPARE(m.edgeDensity, edges);
    QCOMPARE(m.balance.value_or(-1), balance);
    QCOMPARE(m.symmetryLR.value_or(-1), lr);
    QCOMPARE(m.symmetryUD.value_or(-1), ud);
    QCOMPARE(m.fractalDimension.has_value(), !squares.isEmpty());
}

void TestDataTool::boxCounting() {
    // The boundary of a 256-pixel square on the box grid touches 4 * 256 / s - 4
    // boxes of side s; the dimension is the least-squares slope of log N
    // against log 1/s.
    const ImageMeasures m =
        measureImage(image(QSize(512, 512), {QRect(128, 128, 256, 256)}), QColor(kPictureGrey));
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int s = 2; s <= 128; s *= 2) {
        const double x = std::log(1.0 / s), y = std::log(4.0 * 256 / s - 4);
        sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    const double expected = (7 * sxy - sx * sy) / (7 * sxx - sx * sx);
    QVERIFY(std::abs(*m.fractalDimension - expected) < 1e-9);
}

void TestDataTool::drawingsAgree() {
    // The table measures a picture from its objects drawn alone and put
    // together; that is the picture drawn whole, each object's own pixels
    // are its pixels drawn alone, and what is seen of them is the mask. The
    // contours counted on runs are those counted pixel by pixel.
    StdRandomSource random;
    random.reseed(2026);
    Composer composer(random);
    ImageCanvas screen(kPictureSize, QColor(kPictureGrey));
    for (int p = 0; p < 30; ++p) {
        Picture picture;
        const CompositionSettings c{randomWhole(random, 1, 12), randomWhole(random, 1, 12),
                                    randomWhole(random, 1, 12), randomWhole(random, 1, 12)};
        for (const PictureObject& o : composer.compose(c))
            picture.objects << composer.placeAndDraw(o, screen);
        if (p % 3 == 0) picture.objects.insert(1, PictureObject{13, 100, 100, 50, 255});
        const PictureMeasures m = measurePicture(picture);
        for (const Drawn d : {Drawn::Made, Drawn::Replayed}) {
            const QImage drawing = renderPicture(picture, d);
            const ImageMeasures whole = measureImage(drawing, QColor(kPictureGrey));
            const ImageMeasures& parts = m.drawing(d).image;
            QCOMPARE(parts.maskPixels, whole.maskPixels);
            QCOMPARE(parts.meanLightness, whole.meanLightness);
            QCOMPARE(parts.edgeDensity, whole.edgeDensity);
            QCOMPARE(whole.edgeDensity, contourShare(drawing));
            QCOMPARE(parts.symmetryLR, whole.symmetryLR);
            QCOMPARE(parts.symmetryUD, whole.symmetryUD);
            QCOMPARE(parts.fractalDimension, whole.fractalDimension);
            qint64 seen = 0;
            for (qsizetype j = 0; j < picture.objects.size(); ++j) {
                Picture alone;
                alone.objects = {picture.objects[j]};
                QCOMPARE(m.drawing(d).alone[j],
                         measureImage(renderPicture(alone, d), QColor(kPictureGrey)).maskPixels);
                seen += m.drawing(d).visible[j];
            }
            QCOMPARE(seen, whole.maskPixels);
        }
    }
    // Kinds 2 and 9 composed from the same size 13 count as one size; the
    // kind-2 triangle comes back smaller, the square does not.
    Picture p;
    p.objects = {
        {10, 100, 100, 50, 255}, {2, 300, 50, 9.1, 65280}, {9, 300, 250, 13, 65280}, {13, 0, 0, 1, 1}};
    const PictureMeasures m = measurePicture(p);
    QCOMPARE(QList<int>({m.objectCount, m.distinctKinds, m.distinctSizes, m.distinctColours}),
             QList<int>({4, 3, 2, 2}));
    QVERIFY(m.replayed.alone[1] < m.made.alone[1] && m.replayed.alone[2] == m.made.alone[2]);
}

void TestDataTool::studyOutputs_data() {
    QTest::addColumn<QStringList>("args");      // the output, with its codebook beside it
    QTest::addColumn<QStringList>("codebook");  // the codebook as the codebook command prints it
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("known");  // rows it must hold
    auto pixels = [](const QList<PictureObject>& objects) {
        Picture p;
        p.objects = objects;
        return measureImage(renderPicture(p, Drawn::Made), QColor(kPictureGrey)).maskPixels;
    };
    const qint64 red = pixels({kRed}), green = pixels({kGreen}), both = pixels({kRed, kGreen});
    QTest::newRow("trials") << QStringList{"table", "--measures"} << QStringList{"table", "--measures"} << 8
                            << QStringList{};
    // One row per asked scale: 0001 five, 0002 two, 0003 twenty.
    QTest::newRow("long") << QStringList{"table", "--long"} << QStringList{"long"} << 27
                          << QStringList{"@/,0001,judge,1,1,Ugly,\"Nice, warm\",1,2.75,1,2,3,4",
                                         "@/,0002,make,1,3,,,6,3,2,1,1,2",
                                         "@/,0003,judge,5,3,Busy,Calm,5,2,0,1,1,1"};
    QTest::newRow("long with measures") << QStringList{"table", "--long", "--measures"}
                                        << QStringList{"long", "--measures"} << 27 << QStringList{};
    QTest::newRow("objects")
        << QStringList{"objects"} << QStringList{"objects"} << 3
        << QStringList{QStringLiteral("@/,0002,1,1,made,10,100,100,50,50,255,#ff0000,%1,%2,")
                           .arg(red)
                           .arg(both - green),
                       QStringLiteral("@/,0002,1,2,made,10,140,100,50,50,65280,#00ff00,%1,%1,").arg(green)};
    // 0003, scale 1: ranks 1 2.5 2.5 4 5 and 2 1 3.5 3.5 5 give rho 7.25 / 9.5; ICC(3,1): MSR 43 / 4,
    // MSE 3.4 / 4, (MSR - MSE) / (MSR + MSE) = 9.9 / 11.6. Scale 3: the same ratings twice.
    QTest::newRow("subjects")
        << QStringList{"subjects"} << QStringList{"subjects"} << 5
        << QStringList{
               "@/,0001,judge,2,2,finished,,,,Ugly,\"Nice, "
               "warm\",Odd,Plain,Busy,Calm,1,1,,1,2,,1,3,,1.375,,,,0,,,1,,",
               "@/"
               ",0003,judge,5,5,finished,,,,Nice,Ugly,Odd,Plain,Busy,Calm,5,3.6,2.3021729,0,,,5,2.8,1."
               "7888544,"
               "2,5,0.76315789,0.85344828,0,,,5,1,1",
               "@/"
               ",0003,make,5,5,finished,,,,Nice,Ugly,Odd,Plain,Busy,Calm,5,3.4,2.5099801,0,,,5,2.8,1.7888544,"
               "1,,,,,,,,,"};
}

void TestDataTool::studyOutputs() {
    QFETCH(QStringList, args);
    QFETCH(QStringList, codebook);
    QFETCH(int, rows);
    QFETCH(QStringList, known);
    QTemporaryDir dir;
    writeStudy(dir.path());
    const Result r = tool(args << dir.path() << "--out" << dir.filePath("t.csv"));
    QCOMPARE(r.status, 0);
    QStringList lines = QString::fromUtf8(readFile(dir.filePath("t.csv"))).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), rows + 1);
    for (const QString& k : known)
        QVERIFY2(lines.contains(QString(k).replace('@', dir.path())),
                 qPrintable(k + "\n" + lines.join(u'\n')));
    // The codebook names exactly the table's columns, in order, and is what the codebook command prints.
    QStringList names;
    for (const QString& line :
         QString::fromUtf8(readFile(dir.filePath("t.codebook.csv"))).split(u'\n', Qt::SkipEmptyParts))
        names << fields(line).first();
    QCOMPARE(names.takeFirst(), QString("name"));
    QCOMPARE(names, fields(lines.first()));
    QCOMPARE(tool(QStringList{"codebook"} + codebook).out, readFile(dir.filePath("t.codebook.csv")));
}

void TestDataTool::psychDs() {
    // The rules of the Psych-DS standard (1.x) checked here:
    // 1. dataset_description.json is a JSON object with "@context" schema.org, "@type" "Dataset", and the
    //    required "name", "description" and "variableMeasured" (each a name or a PropertyValue with one);
    // 2. the data files lie under data/, named by keyword-value pairs (keywords of lower-case letters,
    //    values of letters and digits) joined by "_" and ending in "_data.csv";
    // 3. each data file begins with a header row of unique names, and every row has as many fields;
    // 4. every column of every data file is described in variableMeasured;
    // 5. the files are UTF-8 without a byte order mark.
    // And the lab's files lie unchanged under raw_data/, with their SHA-256 sums in a manifest.
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("lab");
    writeStudy(dir.filePath("lab"));
    const Result r =
        tool({"export", dir.filePath("lab"), "--out", dir.filePath("set"), "--name", "Pictures 2026"});
    QCOMPARE(r.status, 0);
    const QString set = dir.filePath("set/");
    QJsonParseError error{};
    const QJsonObject about =
        QJsonDocument::fromJson(readFile(set + "dataset_description.json"), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QVERIFY(about["@context"].toString().startsWith("https://schema.org") && about["@type"] == "Dataset");
    QVERIFY(!about["name"].toString().isEmpty() && !about["description"].toString().isEmpty());
    QSet<QString> described;
    for (const QJsonValue v : about["variableMeasured"].toArray())
        described << (v.isString() ? v.toString() : v["name"].toString());
    const QRegularExpression keywords("^([a-z]+-[a-zA-Z0-9]+)(_[a-z]+-[a-zA-Z0-9]+)*_data\\.csv$");
    QStringList data = QDir(set + "data").entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(data.size(), 4);
    for (const QString& name : data) {
        QVERIFY2(keywords.match(name).hasMatch() && name.startsWith("study-Pictures2026_"), qPrintable(name));
        const QByteArray bytes = readFile(set + "data/" + name);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(bytes);
        QVERIFY(!utf8.hasError() && !bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
        const QStringList header = fields(lines.first());
        QCOMPARE(QSet<QString>(header.begin(), header.end()).size(), header.size());
        for (const QString& column : header) QVERIFY2(described.contains(column), qPrintable(column));
        for (const QString& line : lines) QCOMPARE(fields(line).size(), header.size());
    }
    QStringList manifest;
    for (const QString& name : QDir(dir.filePath("lab")).entryList(QDir::Files)) {
        const QByteArray original = readFile(dir.filePath("lab/" + name));
        QCOMPARE(readFile(set + "raw_data/lab/" + name), original);
        manifest << QCryptographicHash::hash(original, QCryptographicHash::Sha256).toHex() + "  lab/" + name;
    }
    QStringList listed =
        QString::fromUtf8(readFile(set + "raw_data/manifest-sha256.txt")).split(u'\n', Qt::SkipEmptyParts);
    listed.sort();
    manifest.sort();
    QCOMPARE(listed, manifest);
    QVERIFY(QFile::exists(set + "README"));
}

void TestDataTool::interruption() {
    // Ctrl-C during a long table: the program ends at once, with nothing left behind.
    QTemporaryDir dir;
    const QByteArray picture = "12\r\n" + objectLine({6, 100, 120, 45, 255}).repeated(12);
    for (const char* code : {"1001", "1002", "1003", "1004", "1005", "1006", "1007", "1008"})
        write(dir.path(), {{QByteArray(code) + "art.dat", "500\r\n" + picture.repeated(500)}});
    QDir(dir.path()).mkdir("out");
    QProcess p;
    p.start(PICTOR_DATA, {"table", dir.path(), "--measures", "--out", dir.filePath("out/t.csv")});
    // The output's temporary appears when its place is claimed, before the work.
    QElapsedTimer waited;
    waited.start();
    while (QDir(dir.filePath("out")).isEmpty(QDir::Files | QDir::Hidden) && waited.elapsed() < 20000)
        QThread::msleep(1);
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 130);
    QVERIFY(p.readAllStandardError().contains("stopped by Ctrl-C; nothing was written."));
    QVERIFY(QDir(dir.filePath("out"))
                .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
}

PICTOR_TEST(TestDataTool);

}  // namespace data_tool_test

#include "tst_data_tool.moc"
