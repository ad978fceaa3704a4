// pictor-data: pictures drawn as the main screen draws them, the table
// with its empty fields and exit status, and measures with known answers.

#include "analysis/data_tool.h"
#include "analysis/measures.h"
#include "analysis/picture_render.h"
#include "analysis/subject_data.h"
#include "core/composer.h"
#include "core/picture_store.h"
#include "core/timing_file.h"
#include "platform/painter_canvas.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/test_main.h"

#include <QBuffer>
#include <QDir>
#include <QLocale>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

namespace data_tool_test {

struct Result {
    int status = 0;
    QByteArray out;
    QString err;
};

Result tool(const QStringList& args) {
    PosixDisk disk;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QString err;
    QTextStream errStream(&err);
    Result r;
    r.status = runDataTool(args, disk, DataToolIo{out, errStream, false});
    errStream.flush();
    r.out = out.data();
    r.err = err;
    return r;
}

// An image of the background with black rectangles.
QImage image(QSize size, const QList<QRect>& black) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(kPictureGrey);
    QPainter p(&img);
    for (const QRect& r : black) p.fillRect(r, Qt::black);
    return img;
}

class TestDataTool : public QObject {
    Q_OBJECT
private slots:
    void madeMatchesTheMainScreen();
    void renderIsRepeatable();
    void table();
    void refusals_data();
    void refusals();
    void imageMeasures_data();
    void imageMeasures();
    void boxCounting();
    void storedNumbers();
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

void TestDataTool::table() {
    // Three subjects: finished both sessions, no Judge Art yet, damaged.
    QTemporaryDir dir;
    const QString f = dir.path() + "/";
    writeFile(f + "0001art.dat", "2\r\n1\r\n9,40,50,13,255\r\n0\r\n");
    writeFile(f + "0001res.dat", "1,1,1,2,3,4,5,,7,1.5\r\n1,2,0,6,7,8,,,,0.25\r\n");
    writeFile(f + "0001res2.dat", "1,1,1,2,3,4,5,,7,1.5,1,2,3,2.75\r\n1,2,0,6,7,8,,,,0.25,,,,0\r\n");
    writeFile(f + "0001timing.csv",
              timingHeader() + "1,5,6,16250005,16.25,9,copy,,,,,,\r\n2,6,,,,,unknown,,,,,,\r\n");
    writeFile(f + "0001timing2.csv", timingHeader() + "1,5,6,4500005,4.5,7,flip,,,,,,\r\n");
    writeFile(f + "0001session.json", R"({"mode": "Make Art", "status": "finished", "settings": {"scales": [
        {"left_term": "Nice, warm", "right_term": "Ugly"}, {"left_term": "Odd", "right_term": "Plain"},
        {"left_term": "Busy", "right_term": "Calm"}]}})");
    writeFile(f + "0002art.dat", "3\r\n1\r\n6,100,120,45,65280\r\n");
    writeFile(f + "0002res.dat", "2,1,1,1,1,1,4,4,4,3\r\n");
    writeFile(f + "0003art.dat", "1\r\n1\r\n9,40,50,13,255\r\n");
    writeFile(f + "0003res.dat", "3,1,1,2,3,4,5,,7,1.5,9\r\n");
    QDir().mkdir(f + "more");
    writeFile(f + "more/0004art.dat", "1\r\n2\r\n9,40,50,13,255\r\n9,41,51,13,255\r\n");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));  // decimals stay periods
    const Result r = tool({"table", f, "--measures"});
    QLocale::setDefault(QLocale::c());
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("subject 0003 left out") && r.err.contains(f + "0003res.dat") &&
                 r.err.contains("line 1"),
             qPrintable(r.err));
    const QList<QByteArray> lines = r.out.split('\n');
    QCOMPARE(lines.size(), 5);  // header, three rows, and the last line end
    QCOMPARE(lines[0],
             QByteArray("folder,subject_code,trial,objects,shapes,sizes,colours,rating_1,rating_2,rating_3,"
                        "rating_time_s,judge_rating_1,judge_rating_2,judge_rating_3,judge_rating_time_s,"
                        "scale_1_left,scale_1_right,scale_2_left,scale_2_right,scale_3_left,scale_3_right,"
                        "make_status,judge_status,onset_lag_ms,judge_onset_lag_ms,coverage,mean_lightness,"
                        "rms_contrast,balance_dcm,"
                        "symmetry_lr,symmetry_ud,edge_density,fractal_dimension,object_count,distinct_kinds,"
                        "distinct_sizes,distinct_colours,object_area_px,overlap"));
    QVERIFY2(
        lines[1].startsWith(f.toUtf8() + ",0001,1,1,2,3,4,5,,7,1.5,1,2,3,2.75,\"Nice, warm\",Ugly,Odd,Plain,"
                                         "Busy,Calm,finished,,16.25,4.5,0."),
        lines[1].constData());
    QVERIFY2(lines[2].contains(",0001,2,0,6,7,8,,,,0.25,,,,0,") && lines[2].contains(",Calm,finished,,,,0"),
             lines[2].constData());
    QVERIFY2(lines[2].endsWith(",0,0,0,0,0,"), lines[2].constData());  // empty picture: no overlap
    QVERIFY2(lines[3].startsWith(f.toUtf8() + ",0002,1,1,1,1,1,4,4,4,3,,,,,,,,,,,,,"), lines[3].constData());
    // A picture not yet rated: its object count, then nothing until the measures.
    const Result unrated = tool({"table", f + "more"});
    QCOMPARE(unrated.out.split('\n').value(1),
             (f + "more,0004,1,2").toUtf8() + QByteArray(7 + 4 + 8 + 2, ','));
    QCOMPARE(lines[3].count(','), lines[0].count(','));
    QVERIFY(!r.out.contains("0003"));
}

void TestDataTool::refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("said");
    QTest::newRow("no command") << QStringList{} << "say what to do";
    QTest::newRow("unknown option") << QStringList{"table", "@", "--colour"} << "unknown option \"--colour\"";
    QTest::newRow("missing folder") << QStringList{"table", "@/nowhere"} << "does not exist";
    QTest::newRow("no subjects") << QStringList{"table", "@/empty"} << "no subjects found";
    QTest::newRow("output exists") << QStringList{"table", "@", "--out", "@/0001art.dat"} << "give --force";
    QTest::newRow("output cannot be written")
        << QStringList{"table", "@", "--out", "@/nowhere/t.csv"} << "cannot write";
    QTest::newRow("no such subject") << QStringList{"render", "@", "0009"} << "no subject 0009";
    QTest::newRow("trial out of range")
        << QStringList{"render", "@", "0001", "--trial", "2"} << "from 1 to 1";
    QTest::newRow("scale zero") << QStringList{"render", "@", "0001", "--scale", "0"} << "--scale";
}

void TestDataTool::refusals() {
    QFETCH(QStringList, args);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("empty");
    writeFile(dir.filePath("0001art.dat"), "1\r\n0\r\n");
    for (QString& a : args) a.replace('@', dir.path());
    const Result r = tool(args);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(said), qPrintable(r.err));
    QCOMPARE(readFile(dir.filePath("0001art.dat")), QByteArray("1\r\n0\r\n"));
}

void TestDataTool::imageMeasures_data() {
    QTest::addColumn<QList<QRect>>("squares");
    QTest::addColumn<double>("coverage");
    QTest::addColumn<double>("balance");  // -1: empty
    QTest::addColumn<double>("lr");
    QTest::addColumn<double>("ud");
    QTest::addColumn<double>("edges");
    const double halfDiagonal = std::hypot(100, 80) / 2;
    QTest::newRow("empty") << QList<QRect>{} << 0.0 << -1.0 << -1.0 << -1.0 << 0.0;
    // A 20 x 20 square in the middle: balanced and symmetric both ways; its
    // edge is a ring of 84 pixels outside and 76 inside.
    QTest::newRow("one square in the middle")
        << QList<QRect>{{40, 30, 20, 20}} << 0.05 << 0.0 << 1.0 << 1.0 << 160 / 8000.0;
    // Mirror images of each other left and right, both in the upper half.
    QTest::newRow("two mirrored squares") << QList<QRect>{{10, 10, 20, 20}, {70, 10, 20, 20}} << 0.1
                                          << 20 / halfDiagonal << 1.0 << 0.0 << 320 / 8000.0;
    // A 10 x 10 square in the top-left corner: its centre (5, 5) is 57.0 from (50, 40).
    QTest::newRow("square in a corner") << QList<QRect>{{0, 0, 10, 10}} << 100 / 8000.0
                                        << std::hypot(45, 35) / halfDiagonal << 0.0 << 0.0 << 40 / 8000.0;
}

void TestDataTool::imageMeasures() {
    QFETCH(QList<QRect>, squares);
    QFETCH(double, coverage);
    QFETCH(double, balance);
    QFETCH(double, lr);
    QFETCH(double, ud);
    QFETCH(double, edges);
    const ImageMeasures m = measureImage(image(QSize(100, 80), squares), QColor(kPictureGrey));
    QCOMPARE(m.coverage, coverage);
    // L* of the grey background is 77.70; black is 0.
    const double grey = lightness(kPictureGrey);
    QVERIFY(std::abs(grey - 77.7) < 0.01);
    QCOMPARE(m.meanLightness, (1 - coverage) * grey);
    QVERIFY(std::abs(m.rmsContrast - grey * std::sqrt(coverage * (1 - coverage))) < 1e-4);
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

void TestDataTool::storedNumbers() {
    // Kinds 2 and 9 composed from the same size 13 count as one size; two
    // filled squares overlap by a fifth of each.
    Picture p;
    p.objects = {{10, 100, 100, 50, 255},
                 {10, 140, 100, 50, 255},
                 {2, 300, 50, 9.1, 65280},
                 {9, 300, 250, 13, 65280},
                 {13, 0, 0, 1, 1}};
    const PictureMeasures m = measurePicture(p);
    QCOMPARE(m.objectCount, 5);
    QCOMPARE(m.distinctKinds, 3);
    QCOMPARE(m.distinctSizes, 2);
    QCOMPARE(m.distinctColours, 2);
    Picture one;
    one.objects = {p.objects[0]};
    const qint64 square = measurePicture(one).objectArea;
    QVERIFY(square > 50 * 50);
    QVERIFY(m.overlap.has_value() && *m.overlap > 0.05 && *m.overlap < 0.15);
    QVERIFY(m.objectArea > 2 * square);
    QVERIFY(!measurePicture(Picture{}).overlap.has_value());
}

PICTOR_TEST(TestDataTool);

}  // namespace data_tool_test

#include "tst_data_tool.moc"
