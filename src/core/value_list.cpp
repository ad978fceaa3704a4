#include "core/value_list.h"

#include <cmath>

namespace {

QByteArray formatReal(double value, int significantDigits) {
    if (value == 0.0) return QByteArrayLiteral("0");  // also turns -0 into 0
    // QByteArray::number always uses the C locale; 'g' drops trailing zeros.
    return QByteArray::number(value, 'g', significantDigits);
}

struct Formatter {
    QByteArray operator()(EmptyValue) const { return {}; }
    QByteArray operator()(long long v) const { return QByteArray::number(v); }
    QByteArray operator()(double v) const { return formatReal(v, 15); }
    QByteArray operator()(float v) const { return formatReal(static_cast<double>(v), 7); }
};

}  // namespace

QByteArray formatValue(const FieldValue& value) { return std::visit(Formatter{}, value); }

QByteArray formatFields(const QList<FieldValue>& values) {
    QByteArray out;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0) out += ',';
        out += formatValue(values[i]);
    }
    return out;
}

QByteArray valueListLine(const QList<FieldValue>& values) { return formatFields(values) + "\r\n"; }
