// The random source, the picture surface's scale and the layout unit.

#include "platform/painter_canvas.h"
#include "platform/random_source.h"
#include "platform/units.h"
#include "support/test_main.h"

#include <QTest>

namespace platform_test {

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void random();
    void imageCanvasScale_data();
    void imageCanvasScale();
};

void TestPlatform::random() {
    // A source that hands out the largest float below 1 must not reach a + m.
    struct Fixed final : RandomSource {
        QList<float> script{0.99999994f};
        float next() override { return script.takeFirst(); }
        void reseedFromClock() override {}
    } fixed;
    QCOMPARE(randomWhole(fixed, 1, 12), 12);
    // The real source spans [0, 1) and never hands out 1.
    StdRandomSource real;
    float lowest = 1, highest = 0;
    for (int i = 0; i < 200000; ++i) {
        const float r = real.next();
        QVERIFY2(r >= 0.0f && r < 1.0f, qPrintable(QString::number(static_cast<double>(r))));
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    QVERIFY(lowest < 0.001f && highest > 0.999f);
}

void TestPlatform::imageCanvasScale_data() {
    QTest::addColumn<double>("scale");
    QTest::newRow("screen") << 1.0;
    QTest::newRow("print, three times") << 3.0;
}

void TestPlatform::imageCanvasScale() {
    QFETCH(double, scale);
    const QColor grey(192, 192, 192);
    ImageCanvas canvas(QSize(qRound(471 * scale), qRound(375 * scale)), grey, scale);
    // 100 units are 105.75 pixels; a pen of 9 is 9 pixels wide at scale 1.
    canvas.setPenWidth(9);
    canvas.segment({100, 20}, {100, 300}, qRgb(0, 255, 0));
    auto row = [&](double y) {
        int first = -1, last = -1;
        for (int x = 0; x < canvas.image().width(); ++x)
            if (canvas.image().pixelColor(x, qRound(y * scale)) == QColor(0, 255, 0)) {
                if (first < 0) first = x;
                last = x;
            }
        return std::make_pair(first, last);
    };
    const auto [first, last] = row(150);
    QVERIFY(std::abs((first + last + 1) / 2.0 - 105.75 * scale) <= 0.5);
    QCOMPARE(last - first + 1, qRound(9 * scale));
    QCOMPARE(twipsToPixels(7125), 475);  // the picture box, 2-pixel border included
}

PICTOR_TEST(TestPlatform);

}  // namespace platform_test

#include "tst_platform.moc"
