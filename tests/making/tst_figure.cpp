#include "core/figure.h"
#include "platform/image_canvas.h"
#include "support/fakes.h"

#include <QTest>

class TestFigure : public QObject {
    Q_OBJECT
private slots:
    void drawing_data();
    void drawing();
    void stateCarriesOver();
    void pixels_data();
    void pixels();
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
    QTest::addColumn<int>("kind");
    QTest::addColumn<QPointF>("inside");  // canvas units
    QTest::addColumn<QColor>("expected");
    const QColor grey(192, 192, 192);
    QTest::newRow("filled square") << 10 << QPointF(150, 150) << QColor(0, 0, 255);
    QTest::newRow("outline square is hollow") << 9 << QPointF(150, 150) << grey;
    QTest::newRow("filled circle") << 6 << QPointF(100, 100) << QColor(0, 0, 255);
    QTest::newRow("outline circle is hollow") << 5 << QPointF(100, 100) << grey;
    QTest::newRow("filled rectangle reaches 1.6 high") << 12 << QPointF(140, 230) << QColor(0, 0, 255);
}

void TestFigure::pixels() {
    QFETCH(int, kind);
    QFETCH(QPointF, inside);
    QFETCH(QColor, expected);
    ImageCanvas canvas(QSize(471, 375), QColor(192, 192, 192));
    // Reference point at 100,100 with size 101 (kinds 5/6 centred there).
    DrawFigure(canvas, kind, 100, 100, 101, 16711680);
    const QPointF p = canvas.toPixels({static_cast<float>(inside.x()), static_cast<float>(inside.y())});
    QCOMPARE(canvas.image().pixelColor(p.toPoint()), expected);
}

QTEST_MAIN(TestFigure)
#include "tst_figure.moc"
