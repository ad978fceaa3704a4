#include "platform/numbers.h"

#include <cmath>

std::optional<std::int16_t> toInt16(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = std::nearbyint(value);  // default mode: halves to even
    if (rounded < -32768.0 || rounded > 32767.0) return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

std::optional<std::int16_t> textToInt16(const QString& text) {
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    if (i >= t.size()) return std::nullopt;
    long long value = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < u'0' || t[i] > u'9') return std::nullopt;
        value = value * 10 + (t[i].unicode() - u'0');
        if (value > 40000) return std::nullopt;
    }
    return toInt16(static_cast<double>(negative ? -value : value));
}

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
