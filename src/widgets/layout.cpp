#include "widgets/layout.h"

#include <QFontDatabase>
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
