#include "analysis/measures.h"

#include "core/figure.h"
#include "platform/output_files.h"
#include "platform/painter_canvas.h"

#include <QElapsedTimer>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <span>
#include <thread>
#include <vector>

double lightness(QRgb colour) {
    // sRGB (IEC 61966-2-1) to linear light, relative luminance Y, then L*
    // (CIE 15:2004) with Y of white = 1.
    auto linear = [](int c) {
        const double v = c / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const double y = 0.2126729 * linear(qRed(colour)) + 0.7151522 * linear(qGreen(colour)) +
                     0.0721750 * linear(qBlue(colour));
    constexpr double epsilon = 216.0 / 24389.0;
    constexpr double kappa = 24389.0 / 27.0;
    return y > epsilon ? 116.0 * std::cbrt(y) - 16.0 : kappa * y;
}

namespace {

// Pixels a to b - 1 of a row.
struct Span {
    int a = 0;
    int b = 0;
};
using Spans = std::vector<Span>;
using SpanView = std::span<const Span>;

// A run of one colour from `start` to the next run's start (or the row's end).
struct Run {
    int start = 0;
    int slot = 0;  // the colour's index; 0 is the background
};

// Rows of spans one after another, kept from picture to picture.
class SpanRows {
public:
    void clear() {
        m_start.assign(1, 0);
        m_spans.clear();
    }
    // Adds to the row being built; a span that touches the last one joins it.
    void join(int a, int b) {
        if (m_spans.size() > static_cast<size_t>(m_start.back()) && m_spans.back().b == a)
            m_spans.back().b = b;
        else
            m_spans.push_back({a, b});
    }
    void add(Span s) { m_spans.push_back(s); }
    void endRow() { m_start.push_back(static_cast<int>(m_spans.size())); }
    SpanView row(int y) const {
        const size_t from = static_cast<size_t>(m_start[static_cast<size_t>(y)]);
        return {m_spans.data() + from, static_cast<size_t>(m_start[static_cast<size_t>(y) + 1]) - from};
    }

private:
    std::vector<int> m_start;
    Spans m_spans;
};

// Pixels covered by spans that may overlap.
qint64 unionLength(Spans& spans) {
    std::sort(spans.begin(), spans.end(), [](Span l, Span r) { return l.a < r.a; });
    qint64 length = 0;
    int end = -1;
    for (const Span& s : spans) {
        const int from = std::max(s.a, end);
        if (s.b > from) length += s.b - from;
        end = std::max(end, s.b);
    }
    return length;
}

// Both sorted and without overlaps.
qint64 intersectionLength(SpanView l, SpanView r) {
    qint64 length = 0;
    for (size_t i = 0, j = 0; i < l.size() && j < r.size();) {
        length += std::max(0, std::min(l[i].b, r[j].b) - std::max(l[i].a, r[j].a));
        if (l[i].b < r[j].b)
            ++i;
        else
            ++j;
    }
    return length;
}

// What of l is not in r; both sorted and without overlaps.
void subtract(SpanView l, SpanView r, SpanRows& out) {
    size_t j = 0;
    for (const Span s : l) {
        int a = s.a;
        while (j < r.size() && r[j].b <= a) ++j;
        for (size_t k = j; k < r.size() && r[k].a < s.b; ++k) {
            if (r[k].a > a) out.add({a, r[k].a});
            a = std::max(a, r[k].b);
        }
        if (a < s.b) out.add({a, s.b});
    }
}

// Sets bits a to b - 1.
void setBits(std::uint64_t* words, int a, int b) {
    for (int x = a; x < b;) {
        const int bit = x % 64, n = std::min(64 - bit, b - x);
        words[x / 64] |= (n == 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << n) - 1) << bit);
        x += n;
    }
}

// An image as runs of one colour per row.
class RunImage {
public:
    void reset(int w, int h, QRgb background) {
        m_w = w;
        m_h = h;
        m_rowStart.assign(1, 0);
        m_runs.clear();
        m_colours.assign(1, background & 0xFFFFFF);
    }
    // The slot of a colour, new ones added.
    int slot(QRgb colour) {
        colour &= 0xFFFFFF;
        for (size_t i = 0; i < m_colours.size(); ++i)
            if (m_colours[i] == colour) return static_cast<int>(i);
        m_colours.push_back(colour);
        return static_cast<int>(m_colours.size() - 1);
    }
    // Adds a run to the row being built, which ends with endRow().
    void add(int start, int slot) {
        if (m_runs.size() > static_cast<size_t>(m_rowStart.back()) && m_runs.back().slot == slot) return;
        if (m_runs.size() > static_cast<size_t>(m_rowStart.back()) && m_runs.back().start == start)
            m_runs.back().slot = slot;
        else
            m_runs.push_back({start, slot});
    }
    void endRow() { m_rowStart.push_back(static_cast<int>(m_runs.size())); }

    ImageMeasures measure();

private:
    const Run* row(int y) const { return m_runs.data() + m_rowStart[static_cast<size_t>(y)]; }
    int rowRuns(int y) const {
        return m_rowStart[static_cast<size_t>(y) + 1] - m_rowStart[static_cast<size_t>(y)];
    }
    int end(int y, int k) const { return k + 1 < rowRuns(y) ? row(y)[k + 1].start : m_w; }
    // Where rows y and z differ in colour, as spans that do not touch.
    void differences(int y, int z, Spans& out) const;
    std::optional<double> boxCounting();

    int m_w = 0;
    int m_h = 0;
    std::vector<int> m_rowStart;
    std::vector<Run> m_runs;
    std::vector<QRgb> m_colours;
    // Kept between pictures, so measuring allocates nothing.
    SpanRows m_mask;
    SpanRows m_boundary;
    Spans m_near, m_above, m_below, m_mirrored;
    std::vector<std::uint64_t> m_grid;
};

void RunImage::differences(int y, int z, Spans& out) const {
    out.clear();
    const Run *p = row(y), *q = row(z);
    for (int x = 0, i = 0, j = 0; x < m_w;) {
        const int ei = end(y, i), ej = end(z, j), e = std::min(ei, ej);
        if (p[i].slot != q[j].slot) {
            if (!out.empty() && out.back().b == x)
                out.back().b = e;
            else
                out.push_back({x, e});
        }
        x = e;
        if (ei == e) ++i;
        if (ej == e) ++j;
    }
}

std::optional<double> RunImage::boxCounting() {
    // Boxes of 2 to 128 pixels on a grid from the top-left corner; the slope
    // of log N(s) against log (1/s) by least squares.
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    int n = 0;
    for (int s = 2; s <= 128; s *= 2) {
        const int columns = (m_w + s - 1) / s, words = (columns + 63) / 64;
        m_grid.assign(static_cast<size_t>(words) * ((m_h + s - 1) / s), 0);
        for (int y = 0; y < m_h; ++y)
            for (const Span& b : m_boundary.row(y))
                setBits(m_grid.data() + static_cast<size_t>(y / s) * words, b.a / s, (b.b - 1) / s + 1);
        qint64 boxes = 0;
        for (const std::uint64_t w : m_grid) boxes += std::popcount(w);
        if (boxes == 0) return std::nullopt;
        const double lx = std::log(1.0 / s), ly = std::log(static_cast<double>(boxes));
        sx += lx;
        sy += ly;
        sxx += lx * lx;
        sxy += lx * ly;
        ++n;
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

ImageMeasures RunImage::measure() {
    ImageMeasures m;
    const int w = m_w, h = m_h;
    m.pixels = static_cast<qint64>(w) * h;
    if (m.pixels == 0) return m;
    std::vector<qint64> count(m_colours.size(), 0);
    m_mask.clear();
    m_above.clear();
    double sumX = 0, sumY = 0;
    qint64 edges = 0;
    for (int y = 0; y < h; ++y) {
        const Run* r = row(y);
        m_near.clear();
        for (int k = 0; k < rowRuns(y); ++k) {
            const int a = r[k].start, b = end(y, k);
            count[static_cast<size_t>(r[k].slot)] += b - a;
            if (k > 0) m_near.push_back({a - 1, a + 1});  // both sides of a change of colour
            if (r[k].slot == 0) continue;
            m_mask.join(a, b);
            const double length = b - a;
            sumX += length * (a + b) / 2.0;  // the pixel centres x + 0.5
            sumY += length * (y + 0.5);
        }
        m_mask.endRow();
        // A pixel whose neighbour above or below differs, or whose diagonal
        // neighbour differs, lies within one pixel of a change between rows.
        m_below.clear();
        if (y + 1 < h) differences(y, y + 1, m_below);
        for (const Spans* changes : {&m_above, &m_below})
            for (const Span& c : *changes) m_near.push_back({std::max(0, c.a - 1), std::min(w, c.b + 1)});
        edges += unionLength(m_near);
        std::swap(m_above, m_below);
    }
    double sumL = 0, sumL2 = 0;
    for (size_t i = 0; i < m_colours.size(); ++i) {
        const double l = lightness(m_colours[i]);
        sumL += static_cast<double>(count[i]) * l;
        sumL2 += static_cast<double>(count[i]) * l * l;
        if (i > 0) m.maskPixels += count[i];
    }
    m.coverage = static_cast<double>(m.maskPixels) / m.pixels;
    m.meanLightness = sumL / m.pixels;
    m.rmsContrast = std::sqrt(std::max(0.0, sumL2 / m.pixels - m.meanLightness * m.meanLightness));
    m.edgeDensity = static_cast<double>(edges) / m.pixels;
    if (m.maskPixels == 0) return m;

    const double dx = sumX / m.maskPixels - w / 2.0, dy = sumY / m.maskPixels - h / 2.0;
    m.balance = std::hypot(dx, dy) / (std::hypot(w, h) / 2.0);
    qint64 lr = 0, ud = 0;
    m_boundary.clear();
    for (int y = 0; y < h; ++y) {
        const SpanView here = m_mask.row(y);
        m_mirrored.clear();
        for (auto s = here.rbegin(); s != here.rend(); ++s) m_mirrored.push_back({w - s->b, w - s->a});
        lr += intersectionLength(here, m_mirrored);
        ud += intersectionLength(here, m_mask.row(h - 1 - y));
        // The boundary: mask pixels with a neighbour (left, right, up, down)
        // outside the mask or the image.
        for (const Span& s : here) m_boundary.add({s.a, s.a + 1}), m_boundary.add({s.b - 1, s.b});
        subtract(here, y > 0 ? m_mask.row(y - 1) : SpanView(), m_boundary);
        subtract(here, y + 1 < h ? m_mask.row(y + 1) : SpanView(), m_boundary);
        m_boundary.endRow();
    }
    // A mirror image has as many pixels as the mask: the union is 2|M| - |M and mirror|.
    m.symmetryLR = static_cast<double>(lr) / (2.0 * m.maskPixels - lr);
    m.symmetryUD = static_cast<double>(ud) / (2.0 * m.maskPixels - ud);
    m.fractalDimension = boxCounting();
    return m;
}

// A row's span of one object drawn alone.
struct RowSpan {
    int y = 0;
    int a = 0;
    int b = 0;
};

// Measures pictures; one per thread, as it keeps its canvases and buffers.
class PictureMeter {
public:
    PictureMeter()
        : m_dark(kPictureSize, QColor(Qt::black)),
          m_light(kPictureSize, QColor(Qt::white)),
          m_ids(static_cast<size_t>(kPictureSize.width()) * kPictureSize.height(), 0),
          m_rowMin(static_cast<size_t>(kPictureSize.height()), kPictureSize.width()),
          m_rowMax(static_cast<size_t>(kPictureSize.height()), -1) {}

    PictureMeasures measure(const Picture& picture) {
        PictureMeasures m;
        m.objectCount = static_cast<int>(picture.objects.size());
        QSet<int> kinds;
        QSet<double> sizes;
        QSet<std::uint32_t> colours;
        for (const PictureObject& o : picture.objects) {
            if (!o.drawn()) continue;
            kinds.insert(o.kind);
            sizes.insert(composedSize(o));
            colours.insert(o.colour);
        }
        m.distinctKinds = static_cast<int>(kinds.size());
        m.distinctSizes = static_cast<int>(sizes.size());
        m.distinctColours = static_cast<int>(colours.size());
        m.made = drawing(picture, Drawn::Made);
        m.replayed = drawing(picture, Drawn::Replayed);
        return m;
    }

private:
    // The object's pixels drawn alone, as spans; a made and a replayed
    // object of the same size are drawn once.
    const std::vector<RowSpan>& alone(const PictureObject& object, size_t i, Drawn drawn) {
        if (m_alone.size() <= i) m_alone.resize(i + 1);
        PictureObject o = object;
        if (drawn == Drawn::Made) o.size = composedSize(object);
        if (drawn == Drawn::Replayed && composedSize(object) == object.size) return m_alone[i];
        std::vector<RowSpan>& spans = m_alone[i];
        spans.clear();
        const QRgb colour = rgbOfStoredColour(o.colour) & 0xFFFFFF;
        ImageCanvas& canvas = colour == 0 ? m_light : m_dark;
        const QRgb background = colour == 0 ? 0xFFFFFF : 0;
        canvas.clear();
        drawFigure(canvas, o);
        const QRect r = canvas.touched();
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(canvas.image().constScanLine(y));
            for (int x = r.left(); x <= r.right();) {
                if ((line[x] & 0xFFFFFF) == background) {
                    ++x;
                    continue;
                }
                const int a = x;
                while (x <= r.right() && (line[x] & 0xFFFFFF) != background) ++x;
                spans.push_back({y, a, x});
            }
        }
        return spans;
    }

    DrawingMeasures drawing(const Picture& picture, Drawn drawn) {
        const int w = kPictureSize.width(), h = kPictureSize.height();
        DrawingMeasures d;
        m_image.reset(w, h, kPictureGrey);
        std::vector<int> slotOf(picture.objects.size() + 1, 0);
        for (qsizetype i = 0; i < picture.objects.size(); ++i) {
            const PictureObject& o = picture.objects[i];
            d.alone << 0;
            d.visible << 0;
            if (!o.drawn()) continue;
            slotOf[static_cast<size_t>(i) + 1] = m_image.slot(rgbOfStoredColour(o.colour));
            for (const RowSpan& s : alone(o, static_cast<size_t>(i), drawn)) {
                d.alone[i] += s.b - s.a;
                std::memset(m_ids.data() + static_cast<size_t>(s.y) * w + s.a, static_cast<int>(i + 1),
                            static_cast<size_t>(s.b - s.a));
                m_rowMin[static_cast<size_t>(s.y)] = std::min(m_rowMin[static_cast<size_t>(s.y)], s.a);
                m_rowMax[static_cast<size_t>(s.y)] = std::max(m_rowMax[static_cast<size_t>(s.y)], s.b - 1);
            }
            d.objectArea += d.alone[i];
        }
        // The picture as runs; the buffer is left clear for the next one.
        std::vector<qint64> seen(slotOf.size(), 0);
        for (int y = 0; y < h; ++y) {
            m_image.add(0, 0);
            const int from = m_rowMin[static_cast<size_t>(y)], to = m_rowMax[static_cast<size_t>(y)];
            std::uint8_t* ids = m_ids.data() + static_cast<size_t>(y) * w;
            for (int x = from; x <= to;) {
                const std::uint8_t id = ids[x];
                const int start = x;
                while (x <= to && ids[x] == id) ++x;
                seen[id] += x - start;
                m_image.add(start, slotOf[id]);
            }
            if (to >= from) {
                if (to + 1 < w) m_image.add(to + 1, 0);
                std::memset(ids + from, 0, static_cast<size_t>(to - from + 1));
            }
            m_image.endRow();
            m_rowMin[static_cast<size_t>(y)] = w;
            m_rowMax[static_cast<size_t>(y)] = -1;
        }
        for (qsizetype i = 0; i < picture.objects.size(); ++i)
            d.visible[i] = seen[static_cast<size_t>(i) + 1];
        d.image = m_image.measure();
        if (d.objectArea > 0) d.overlap = 1.0 - static_cast<double>(d.image.maskPixels) / d.objectArea;
        return d;
    }

    ImageCanvas m_dark;
    ImageCanvas m_light;
    std::vector<std::uint8_t> m_ids;  // per pixel: 1 + the index of the object seen there, or 0
    std::vector<int> m_rowMin;        // per row: the first and last pixel any object covers
    std::vector<int> m_rowMax;
    std::vector<std::vector<RowSpan>> m_alone;
    RunImage m_image;
};

}  // namespace

ImageMeasures measureImage(const QImage& source, QColor background) {
    const QImage image =
        source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
    RunImage runs;
    runs.reset(image.width(), image.height(), background.rgb());
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (x == 0 || line[x] != line[x - 1]) runs.add(x, runs.slot(line[x]));
        runs.endRow();
    }
    return runs.measure();
}

PictureMeasures measurePicture(const Picture& picture) { return PictureMeter().measure(picture); }

QList<PictureMeasures> measureAll(const QList<const Picture*>& pictures,
                                  const std::function<void(int)>& progress) {
    QList<PictureMeasures> results(pictures.size());
    std::atomic<qsizetype> next{0};
    std::atomic<int> done{0};
    // Every thread measures; the calling one also reports now and then.
    auto work = [&](bool reports) {
        PictureMeter meter;
        QElapsedTimer since;
        since.start();
        for (qsizetype i = next++; i < pictures.size() && !interruptRequested(); i = next++) {
            results[i] = meter.measure(*pictures[i]);
            ++done;
            if (reports && progress && since.elapsed() >= 250) {
                progress(done);
                since.restart();
            }
        }
    };
    std::vector<std::thread> workers;
    for (int t = 1; t < std::max(1, QThread::idealThreadCount()); ++t) workers.emplace_back(work, false);
    work(true);
    for (std::thread& w : workers) w.join();
    if (progress) progress(done);
    return results;
}
