#include "analysis/contact_sheet.h"

#include "analysis/picture_render.h"
#include "core/results_file.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

constexpr double kThumbScale = 0.5;
constexpr int kGap = 12;
constexpr int kCaptionLines = 4;
constexpr int kLineHeight = 15;

QString ratings(const std::array<std::optional<int>, 3>& r) {
    QStringList parts;
    for (const auto& v : r) parts << (v ? QString::number(*v) : QStringLiteral("-"));
    return parts.join(QStringLiteral(", "));
}

// The terms of each session's scales, for the legend.
QString scaleNames(const SessionState& session, const QString& name) {
    if (!session.record)
        return name + QStringLiteral(": ratings 1, 2, 3 (no session record names their terms)");
    QStringList names;
    for (int k = 1; k <= 3; ++k)
        names << QStringLiteral("rating %1 from %2 (1) to %3 (7)")
                     .arg(k)
                     .arg(session.record->settings.scale(k).left, session.record->settings.scale(k).right);
    return name + QStringLiteral(": ") + names.join(QStringLiteral("; "));
}

}  // namespace

QImage contactSheet(const SubjectData& s) {
    const int n = static_cast<int>(s.store.pictures.size());
    const int columns = std::clamp(n, 1, 6);
    const int rows = std::max(1, (n + columns - 1) / columns);
    const QSize thumb(qRound(kPictureSize.width() * kThumbScale),
                      qRound(kPictureSize.height() * kThumbScale));
    const QSize cell(thumb.width() + kGap, thumb.height() + kCaptionLines * kLineHeight + kGap);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(12);
    QFont bold = font;
    bold.setBold(true);
    bold.setPixelSize(15);
    QStringList legend{scaleNames(s.make, QStringLiteral("Made"))};
    if (s.judge.ran) legend << scaleNames(s.judge, QStringLiteral("Judged"));
    if (!s.ratingsUsable) legend << QStringLiteral("No ratings: %1").arg(s.damage.join(u' '));
    const int width = std::max(columns * cell.width() + kGap, 640);
    const QRect text(kGap, 0, width - 2 * kGap, 1000);
    QList<int> heights;
    int header = 30;
    for (const QString& line : legend)
        header += heights.emplace_back(
            QFontMetrics(font).boundingRect(text, Qt::AlignLeft | Qt::TextWordWrap, line).height() + 2);
    QImage sheet(width, header + 6 + rows * cell.height() + kGap, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setFont(bold);
    painter.drawText(QRect(kGap, 6, sheet.width() - 2 * kGap, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Subject %1: %2 pictures as replayed").arg(s.code).arg(n));
    painter.setFont(font);
    for (qsizetype l = 0, y = 30; l < legend.size(); y += heights[l++])
        painter.drawText(QRect(kGap, static_cast<int>(y), text.width(), heights[l]),
                         Qt::AlignLeft | Qt::TextWordWrap, legend[l]);
    for (int i = 0; i < n; ++i) {
        const QPoint at(kGap + (i % columns) * cell.width(), header + 6 + (i / columns) * cell.height());
        const QImage picture = renderPicture(s.store.pictures[i], Drawn::Replayed)
                                   .scaled(thumb, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(at, picture);
        painter.setPen(QColor(96, 96, 96));
        painter.drawRect(QRect(at, thumb).adjusted(0, 0, -1, -1));
        painter.setPen(Qt::black);
        QStringList lines{QStringLiteral("Trial %1").arg(i + 1)};
        if (i < s.results.size()) {
            const CompositionSettings& v = s.results[i].settings;
            lines << QStringLiteral("%1 %2, %3 %4, %5 %6, %7 %8")
                         .arg(QLatin1String(kResultsColumns[kObjectsField].name))
                         .arg(v.objects)
                         .arg(QLatin1String(kResultsColumns[kShapesField].name))
                         .arg(v.shapes)
                         .arg(QLatin1String(kResultsColumns[kSizesField].name))
                         .arg(v.sizes)
                         .arg(QLatin1String(kResultsColumns[kColoursField].name))
                         .arg(v.colours)
                  << QStringLiteral("made: %1").arg(ratings(s.results[i].rated.ratings));
        } else {
            lines << QStringLiteral("objects %1").arg(s.store.pictures[i].objects.size())
                  << QStringLiteral("not rated");
        }
        if (i < s.judged.size())
            lines << QStringLiteral("judged: %1").arg(ratings(s.judged[i].judged.ratings));
        for (int l = 0; l < lines.size(); ++l)
            painter.drawText(
                QRect(at.x(), at.y() + thumb.height() + 2 + l * kLineHeight, thumb.width(), kLineHeight),
                Qt::AlignLeft | Qt::AlignVCenter, lines[l]);
    }
    return sheet;
}
