#include "platform/numbers.h"
#include "platform/painter_canvas.h"
#include "platform/random_source.h"
#include "support/fakes.h"

#include <QTest>

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void leadingNumber_data();
    void leadingNumber();
    void randomWholeStaysInRange();
    void realRandomIsBelowOne();
    void imageCanvasScale_data();
    void imageCanvasScale();
};

void TestPlatform::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("zeros in front") << "0001" << 1.0;
    QTest::newRow("letter inside") << "12a4" << 12.0;
    QTest::newRow("no digits") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("four digits") << "9999" << 9999.0;
}

void TestPlatform::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(::leadingNumber(text), expected);
}

void TestPlatform::randomWholeStaysInRange() {
    // A source that hands out the largest float below 1 must not reach a + m.
    ScriptedRandom random({0.99999994f, 0.0f, 0.5f});
    QCOMPARE(randomWhole(random, 1, 12), 12);
    QCOMPARE(randomWhole(random, 1, 12), 1);
    QCOMPARE(randomWhole(random, 50, 200), 150);
}

void TestPlatform::realRandomIsBelowOne() {
    StdRandomSource random;
    float lowest = 1, highest = 0;
    for (int i = 0; i < 200000; ++i) {
        const float r = random.next();
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
    // The largest composed extents land inside the picture, a few pixels
    // from its right and bottom edges.
    const QPointF far = canvas.toPixels({439.8f, 354.44f});
    QVERIFY2(far.x() < 471 * scale && far.x() > 465 * scale, qPrintable(QString::number(far.x())));
    QVERIFY2(far.y() < 375 * scale && far.y() > 374 * scale, qPrintable(QString::number(far.y())));
    // 100 units are 105.75 pixels; a pen of 9 is 9 pixels wide at scale 1.
    canvas.setPenWidth(9);
    canvas.segment({100, 20}, {100, 300}, 65280);
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
    canvas.clear();
    QCOMPARE(row(150).first, -1);
    QVERIFY(canvas.touched().isEmpty());
}

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
