#include "core/session_record.h"

#include <QJsonArray>
#include <QJsonDocument>

QString isoWithOffset(const QDateTime& time) {
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QChar(u'0'))
               .arg(minutes % 60, 2, 10, QChar(u'0'));
}

SessionRecord::SessionRecord(DataDisk& disk, QString path, const SessionSettings& settings,
                             RunEnvironment environment, QString programVersion, QString replays)
    : m_disk(disk),
      m_path(std::move(path)),
      m_settings(settings),
      m_environment(std::move(environment)),
      m_programVersion(std::move(programVersion)),
      m_replays(std::move(replays)) {}

Status SessionRecord::start(int plannedTrials) {
    m_plannedTrials = plannedTrials;
    m_started = now();
    return write();
}

Status SessionRecord::trialDone(int trials) {
    m_trials = trials;
    return write();
}

Status SessionRecord::finish(int trials) {
    m_trials = trials;
    m_state = State::Finished;
    m_ended = now();
    if (Status s = write(); !s.isOk()) return s;
    return m_disk.makeReadOnly(m_path);
}

Status SessionRecord::endEarly(int trials) {
    m_trials = trials;
    m_state = State::EndedEarly;
    m_ended = now();
    return write();
}

Status SessionRecord::fail(int trials, const QString& reason) {
    m_trials = trials;
    m_state = State::Failed;
    m_failure = reason;
    m_ended = now();
    return write();
}

QJsonObject SessionRecord::toJson() const {
    QJsonArray scales;
    for (int k = 1; k <= 3; ++k) {
        const ScaleSettings& s = m_settings.scale(k);
        scales.append(QJsonObject{{QStringLiteral("rating"), k},
                                  {QStringLiteral("left_term"), s.left},
                                  {QStringLiteral("right_term"), s.right},
                                  {QStringLiteral("forced"), s.forced}});
    }
    const QJsonObject settings{{QStringLiteral("data_folder"), m_settings.dataFolder},
                               {QStringLiteral("trials"), m_settings.trials},
                               {QStringLiteral("judgement_delay_s"), m_settings.judgeDelay},
                               {QStringLiteral("scales"), scales},
                               {QStringLiteral("force_setting_change"), m_settings.forceSettingChange},
                               {QStringLiteral("hide_settings_after_image"), m_settings.hideSettings}};
    static const char* const kStates[] = {"running", "finished", "ended early", "failed"};
    const QJsonObject environment{
        {QStringLiteral("qt_version"), m_environment.qtVersion},
        {QStringLiteral("operating_system"), m_environment.operatingSystem},
        {QStringLiteral("screen_width_px"), m_environment.screenPixels.width()},
        {QStringLiteral("screen_height_px"), m_environment.screenPixels.height()},
        {QStringLiteral("screen_logical_dpi"), m_environment.logicalDpi},
        {QStringLiteral("screen_device_pixel_ratio"), m_environment.devicePixelRatio}};
    QJsonObject record{
        {QStringLiteral("record"), QStringLiteral("Pictor session record")},
        {QStringLiteral("record_version"), 1},
        {QStringLiteral("program_version"), m_programVersion},
        {QStringLiteral("mode"),
         m_settings.mode == SessionMode::MakeArt ? QStringLiteral("Make Art") : QStringLiteral("Judge Art")},
        {QStringLiteral("subject_code"), m_settings.subjectCode},
        {QStringLiteral("settings"), settings},
        {QStringLiteral("trials_planned"), m_plannedTrials},
        {QStringLiteral("trials_completed"), m_trials},
        {QStringLiteral("status"), QLatin1String(kStates[static_cast<int>(m_state)])},
        {QStringLiteral("failure"), m_state == State::Failed ? QJsonValue(m_failure) : QJsonValue()},
        {QStringLiteral("started"), isoWithOffset(m_started)},
        {QStringLiteral("ended"), m_ended.isValid() ? QJsonValue(isoWithOffset(m_ended)) : QJsonValue()},
        {QStringLiteral("environment"), environment}};
    if (m_settings.mode == SessionMode::JudgeArt)
        record.insert(QStringLiteral("replays_record"),
                      m_replays.isEmpty() ? QJsonValue() : QJsonValue(m_replays));
    return record;
}

Status SessionRecord::write() {
    return m_disk.replaceAtomically(m_path, QJsonDocument(toJson()).toJson(QJsonDocument::Indented));
}
