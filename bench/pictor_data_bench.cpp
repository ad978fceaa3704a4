// Speed of pictor-data on a study: 50 subjects of 500 trials (25,000
// pictures) composed by Pictor's own composer, tabled without and with
// picture measures. Prints rows of the README's table.
// Usage: pictor_data_bench [--quick]   (--quick: 5 subjects of 100 trials)

#include "analysis/data_tool.h"
#include "core/composer.h"
#include "core/picture_store.h"
#include "core/subject_files.h"
#include "core/value_list.h"
#include "platform/random_source.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

class NullCanvas final : public Canvas {
public:
    void clear() override {}
    void setPenWidth(int) override {}
    void setFillColour(QRgb) override {}
    void setFillStyle(FillStyle) override {}
    void segment(CanvasPoint, CanvasPoint, QRgb) override {}
    void continueTo(CanvasPoint, QRgb) override {}
    void box(CanvasPoint, float, float, QRgb, BoxFill) override {}
    void ellipse(CanvasPoint, float, QRgb, float) override {}
};

void writeStudy(const QString& folder, int subjects, int trials) {
    StdRandomSource random;
    random.reseed(2026);
    Composer composer(random);
    NullCanvas canvas;
    for (int s = 1; s <= subjects; ++s) {
        QByteArray art = trialsLine(trials), res;
        for (int t = 1; t <= trials; ++t) {
            const CompositionSettings c{randomWhole(random, 1, 12), randomWhole(random, 1, 12),
                                        randomWhole(random, 1, 12), randomWhole(random, 1, 12)};
            art += pictureHeaderLine(c.objects);
            for (const PictureObject& o : composer.compose(c))
                art += objectLine(composer.placeAndDraw(o, canvas));
            res += ResultsRow{static_cast<double>(s), t, c, {{4, std::nullopt, 2}, 1.25f}, {}}.encode();
        }
        const QString code = QStringLiteral("%1").arg(s, 4, 10, QChar(u'0'));
        for (const auto& [name, data] : {std::pair{kArtFile, art}, std::pair{kResultsFile, res}}) {
            QFile f(dataFilePath(folder, code, name));
            if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
                std::fprintf(stderr, "cannot write the study\n");
        }
    }
}

double tableSeconds(const QStringList& args, int* status) {
    PosixDisk disk;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QString err;
    QTextStream errStream(&err);
    QElapsedTimer timer;
    timer.start();
    *status = runDataTool(args, disk, DataToolIo{out, errStream, false});
    return timer.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const bool quick = argc > 1 && QByteArray(argv[1]) == "--quick";
    const int subjects = quick ? 5 : 50, trials = quick ? 100 : 500;
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    writeStudy(folder, subjects, trials);
    const int pictures = subjects * trials;
    int status = 0;
    const double plain = tableSeconds({"table", folder}, &status);
    if (status != 0) std::fprintf(stderr, "table failed: %d\n", status);
    const double measured = tableSeconds({"table", folder, "--measures"}, &status);
    if (status != 0) std::fprintf(stderr, "table --measures failed: %d\n", status);
    std::printf("| `table` of %d subjects x %d trials (%d rows) | %.2f s | | < 2 s for 25,000 |\n", subjects,
                trials, pictures, plain);
    std::printf(
        "| `table --measures`, same study, %d threads | %.1f s | %.0f pictures/s | >= 300 pictures/s; < 2 "
        "min "
        "for 25,000 |\n",
        QThread::idealThreadCount(), measured, pictures / measured);
    return 0;
}
