#include "screens/session.h"

#include "core/data_files.h"
#include "screens/main_screen.h"
#include "screens/setup_screen.h"
#include "screens/title_screen.h"

#include "core/version.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QStandardPaths>
#include <QSysInfo>

Session::Session(Clock& clock, RandomSource& random, DataDisk& disk, QString defaultDataFolder)
    : m_clock(clock), m_random(random), m_disk(disk), m_defaultDataFolder(std::move(defaultDataFolder)) {}

Session::~Session() {
    delete m_mainn;
    delete m_artTest;
    delete m_startup;
}

TitleScreen* Session::Startup() {
    if (!m_startup) m_startup = new TitleScreen(*this);
    return m_startup;
}

SetupScreen* Session::ArtTest() {
    if (!m_artTest) {
        m_artTest = new SetupScreen(*this);
        m_artTest->Form_Load();
    }
    return m_artTest;
}

StartPlan Session::prepareStart(const SessionSettings& settings) {
    const SubjectFiles files(m_disk, settings.dataFolder, settings.subjectCode);
    StartPlan plan;
    // The lock is taken before the files are weighed, so a second copy of
    // the program hears of the first rather than of an unfinished session.
    if (Status s = files.checkPlaces(); !s.isOk()) {
        plan.refusal = s;
        return plan;
    }
    if (Status s = m_lock.acquire(files.path(kLockFile), settings.subjectCode); !s.isOk()) {
        plan.refusal = s;
        return plan;
    }
    plan = files.planStart(settings.mode);
    if (!plan.refusal.isOk()) m_lock.release();
    return plan;
}

void Session::cancelStart() { m_lock.release(); }

RunEnvironment Session::environment() {
    RunEnvironment env;
    env.qtVersion = QString::fromLatin1(qVersion());
    env.operatingSystem = QSysInfo::prettyProductName() + QStringLiteral(" (") + QSysInfo::kernelType() +
                          u' ' + QSysInfo::kernelVersion() + u')';
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        env.screenPixels = screen->size() * screen->devicePixelRatio();
        env.logicalDpi = screen->logicalDotsPerInch();
        env.devicePixelRatio = screen->devicePixelRatio();
    }
    return env;
}

Status Session::loadMainScreen(const SessionSettings& settings, const QStringList& replace) {
    if (m_mainn) return Status::ok();
    m_settings = settings;
    m_files = std::make_unique<SubjectFiles>(m_disk, settings.dataFolder, settings.subjectCode);
    if (Status s = m_files->removeUnfinished(replace); !s.isOk()) {
        m_lock.release();
        return s;
    }
    const bool making = settings.mode == SessionMode::MakeArt;
    const QString makeRecord = m_files->path(kMakeRecordFile);
    const QString replays =
        !making && m_disk.inspect(makeRecord).kind == EntryKind::File ? makeRecord : QString();
    m_record = std::make_unique<SessionRecord>(
        m_disk, m_files->path(making ? kMakeRecordFile : kJudgeRecordFile), m_settings, environment(),
        QString::fromLatin1(kPictorVersion), replays);
    auto* screen = new MainScreen(*this);
    Status loaded = screen->Form_Load();
    if (!loaded.isOk()) {
        delete screen;
        m_lock.release();
        return loaded;
    }
    m_mainn = screen;
    return Status::ok();
}

void Session::start() {
    Startup()->show();
    Startup()->activateWindow();
}

void Session::endProgram(int exitCode) {
    if (m_ended) return;
    m_ended = true;
    if (m_mainn) m_mainn->hide();
    if (m_artTest) m_artTest->hide();
    if (m_startup) m_startup->hide();
    emit ended(exitCode);
}

QString defaultDataFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isWritable()) folder = QDir::homePath();
    folder = QDir::toNativeSeparators(QDir::cleanPath(folder));
    if (!folder.endsWith(QDir::separator())) folder += QDir::separator();
    return folder;
}
