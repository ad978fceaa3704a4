#include "core/session_record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

namespace {

const char* const kStatusTexts[] = {"running", "finished", "ended early", "failed"};

QString modeText(SessionMode mode) {
    return mode == SessionMode::MakeArt ? QStringLiteral("Make Art") : QStringLiteral("Judge Art");
}

QJsonValue timeOrNull(const QDateTime& time) {
    return time.isValid() ? QJsonValue(isoWithOffset(time)) : QJsonValue();
}

QJsonValue textOrNull(const QString& text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); }

QJsonObject rectJson(const QRect& r) {
    return {{QStringLiteral("x"), r.x()},
            {QStringLiteral("y"), r.y()},
            {QStringLiteral("width"), r.width()},
            {QStringLiteral("height"), r.height()}};
}

QRect rectFrom(const QJsonValue& v) {
    const QJsonObject o = v.toObject();
    return QRect(o[QStringLiteral("x")].toInt(), o[QStringLiteral("y")].toInt(),
                 o[QStringLiteral("width")].toInt(), o[QStringLiteral("height")].toInt());
}

QJsonObject environmentJson(const RunEnvironment& e) {
    return {{QStringLiteral("qt_version"), e.qtVersion},
            {QStringLiteral("operating_system"), e.operatingSystem},
            {QStringLiteral("screen_width_px"), e.screenPixels.width()},
            {QStringLiteral("screen_height_px"), e.screenPixels.height()},
            {QStringLiteral("screen_logical_dpi"), e.logicalDpi},
            {QStringLiteral("screen_device_pixel_ratio"), e.devicePixelRatio},
            {QStringLiteral("platform"), e.platform},
            {QStringLiteral("screen_name"), e.screenName},
            {QStringLiteral("screen_geometry"), rectJson(e.screenGeometry)},
            {QStringLiteral("screen_available_geometry"), rectJson(e.availableGeometry)},
            {QStringLiteral("screen_physical_dpi"), e.physicalDpi},
            {QStringLiteral("screen_physical_size_mm"),
             QJsonObject{{QStringLiteral("width"), e.physicalSizeMm.width()},
                         {QStringLiteral("height"), e.physicalSizeMm.height()}}},
            {QStringLiteral("screen_refresh_rate_hz"), e.refreshRateHz},
            {QStringLiteral("window_manager"), textOrNull(e.windowManager)},
            {QStringLiteral("compositor"), e.compositor ? QJsonValue(*e.compositor) : QJsonValue()},
            {QStringLiteral("screen_kept_on_by"), QJsonArray::fromStringList(e.screenKeptOnBy)},
            {QStringLiteral("backdrop"), textOrNull(e.backdrop)},
            {QStringLiteral("screen_option"), textOrNull(e.screenOption)}};
}

RunEnvironment environmentFrom(const QJsonObject& o) {
    RunEnvironment e;
    e.qtVersion = o[QStringLiteral("qt_version")].toString();
    e.operatingSystem = o[QStringLiteral("operating_system")].toString();
    e.screenPixels =
        QSize(o[QStringLiteral("screen_width_px")].toInt(), o[QStringLiteral("screen_height_px")].toInt());
    e.logicalDpi = o[QStringLiteral("screen_logical_dpi")].toDouble();
    e.devicePixelRatio = o[QStringLiteral("screen_device_pixel_ratio")].toDouble();
    e.platform = o[QStringLiteral("platform")].toString();
    e.screenName = o[QStringLiteral("screen_name")].toString();
    e.screenGeometry = rectFrom(o[QStringLiteral("screen_geometry")]);
    e.availableGeometry = rectFrom(o[QStringLiteral("screen_available_geometry")]);
    e.physicalDpi = o[QStringLiteral("screen_physical_dpi")].toDouble();
    const QJsonObject mm = o[QStringLiteral("screen_physical_size_mm")].toObject();
    e.physicalSizeMm =
        QSizeF(mm[QStringLiteral("width")].toDouble(), mm[QStringLiteral("height")].toDouble());
    e.refreshRateHz = o[QStringLiteral("screen_refresh_rate_hz")].toDouble();
    e.windowManager = o[QStringLiteral("window_manager")].toString();
    if (o[QStringLiteral("compositor")].isBool()) e.compositor = o[QStringLiteral("compositor")].toBool();
    for (const QJsonValue& means : o[QStringLiteral("screen_kept_on_by")].toArray())
        e.screenKeptOnBy << means.toString();
    e.backdrop = o[QStringLiteral("backdrop")].toString();
    e.screenOption = o[QStringLiteral("screen_option")].toString();
    return e;
}

}  // namespace

QString statusText(SessionStatus status) { return QLatin1String(kStatusTexts[static_cast<int>(status)]); }

QString isoWithOffset(const QDateTime& time) {
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QChar(u'0'))
               .arg(minutes % 60, 2, 10, QChar(u'0'));
}

QJsonObject RecordContents::toJson() const {
    const SessionSettings& s = settings;
    QJsonArray scales;
    for (int k = 1; k <= 3; ++k)
        scales.append(QJsonObject{{QStringLiteral("rating"), k},
                                  {QStringLiteral("left_term"), s.scale(k).left},
                                  {QStringLiteral("right_term"), s.scale(k).right},
                                  {QStringLiteral("forced"), s.scale(k).forced}});
    QJsonObject recorded{{QStringLiteral("data_folder"), s.dataFolder},
                         {QStringLiteral("judgement_delay_s"), s.judgeDelay},
                         {QStringLiteral("scales"), scales}};
    if (s.mode == SessionMode::MakeArt) {
        recorded.insert(QStringLiteral("trials"), s.trials);
        recorded.insert(QStringLiteral("force_setting_change"), s.forceSettingChange);
        recorded.insert(QStringLiteral("hide_settings_after_image"), s.hideSettings);
    }
    QJsonObject record{
        {QStringLiteral("record"), QStringLiteral("Pictor session record")},
        {QStringLiteral("record_version"), kRecordVersion},
        {QStringLiteral("program_version"), programVersion},
        {QStringLiteral("mode"), modeText(s.mode)},
        {QStringLiteral("subject_code"), s.subjectCode},
        {QStringLiteral("settings"), recorded},
        {QStringLiteral("trials_planned"), trialsPlanned},
        {QStringLiteral("trials_completed"), trialsCompleted},
        {QStringLiteral("status"), statusText(status)},
        {QStringLiteral("failure"), status == SessionStatus::Failed ? QJsonValue(failure) : QJsonValue()},
        {QStringLiteral("started"), timeOrNull(started)},
        {QStringLiteral("ended"), timeOrNull(ended)},
        {QStringLiteral("environment"), environmentJson(environment)}};
    const QJsonValue refresh = onset.refreshIntervalMs ? QJsonValue(*onset.refreshIntervalMs) : QJsonValue();
    record.insert(
        QStringLiteral("onset"),
        QJsonObject{{QStringLiteral("source"), onset.source},
                    {QStringLiteral("trials_with_known_onset"), onset.trialsKnown},
                    {QStringLiteral("refresh_interval_ms"), refresh},
                    {QStringLiteral("present_modes_seen"), QJsonArray::fromStringList(onset.modesSeen)},
                    {QStringLiteral("timing_file_problem"), textOrNull(onset.timingFileProblem)}});
    if (s.mode == SessionMode::JudgeArt) record.insert(QStringLiteral("replays_record"), textOrNull(replays));
    return record;
}

std::optional<RecordContents> RecordContents::fromJson(const QByteArray& text, QString* problem) {
    problem->clear();
    QJsonParseError error{};
    const QJsonObject o = QJsonDocument::fromJson(text, &error).object();
    if (error.error != QJsonParseError::NoError || o.isEmpty()) {
        *problem = QStringLiteral("it is not a JSON object (%1)").arg(error.errorString());
        return std::nullopt;
    }
    RecordContents r;
    const QString mode = o[QStringLiteral("mode")].toString();
    const QString status = o[QStringLiteral("status")].toString();
    const int statusIndex = static_cast<int>(
        std::find(std::begin(kStatusTexts), std::end(kStatusTexts), status) - std::begin(kStatusTexts));
    const QJsonObject s = o[QStringLiteral("settings")].toObject();
    const QJsonArray scales = s[QStringLiteral("scales")].toArray();
    if (mode != modeText(SessionMode::MakeArt) && mode != modeText(SessionMode::JudgeArt))
        *problem = QStringLiteral("its mode is \"%1\"").arg(mode);
    else if (statusIndex >= static_cast<int>(std::size(kStatusTexts)))
        *problem = QStringLiteral("its status is \"%1\"").arg(status);
    else if (scales.size() != 3)
        *problem = QStringLiteral("it does not describe three scales");
    if (!problem->isEmpty()) return std::nullopt;
    r.settings.mode = mode == modeText(SessionMode::MakeArt) ? SessionMode::MakeArt : SessionMode::JudgeArt;
    r.status = static_cast<SessionStatus>(statusIndex);
    r.programVersion = o[QStringLiteral("program_version")].toString();
    r.settings.subjectCode = o[QStringLiteral("subject_code")].toString();
    r.settings.dataFolder = s[QStringLiteral("data_folder")].toString();
    r.settings.judgeDelay = s[QStringLiteral("judgement_delay_s")].toInt();
    r.settings.trials = s[QStringLiteral("trials")].toInt();
    r.settings.forceSettingChange = s[QStringLiteral("force_setting_change")].toBool();
    r.settings.hideSettings = s[QStringLiteral("hide_settings_after_image")].toBool();
    for (qsizetype k = 0; k < 3; ++k) {
        const QJsonObject scale = scales[k].toObject();
        r.settings.scales[static_cast<std::size_t>(k)] = {scale[QStringLiteral("left_term")].toString(),
                                                          scale[QStringLiteral("right_term")].toString(),
                                                          scale[QStringLiteral("forced")].toBool()};
    }
    r.trialsPlanned = o[QStringLiteral("trials_planned")].toInt();
    r.trialsCompleted = o[QStringLiteral("trials_completed")].toInt();
    r.failure = o[QStringLiteral("failure")].toString();
    r.started = QDateTime::fromString(o[QStringLiteral("started")].toString(), Qt::ISODateWithMs);
    r.ended = QDateTime::fromString(o[QStringLiteral("ended")].toString(), Qt::ISODateWithMs);
    r.replays = o[QStringLiteral("replays_record")].toString();
    r.environment = environmentFrom(o[QStringLiteral("environment")].toObject());
    const QJsonObject onset = o[QStringLiteral("onset")].toObject();
    r.onset.source = onset[QStringLiteral("source")].toString();
    r.onset.trialsKnown = onset[QStringLiteral("trials_with_known_onset")].toInt();
    if (onset[QStringLiteral("refresh_interval_ms")].isDouble())
        r.onset.refreshIntervalMs = onset[QStringLiteral("refresh_interval_ms")].toDouble();
    for (const QJsonValue& seen : onset[QStringLiteral("present_modes_seen")].toArray())
        r.onset.modesSeen << seen.toString();
    r.onset.timingFileProblem = onset[QStringLiteral("timing_file_problem")].toString();
    return r;
}

SessionRecord::SessionRecord(DataDisk& disk, QString path, RecordContents contents)
    : m_disk(disk), m_path(std::move(path)), m_contents(std::move(contents)) {}

Status SessionRecord::start(int plannedTrials) {
    m_contents.trialsPlanned = plannedTrials;
    m_contents.started = QDateTime::currentDateTime();
    return write();
}

Status SessionRecord::trialDone(int trials) {
    m_contents.trialsCompleted = trials;
    return write();
}

Status SessionRecord::end(int trials, SessionStatus status) {
    m_contents.trialsCompleted = trials;
    m_contents.status = status;
    m_contents.ended = QDateTime::currentDateTime();
    return write();
}

Status SessionRecord::finish(int trials) {
    if (Status s = end(trials, SessionStatus::Finished); !s.isOk()) return s;
    return m_disk.makeReadOnly(m_path);
}

Status SessionRecord::endEarly(int trials) { return end(trials, SessionStatus::EndedEarly); }

Status SessionRecord::fail(int trials, const QString& reason) {
    m_contents.failure = reason;
    return end(trials, SessionStatus::Failed);
}

Status SessionRecord::write() {
    return m_disk.replaceAtomically(m_path,
                                    QJsonDocument(m_contents.toJson()).toJson(QJsonDocument::Indented));
}
