// The composer's draws in their fixed order; the figures as canvas calls and as pixels.

#include "core/composer.h"
#include "core/figure.h"
#include "platform/painter_canvas.h"
#include "support/fakes.h"
#include "support/test_main.h"

#include <QTest>
#include <QtMath>

namespace picture_test {

class TestPicture : public QObject {
    Q_OBJECT
private slots:
    void drawing_data();
    void drawing();
    void pixels_data();
    void pixels();
    void compose_data();
    void compose();
};

void TestPicture::drawing_data() {
    // Each object in colour 8257662 at 50,50; the calls without the colour, which the pixels check.
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("size");
    QTest::addColumn<double>("drawn");
    QTest::addColumn<QString>("calls");
    auto row = [](const char* name, int kind, double size, double drawn, const char* calls) {
        QTest::newRow(name) << kind << size << drawn << QString(calls);
    };
    row("kind 1 size 21", 1, 21, 21,
        "pen 2 | segment (50,50) (50,71) | segment (50,71) (60.5,60.5) | segment (60.5,60.5) (50,50)");
    row("kind 2 replayed from 9.1", 2, 9.1, 6.37,
        "pen 3 | segment (50,50) (50,56.37) | segment (50,56.37) (53.185,53.185) | segment (53.185,53.185) "
        "(50,50)");
    row("kind 2 replayed from 31.5: a real tie goes to even", 2, 31.5, 22.05,
        "pen 10 | segment (50,50) (50,72.05) | segment (50,72.05) (61.025,61.025) | segment (61.025,61.025) "
        "(50,50)");
    row("kind 4 size 101", 4, 101, 50.5,
        "pen 56 | segment (50,50) (100.5,50) | continue (24.75,-0.5) | continue (-51,50) | continue (50,50)");
    row("kind 9 size 13 sets its fill", 9, 13, 13,
        "pen 2 | fillcolour | fill transparent | box (50,50) 13x13 outline");
    row("kind 0 draws nothing", 0, 21, 21, "");
    row("kind 13 draws nothing", 13, 21, 21, "");
}

void TestPicture::drawing() {
    QFETCH(int, kind);
    QFETCH(double, size);
    QFETCH(double, drawn);
    QFETCH(QString, calls);
    RecordingCanvas canvas;
    QCOMPARE(drawFigure(canvas, {kind, 50, 50, size, 8257662}), drawn);
    QCOMPARE(canvas.calls.join(" | ").remove(" 8257662"), calls);
    QCOMPARE(composedSize({kind, 0, 0, drawn, 0}), size);
}

void TestPicture::pixels_data() {
    // Every kind of size 101 at 200,180 on the real canvas; probes in units from there, coloured or not.
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<QPointF>>("coloured");
    QTest::addColumn<QList<QPointF>>("background");
    using P = QList<QPointF>;
    QTest::newRow("1 triangle pointing right")
        << 1 << P{{0, 50}, {50, 50}, {25, 25}} << P{{10, 50}, {53, 50}, {-3, 50}};
    QTest::newRow("2 thick, 0.7 of the size") << 2 << P{{0, 35}, {35, 35}, {8, 35}} << P{{0, 100}, {60, 35}};
    QTest::newRow("3 wide triangle pointing up")
        << 3 << P{{80, 0}, {-160, 0}, {-40, -80}, {20, 0}} << P{{-40, -40}, {86, 0}, {-40, -86}};
    QTest::newRow("4 thick, 0.5 of the size")
        << 4 << P{{50, 0}, {-100, 0}, {-25, -50}} << P{{-25, -95}, {90, -40}};
    QTest::newRow("5 circle, radius half the size")
        << 5 << P{{50, 0}, {-50, 0}, {0, 50}, {0, -50}} << P{{0, 0}, {56, 0}, {0, 56}, {40, 40}};
    QTest::newRow("6 filled circle") << 6 << P{{0, 0}, {45, 0}, {0, -45}} << P{{56, 0}, {0, 56}};
    QTest::newRow("7 oval lying, 0.35 high") << 7 << P{{50, 0}, {0, 17.6}} << P{{0, 0}, {0, 50}, {0, 22}};
    QTest::newRow("8 filled oval") << 8 << P{{0, 0}, {45, 0}, {-45, 0}, {0, 14}}
                                   << P{{0, 22}, {0, 45}, {56, 0}};
    QTest::newRow("9 square from its top-left corner")
        << 9 << P{{0, 50}, {101, 50}, {50, 101}} << P{{50, 50}, {-4, 50}, {106, 50}};
    QTest::newRow("10 filled square") << 10 << P{{50, 50}, {5, 96}} << P{{-6, 50}, {50, 107}};
    QTest::newRow("11 rectangle 0.9 wide, 1.6 high")
        << 11 << P{{90.9, 70}, {45, 145.44}, {0, 140}} << P{{45, 70}, {97, 70}, {45, 151}};
    QTest::newRow("12 filled rectangle") << 12 << P{{45, 70}, {45, 140}} << P{{96, 70}, {45, 151}};
}

void TestPicture::pixels() {
    QFETCH(int, kind);
    QFETCH(QList<QPointF>, coloured);
    QFETCH(QList<QPointF>, background);
    ImageCanvas canvas(kPictureSize, QColor(kPictureGrey));
    drawFigure(canvas, {kind, 200, 180, 101, 8289792});  // red 0, green 126, blue 126
    auto at = [&](QPointF d) {
        const QPointF p = canvas.toPixels({static_cast<float>(200 + d.x()), static_cast<float>(180 + d.y())});
        return canvas.image().pixel(qFloor(p.x()), qFloor(p.y()));
    };
    for (const auto& [probes, colour] :
         {std::pair(coloured, qRgb(0, 126, 126)), std::pair(background, kPictureGrey)})
        for (QPointF d : probes)
            QVERIFY2(at(d) == colour, qPrintable(QStringLiteral("at %1,%2").arg(d.x()).arg(d.y())));
    if (kind != 10) return;
    // 101 units are 106.8 pixels, plus a pixel of the pen on either side.
    int across = 0;
    for (int x = 0; x < kPictureSize.width(); ++x)
        across += canvas.image().pixel(x, 250) == qRgb(0, 126, 126);
    QVERIFY2(across >= 108 && across <= 110, qPrintable(QString::number(across)));
}

void TestPicture::compose_data() {
    // Each object as placed, with the size the composer chose; every draw of the script is taken.
    QTest::addColumn<QList<int>>("settings");  // objects, shapes, sizes, colours
    QTest::addColumn<QList<float>>("script");
    QTest::addColumn<QList<PictureObject>>("placed");
    QTest::newRow("one kind removed, a removed kind drawn again")
        << QList<int>{2, 11, 12, 12}
        << QList<float>{pick12(3),                                         // thin kinds: 3 goes
                        pick12(3),  pick12(5),    pick12(1),   pick12(2),  // object 1
                        pick12(12), pick12(12),   pick12(7),               // object 2
                        pick200(0), pick200(199), pick200(10), pick200(0)}
        << QList<PictureObject>{{5, 70, 299, 13, 65280}, {12, 50, 10, 101, 126}};
    QList<float> oneKind{pick12(1), pick12(2), pick12(2)};  // a repeated hit is drawn again
    for (int k = 3; k <= 11; ++k) oneKind << pick12(k);
    oneKind << pick12(1) << pick12(12) << pick12(4) << pick12(6)  // object: kind 1 gone, 12 left
            << pick200(199) << pick200(5);
    QTest::newRow("one shape left") << QList<int>{1, 1, 12, 12} << oneKind
                                    << QList<PictureObject>{{12, 239, 15, 37, 65535}};
    // Per kind two objects, at the lowest and the highest draws, so both ends of its 200 x 200 region
    // show; between them every colour of the pool (red, green, blue and the dark 126s) and every size.
    const QPoint corner[] = {{50, 50},  {50, 50},  {160, 80}, {160, 80}, {70, 100}, {70, 100},
                             {70, 100}, {70, 100}, {40, 50},  {40, 50},  {40, 10},  {40, 10}};
    const std::uint32_t colour[] = {0x0000ff, 0x00ff00, 0xff0000, 0xffff00, 0xff00ff, 0x00ffff,
                                    0x00007e, 0x007e00, 0x7e0000, 0x7e7e00, 0x7e007e, 0x007e7e};
    for (int k = 1; k <= 12; ++k) {
        const float x = corner[k - 1].x(), y = corner[k - 1].y(), size = 8 * k + 5, other = 109 - 8 * k;
        QTest::addRow("kind %d", k) << QList<int>{2, 12, 12, 12}
                                    << QList<float>{pick12(k),      pick12(k),      pick12(k),  pick12(k),
                                                    pick12(13 - k), pick12(13 - k), pick200(0), pick200(0),
                                                    pick200(199),   pick200(199)}
                                    << QList<PictureObject>{{k, x, y, size, colour[k - 1]},
                                                            {k, x + 199, y + 199, other, colour[12 - k]}};
    }
}

void TestPicture::compose() {
    QFETCH(QList<int>, settings);
    QFETCH(QList<float>, script);
    QFETCH(QList<PictureObject>, placed);
    ScriptedRandom random;
    random.script = script;
    Composer composer(random);
    QList<PictureObject> got;
    RecordingCanvas canvas;
    for (const PictureObject& o : composer.compose({settings[0], settings[1], settings[2], settings[3]})) {
        const PictureObject p = composer.placeAndDraw(o, canvas);
        QCOMPARE(float(composedSize(p)), o.size);  // the drawn size gives back the composed one
        got << PictureObject{p.kind, p.x, p.y, o.size, p.colour};
    }
    QCOMPARE(got, placed);
    QCOMPARE(random.draws, int(script.size()));
}

PICTOR_TEST(TestPicture);

}  // namespace picture_test

#include "tst_picture.moc"
