#include "core/composer.h"
#include "support/fakes.h"

#include <QTest>

using Triples = QList<QList<double>>;  // kind, size, colour per object

class TestComposer : public QObject {
    Q_OBJECT
private slots:
    void compose_data();
    void compose();
    void regions_data();
    void regions();
    void colourTable();
    void thinningKeepsExactlyC();
};

void TestComposer::compose_data() {
    QTest::addColumn<QList<int>>("settings");  // objects, shapes, sizes, colours
    QTest::addColumn<QList<float>>("script");
    QTest::addColumn<Triples>("objects");
    QTest::addColumn<Triples>("placed");  // x, y, drawn size
    QTest::addColumn<int>("draws");

    QTest::newRow("one kind removed, a removed kind drawn again")
        << QList<int>{2, 11, 12, 12}
        << QList<float>{pick12(3),                                         // thin kinds: 3 goes
                        pick12(3),  pick12(5),    pick12(1),   pick12(2),  // object 1
                        pick12(12), pick12(12),   pick12(7),               // object 2
                        pick200(0), pick200(199), pick200(10), pick200(0)}
        << Triples{{5, 13, 65280}, {12, 101, 126}} << Triples{{70, 299, 13}, {50, 10, 90.9}} << 12;

    QList<float> oneKind{pick12(1), pick12(2), pick12(2)};  // a repeated hit is drawn again
    for (int k = 3; k <= 11; ++k) oneKind << pick12(k);
    oneKind << pick12(1) << pick12(12) << pick12(4) << pick12(6)  // object: kind 1 gone, 12 left
            << pick200(199) << pick200(5);
    QTest::newRow("one shape left") << QList<int>{1, 1, 12, 12} << oneKind << Triples{{12, 37, 65535}}
                                    << Triples{{239, 15, 33.3}} << 18;

    QTest::newRow("twelve of each takes no thinning draws")
        << QList<int>{1, 12, 12, 12} << QList<float>{pick12(2), pick12(1), pick12(12), pick200(0), pick200(0)}
        << Triples{{2, 13, 32382}} << Triples{{50, 50, 9.1}} << 5;
}

void TestComposer::compose() {
    QFETCH(QList<int>, settings);
    QFETCH(QList<float>, script);
    QFETCH(Triples, objects);
    QFETCH(Triples, placed);
    QFETCH(int, draws);

    ScriptedRandom random(script);
    Composer composer(random);
    const QList<ComposedObject> composed =
        composer.compose({settings[0], settings[1], settings[2], settings[3]});
    QCOMPARE(composed.size(), objects.size());
    for (qsizetype i = 0; i < composed.size(); ++i) {
        QCOMPARE(composed[i].kind, static_cast<int>(objects[i][0]));
        QCOMPARE(composed[i].size, objects[i][1]);
        QCOMPARE(composed[i].colour, static_cast<std::uint32_t>(objects[i][2]));
    }
    RecordingCanvas canvas;
    for (qsizetype i = 0; i < composed.size(); ++i) {
        const PlacedObject p = composer.placeAndDraw(composed[i], canvas);
        QCOMPARE(p.kind, composed[i].kind);
        QCOMPARE(p.x, static_cast<float>(placed[i][0]));
        QCOMPARE(p.y, static_cast<float>(placed[i][1]));
        QCOMPARE(p.size, placed[i][2]);
        QCOMPARE(p.colour, composed[i].colour);
    }
    QCOMPARE(random.draws(), draws);
    QVERIFY(!random.exhausted());
    QCOMPARE(random.left(), 0);
}

void TestComposer::regions_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QPoint>("offset");  // the region is 200 x 200 from here
    const QPoint offsets[] = {{50, 50},  {50, 50},  {160, 80}, {160, 80}, {70, 100}, {70, 100},
                              {70, 100}, {70, 100}, {40, 50},  {40, 50},  {40, 10},  {40, 10}};
    for (int kind = 1; kind <= 12; ++kind)
        QTest::newRow(qPrintable(QStringLiteral("kind %1").arg(kind))) << kind << offsets[kind - 1];
}

void TestComposer::regions() {
    // Two objects of the kind: the first at the lowest draws, the second at
    // the highest, so both ends of the region show.
    QFETCH(int, kind);
    QFETCH(QPoint, offset);
    ScriptedRandom random({pick12(kind), pick12(5), pick12(1), pick12(kind), pick12(6), pick12(2), pick200(0),
                           pick200(0), pick200(199), pick200(199)});
    Composer composer(random);
    RecordingCanvas canvas;
    const QList<ComposedObject> objects = composer.compose({2, 12, 12, 12});
    const PlacedObject low = composer.placeAndDraw(objects[0], canvas);
    const PlacedObject high = composer.placeAndDraw(objects[1], canvas);
    QCOMPARE(QPointF(low.x, low.y), QPointF(offset));
    QCOMPARE(QPointF(high.x, high.y), QPointF(offset + QPoint(199, 199)));
    QCOMPARE(random.left(), 0);
}

void TestComposer::colourTable() {
    // Entries 1 to 12 as red, green, blue; the dark ones use 126.
    const int rgb[12][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},   {0, 255, 255},
                            {255, 0, 255}, {255, 255, 0}, {126, 0, 0},   {0, 126, 0},
                            {0, 0, 126},   {0, 126, 126}, {126, 0, 126}, {126, 126, 0}};
    for (int k = 1; k <= 12; ++k) {
        ScriptedRandom random({pick12(1), pick12(1), pick12(k)});
        const QList<ComposedObject> objects = Composer(random).compose({1, 12, 12, 12});
        const int* c = rgb[k - 1];
        QCOMPARE(objects[0].colour, static_cast<std::uint32_t>(c[0] + 256 * c[1] + 65536 * c[2]));
    }
}

void TestComposer::thinningKeepsExactlyC() {
    // With a real generator no picture shows more distinct kinds or sizes
    // than its setting allows.
    StdRandomSource random;
    random.reseed(7);
    Composer composer(random);
    for (int c = 1; c <= 12; ++c) {
        for (int picture = 0; picture < 20; ++picture) {
            QSet<int> kinds, sizes;
            const auto objects = composer.compose({12, c, c, 12});
            for (const auto& o : objects) {
                QVERIFY(o.kind >= 1 && o.kind <= 12);
                QVERIFY(static_cast<int>(o.size) % 8 == 5);
                kinds.insert(o.kind);
                sizes.insert(static_cast<int>(o.size));
            }
            QVERIFY(kinds.size() <= c);
            QVERIFY(sizes.size() <= c);
        }
    }
}

QTEST_GUILESS_MAIN(TestComposer)
#include "tst_composer.moc"
