// Speed of pictor-data on a study: 50 subjects of 500 trials (25,000
// pictures) composed by Pictor's own composer, tabled without and with
// picture measures (each picture as made and as replayed), in wall time and
// in CPU time; then the same measures in numpy (bench/measures_numpy.py) on
// some of the same pictures, side by side. Prints rows of the README's table.
// Usage: pictor_data_bench [--quick] [--numpy SCRIPT]
//   --quick: 5 subjects of 100 trials; SCRIPT runs with $PICTOR_PYTHON or /usr/bin/python3

#include "analysis/data_tool.h"
#include "analysis/measures.h"
#include "analysis/picture_render.h"
#include "core/composer.h"
#include "core/picture_store.h"
#include "core/subject_files.h"
#include "core/value_list.h"
#include "platform/random_source.h"

#include <sys/resource.h>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
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

QList<Picture> writeStudy(const QString& folder, int subjects, int trials) {
    QList<Picture> all;
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
        PictureStore store;
        readPictureStore(art, folder, Extent::Whole, &store);
        all << store.pictures;
        const QString code = QStringLiteral("%1").arg(s, 4, 10, QChar(u'0'));
        for (const auto& [name, data] : {std::pair{kArtFile, art}, std::pair{kResultsFile, res}}) {
            QFile f(dataFilePath(folder, code, name));
            if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
                std::fprintf(stderr, "cannot write the study\n");
        }
    }
    return all;
}

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Pictures as made and as replayed for numpy, each a palette and an index
// per pixel, and pictor-data's measures of them.
void writeSample(const QList<Picture>& pictures, const QString& images, const QString& measures) {
    QFile out(images), table(measures);
    if (!out.open(QIODevice::WriteOnly) || !table.open(QIODevice::WriteOnly)) return;
    table.write(
        "coverage,mean_lightness,rms_contrast,balance_dcm,symmetry_lr,symmetry_ud,edge_density,"
        "fractal_dimension\n");
    auto real = [](const std::optional<double>& v) {
        return v ? QByteArray::number(*v, 'g', 17) : QByteArray();
    };
    for (const Picture& p : pictures) {
        const PictureMeasures m = measurePicture(p);
        for (const Drawn d : {Drawn::Made, Drawn::Replayed}) {
            const QImage image = renderPicture(p, d);
            QList<QRgb> palette;
            QByteArray index;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb c = image.pixel(x, y) & 0xFFFFFF;
                    if (!palette.contains(c)) palette << c;
                    index += static_cast<char>(palette.indexOf(c));
                }
            out.write(QByteArray(1, static_cast<char>(palette.size())));
            for (const QRgb c : palette) out.write(reinterpret_cast<const char*>(&c), 4);
            out.write(index);
            const ImageMeasures& i = m.drawing(d).image;
            table.write(real(i.coverage) + ',' + real(i.meanLightness) + ',' + real(i.rmsContrast) + ',' +
                        real(i.balance) + ',' + real(i.symmetryLR) + ',' + real(i.symmetryUD) + ',' +
                        real(i.edgeDensity) + ',' + real(i.fractalDimension) + '\n');
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
    const QStringList args = QCoreApplication::arguments();
    const bool quick = args.contains(QStringLiteral("--quick"));
    const QString numpy = args.value(args.indexOf(QStringLiteral("--numpy")) + 1);
    const int subjects = quick ? 5 : 50, trials = quick ? 100 : 500;
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    const QList<Picture> pictures = writeStudy(folder, subjects, trials);
    int status = 0;
    const double plain = tableSeconds({"table", folder}, &status);
    if (status != 0) std::fprintf(stderr, "table failed: %d\n", status);
    const double cpu = cpuSeconds();
    const double measured = tableSeconds({"table", folder, "--measures"}, &status);
    const double perCpuSecond = pictures.size() / (cpuSeconds() - cpu);
    if (status != 0) std::fprintf(stderr, "table --measures failed: %d\n", status);
    std::printf(
        "| `pictor-data table`, %d subjects x %d trials (%lld rows) | %.2f s | | < 2 s for 25,000 |\n",
        subjects, trials, static_cast<long long>(pictures.size()), plain);
    std::printf(
        "| `pictor-data table --measures`, the same pictures each as made and as replayed, %d threads | "
        "%.1f s (%.0f pictures/s) | %.0f pictures per CPU-second | >= 300 pictures/s; < 2 min for "
        "25,000 |\n",
        QThread::idealThreadCount(), measured, pictures.size() / measured, perCpuSecond);
    std::fflush(stdout);
    if (numpy.isEmpty() || numpy.startsWith(QLatin1String("--"))) return 0;
    const QString images = qEnvironmentVariable("PICTOR_SAMPLE", dir.path()) + QStringLiteral("/sample.bin"),
                  ours = qEnvironmentVariable("PICTOR_SAMPLE", dir.path()) + QStringLiteral("/sample.csv");
    writeSample(pictures.mid(0, quick ? 50 : 200), images, ours);
    // numpy's large temporaries come from malloc; kept by the process, they
    // cost no page faults, which on this machine would triple numpy's time.
    qputenv("MALLOC_MMAP_THRESHOLD_", "4000000000");
    qputenv("MALLOC_TRIM_THRESHOLD_", "4000000000");
    const QString python = qEnvironmentVariable("PICTOR_PYTHON", QStringLiteral("/usr/bin/python3"));
    return QProcess::execute(python, {numpy, images, ours, QString::number(perCpuSecond)});
}
