#include "core/figure.h"
#include "platform/painter_canvas.h"
#include "support/fakes.h"

#include <QTest>
#include <QtMath>

class TestFigure : public QObject {
    Q_OBJECT
private slots:
    void drawing_data();
    void drawing();
    void stateCarriesOver();
    void pixels_data();
    void pixels();
    void replayedSquareSize();
};

void TestFigure::drawing_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("size");
    QTest::addColumn<double>("drawn");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("kind 1 at 50,50 size 21")
        << 1 << 21.0 << 21.0
        << QStringList{"pen 2", "segment (50,50) (50,71) 255", "segment (50,71) (60.5,60.5) 255",
                       "segment (60.5,60.5) (50,50) 255"};
    QTest::newRow("kind 2 size 13") << 2 << 13.0 << 9.1
                                    << QStringList{"pen 4", "segment (50,50) (50,59.1) 255",
                                                   "segment (50,59.1) (54.55,54.55) 255",
                                                   "segment (54.55,54.55) (50,50) 255"};
    QTest::newRow("kind 2 size 101") << 2 << 101.0 << 70.7
                                     << QStringList{"pen 34", "segment (50,50) (50,120.7) 255",
                                                    "segment (50,120.7) (85.35,85.35) 255",
                                                    "segment (85.35,85.35) (50,50) 255"};
    QTest::newRow("kind 2 replayed from 9.1")
        << 2 << 9.1 << 6.37
        << QStringList{"pen 3", "segment (50,50) (50,56.37) 255", "segment (50,56.37) (53.185,53.185) 255",
                       "segment (53.185,53.185) (50,50) 255"};
    QTest::newRow("kind 2 replayed from 31.5: a real tie goes to even")
        << 2 << 31.5 << 22.05
        << QStringList{"pen 10", "segment (50,50) (50,72.05) 255", "segment (50,72.05) (61.025,61.025) 255",
                       "segment (61.025,61.025) (50,50) 255"};
    QTest::newRow("kind 4 size 13") << 4 << 13.0 << 6.5
                                    << QStringList{"pen 7", "segment (50,50) (56.5,50) 255",
                                                   "continue (46.75,43.5) 255", "continue (37,50) 255",
                                                   "continue (50,50) 255"};
    QTest::newRow("kind 4 size 101") << 4 << 101.0 << 50.5
                                     << QStringList{"pen 56", "segment (50,50) (100.5,50) 255",
                                                    "continue (24.75,-0.5) 255", "continue (-51,50) 255",
                                                    "continue (50,50) 255"};
    QTest::newRow("kind 7 size 101") << 7 << 101.0 << 101.0
                                     << QStringList{"pen 2", "fillcolour 255", "fill transparent",
                                                    "ellipse (50,50) r50.5 255 a0.35"};
    QTest::newRow("kind 10 size 21") << 10 << 21.0 << 21.0
                                     << QStringList{"pen 2", "fillcolour 255", "fill solid",
                                                    "box (50,50) 21x21 255 filled"};
    QTest::newRow("kind 11 size 101")
        << 11 << 101.0 << 90.9
        << QStringList{"pen 2", "fillcolour 255", "fill transparent", "box (50,50) 90.9x145.44 255 outline"};
    QTest::newRow("kind 0 draws nothing") << 0 << 21.0 << 21.0 << QStringList{};
    QTest::newRow("kind 13 draws nothing") << 13 << 21.0 << 21.0 << QStringList{};
}

void TestFigure::drawing() {
    QFETCH(int, kind);
    QFETCH(double, size);
    QFETCH(double, drawn);
    QFETCH(QStringList, calls);
    RecordingCanvas canvas;
    QCOMPARE(DrawFigure(canvas, kind, 50, 50, size, 255), drawn);
    QCOMPARE(canvas.calls, calls);
}

void TestFigure::stateCarriesOver() {
    // Kind 1 leaves the fill that kind 6 set; kind 9 sets it again.
    RecordingCanvas canvas;
    DrawFigure(canvas, 6, 100, 100, 21, 65280);
    DrawFigure(canvas, 1, 50, 50, 21, 255);
    DrawFigure(canvas, 9, 60, 60, 13, 255);
    QCOMPARE(canvas.calls.mid(4, 1), QStringList{"pen 2"});
    QVERIFY(!canvas.calls.mid(4, 4).join(' ').contains("fill"));
    QCOMPARE(canvas.calls.mid(8),
             (QStringList{"pen 2", "fillcolour 255", "fill transparent", "box (60,60) 13x13 255 outline"}));
}

void TestFigure::pixels_data() {
    // Every kind drawn with size 101 at 200,180 on the real canvas; probes in
    // canvas units relative to that point, each expected in the colour or
    // in the background.
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
    QTest::newRow("8 filled oval") << 8 << P{{45, 0}, {-45, 0}, {0, 14}} << P{{0, 22}, {0, 45}, {56, 0}};
    QTest::newRow("9 square from its top-left corner")
        << 9 << P{{0, 50}, {101, 50}, {50, 101}} << P{{50, 50}, {-4, 50}, {106, 50}};
    QTest::newRow("10 filled square") << 10 << P{{50, 50}, {5, 96}} << P{{-6, 50}, {50, 107}};
    QTest::newRow("11 rectangle 0.9 wide, 1.6 high")
        << 11 << P{{90.9, 70}, {45, 145.44}, {0, 140}} << P{{45, 70}, {97, 70}, {45, 151}};
    QTest::newRow("12 filled rectangle") << 12 << P{{45, 70}, {45, 140}} << P{{96, 70}, {45, 151}};
}

void TestFigure::pixels() {
    QFETCH(int, kind);
    QFETCH(QList<QPointF>, coloured);
    QFETCH(QList<QPointF>, background);
    ImageCanvas canvas(QSize(471, 375), QColor(192, 192, 192));
    DrawFigure(canvas, kind, 200, 180, 101, 16711680);
    auto at = [&](QPointF d) {
        const QPointF p = canvas.toPixels({static_cast<float>(200 + d.x()), static_cast<float>(180 + d.y())});
        return canvas.image().pixelColor(qFloor(p.x()), qFloor(p.y()));
    };
    for (QPointF d : coloured)
        QVERIFY2(at(d) == QColor(0, 0, 255), qPrintable(QStringLiteral("at %1,%2").arg(d.x()).arg(d.y())));
    for (QPointF d : background)
        QVERIFY2(at(d) == QColor(192, 192, 192),
                 qPrintable(QStringLiteral("at %1,%2").arg(d.x()).arg(d.y())));
}

void TestFigure::replayedSquareSize() {
    // A kind-10 square of size 101 is 101 * 1.0575 = 106.8 pixels across,
    // plus one pixel of its pen on either side.
    ImageCanvas canvas(QSize(471, 375), QColor(192, 192, 192));
    DrawFigure(canvas, 10, 100, 100, 101, 255);
    int across = 0, down = 0;
    for (int i = 0; i < 471; ++i) across += canvas.image().pixelColor(i, 160) == QColor(255, 0, 0);
    for (int i = 0; i < 375; ++i) down += canvas.image().pixelColor(160, i) == QColor(255, 0, 0);
    QVERIFY2(across >= 108 && across <= 110, qPrintable(QString::number(across)));
    QCOMPARE(down, across);
}

QTEST_MAIN(TestFigure)
#include "tst_figure.moc"
