#include "platform/numbers.h"

double leadingNumber(const QString& text) {
    const QString t = text.trimmed();
    double value = 0;
    for (QChar c : t) {
        if (c < u'0' || c > u'9') break;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

QString wholeToText(long long value) { return QString::number(value); }
