#pragma once

// The one text format of the data files: the values of a record separated by
// commas, an empty value written as nothing between its commas, each record
// ended by CR LF. Numbers never depend on the locale: whole numbers have no
// point, other numbers use a period and carry 15 significant digits (double)
// or 7 (32-bit float) without trailing zeros.

#include <QByteArray>
#include <QList>
#include <optional>
#include <variant>

struct EmptyValue {
    friend bool operator==(EmptyValue, EmptyValue) { return true; }
};
using FieldValue = std::variant<EmptyValue, long long, double, float>;

QByteArray formatValue(const FieldValue& value);

// The values joined by commas, without a line end.
QByteArray formatFields(const QList<FieldValue>& values);

// One record: the fields and CR LF.
QByteArray valueListLine(const QList<FieldValue>& values);

// An optional whole number as a field: empty when it holds nothing.
inline FieldValue optionalField(const std::optional<int>& value) {
    return value ? FieldValue(static_cast<long long>(*value)) : FieldValue(EmptyValue{});
}
inline FieldValue optionalField(const std::optional<float>& value) {
    return value ? FieldValue(*value) : FieldValue(EmptyValue{});
}
