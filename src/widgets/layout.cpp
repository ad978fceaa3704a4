#include "widgets/layout.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>
#include <cmath>

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

void registerFontSubstitutes() {
    QFont::insertSubstitutions(
        QString::fromLatin1(kSansFamily),
        {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QString::fromLatin1(kTitleFamily),
                               {QStringLiteral("Blankenburg_UNZ1A"), QStringLiteral("Blankenburg"),
                                QStringLiteral("UnifrakturMaguntia"), QStringLiteral("DejaVu Serif")});
}

QFont layoutFont(const char* family, double points, bool bold) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferDefault);
    return font;
}

int widthToWrap(const QFont& font, const QString& text, int height, int margin) {
    const QFontMetrics metrics(font);
    const auto fits = [&](int width) {
        const QRect used = metrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, text);
        return used.width() <= width && used.height() <= height;
    };
    // More room never needs more lines, so the narrowest fit is found by halving.
    int low = 0;
    int high = metrics.horizontalAdvance(text) + 1;
    if (!fits(high)) return high + margin;  // not even one line fits the height
    while (low + 1 < high) {
        const int middle = (low + high) / 2;
        (fits(middle) ? high : low) = middle;
    }
    return high + margin;
}
