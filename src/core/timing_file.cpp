#include "core/timing_file.h"

#include "core/session_settings.h"
#include "core/value_list.h"

#include <algorithm>
#include <iterator>
#include <type_traits>
#include <vector>

namespace {

FieldValue nanosecondsField(const std::optional<qint64>& ns) {
    return ns ? FieldValue(static_cast<long long>(*ns)) : FieldValue(EmptyValue{});
}

// Empty, or a whole number written with digits only that fits T.
template <typename T>
bool readWhole(const QByteArray& text, std::optional<T>* out) {
    out->reset();
    if (text.isEmpty()) return true;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    bool ok = false;
    const T value = std::is_signed_v<T> ? T(text.toLongLong(&ok)) : T(text.toULongLong(&ok));
    if (ok) *out = value;
    return ok;
}

}  // namespace

std::optional<double> TimingRow::onsetLagMs() const {
    if (!presented.known) return std::nullopt;
    return static_cast<double>(presented.presentedNs - moments.completeNs) / 1e6;
}

QByteArray TimingRow::encode() const {
    const bool known = presented.known;
    const FieldValue none = EmptyValue{};
    const QList<FieldValue> head{
        static_cast<long long>(trial), static_cast<long long>(moments.completeNs),
        presented.flushedNs ? FieldValue(static_cast<long long>(presented.flushedNs)) : none,
        known ? FieldValue(static_cast<long long>(presented.presentedNs)) : none,
        known ? FieldValue(*onsetLagMs()) : none};
    QList<FieldValue> scales;
    for (std::size_t k = 0; k < 3; ++k)
        scales << nanosecondsField(moments.rateShownNs[k]) << nanosecondsField(moments.chosenNs[k]);
    // The frame counter is unsigned 64-bit; the mode is the one word among numbers.
    const QByteArray frame = known ? QByteArray::number(presented.frame) : QByteArray();
    const QByteArray mode = known ? presented.mode.toUtf8() : QByteArray(kUnknownMode);
    return valueListLine(head).chopped(2) + ',' + frame + ',' + mode + ',' + valueListLine(scales);
}

std::optional<TimingRow> TimingRow::parse(const QByteArray& line, QString* problem) {
    const std::optional<QList<QByteArray>> split =
        splitFields(line, kTimingFieldCount, "a timing line", problem);
    if (!split) return std::nullopt;
    const QList<QByteArray>& fields = *split;
    auto refuse = [&](int i, const QString& rule) {
        *problem = QStringLiteral("field %1 (%2) is %3; %4")
                       .arg(i + 1)
                       .arg(QLatin1String(kTimingColumns[i].described), quotedValue(fields[i]), rule);
        return std::nullopt;
    };
    const QString nanoseconds = QStringLiteral("it must be empty or whole nanoseconds");
    TimingRow r;
    const std::optional<double> trial = parseNumber(fields[kTimingTrialField]);
    if (!trial || !isWhole(*trial, 1, kMaxTrials))
        return refuse(kTimingTrialField,
                      QStringLiteral("it must be a whole number from 1 to %1").arg(kMaxTrials));
    r.trial = static_cast<int>(*trial);
    std::optional<qint64> moment;
    if (!readWhole(fields[kCompleteField], &moment) || !moment)
        return refuse(kCompleteField, QStringLiteral("it must be whole nanoseconds"));
    r.moments.completeNs = *moment;
    if (!readWhole(fields[kFlushedField], &moment)) return refuse(kFlushedField, nanoseconds);
    r.presented.flushedNs = moment.value_or(0);
    for (int k = 0; k < 6; ++k) {
        auto& to = (k % 2 ? r.moments.chosenNs : r.moments.rateShownNs)[static_cast<std::size_t>(k / 2)];
        if (!readWhole(fields[kScaleMomentsField + k], &to))
            return refuse(kScaleMomentsField + k, nanoseconds);
    }
    const QByteArray mode = fields[kModeField];
    if (mode != kUnknownMode &&
        std::find(std::begin(kPresentModes), std::end(kPresentModes), mode) == std::end(kPresentModes))
        return refuse(kModeField, QStringLiteral("it must be copy, flip, skip, suboptimal copy or unknown"));
    r.presented.known = mode != kUnknownMode;
    const std::optional<double> lag = parseNumber(fields[kOnsetLagField]);
    std::optional<qint64> presented;
    std::optional<quint64> frame;
    if (!readWhole(fields[kPresentedField], &presented) || presented.has_value() != r.presented.known)
        return refuse(kPresentedField, r.presented.known
                                           ? QStringLiteral("it must be whole nanoseconds")
                                           : QStringLiteral("it must be empty when the mode is unknown"));
    if (!readWhole(fields[kFrameField], &frame) || frame.has_value() != r.presented.known)
        return refuse(kFrameField,
                      QStringLiteral("it must be a whole number, and empty only when the mode is unknown"));
    if (lag.has_value() != r.presented.known)
        return refuse(kOnsetLagField,
                      QStringLiteral("it must be a number, and empty only when the mode is unknown"));
    if (r.presented.known) {
        r.presented.presentedNs = *presented;
        r.presented.frame = *frame;
        r.presented.mode = QString::fromLatin1(mode);
    }
    return r;
}

QByteArray timingHeader() {
    QByteArray header;
    for (const Column& c : kTimingColumns) header += (header.isEmpty() ? "" : ",") + QByteArray(c.name);
    return header + "\r\n";
}

Status readTiming(const QByteArray& text, const QString& path, qsizetype maxTrials, QList<TimingRow>* out) {
    static const char* const kFile = "timing file";
    out->clear();
    const QList<TextLine> lines = splitLines(text);
    if (lines.isEmpty() || !lines[0].ended || lines[0].text + "\r\n" != timingHeader())
        return lineProblem(kFile, path, 1, QStringLiteral("it is not the header of a timing file"));
    if (lines.size() - 1 > maxTrials)
        return Status::error(QStringLiteral("The timing file \"%1\" holds %2 trials, but the results file "
                                            "holds only %3.")
                                 .arg(path)
                                 .arg(lines.size() - 1)
                                 .arg(maxTrials));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i + 1);
        if (!lines[i].ended) return lineProblem(kFile, path, lineNo, cutOffProblem());
        QString problem;
        const std::optional<TimingRow> row = TimingRow::parse(lines[i].text, &problem);
        if (!row) return lineProblem(kFile, path, lineNo, problem);
        if (row->trial != i)
            return lineProblem(kFile, path, lineNo,
                               QStringLiteral("it is numbered trial %1").arg(row->trial));
        out->append(*row);
    }
    return Status::ok();
}

OnsetSummary summariseOnsets(const QList<TimingRow>& rows, const QString& source) {
    OnsetSummary summary;
    summary.source = source;
    std::vector<double> intervals;
    const FramePresentation* last = nullptr;
    for (const TimingRow& row : rows) {
        const FramePresentation& frame = row.presented;
        if (!frame.known) continue;
        ++summary.trialsKnown;
        if (!summary.modesSeen.contains(frame.mode)) summary.modesSeen << frame.mode;
        if (last && frame.frame > last->frame)
            intervals.push_back(static_cast<double>(frame.presentedNs - last->presentedNs) / 1e6 /
                                static_cast<double>(frame.frame - last->frame));
        last = &frame;
    }
    if (!intervals.empty()) {
        std::sort(intervals.begin(), intervals.end());
        const std::size_t n = intervals.size();
        summary.refreshIntervalMs = n % 2 ? intervals[n / 2] : (intervals[n / 2 - 1] + intervals[n / 2]) / 2;
    }
    return summary;
}
