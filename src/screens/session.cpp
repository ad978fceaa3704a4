#include "screens/session.h"

#include "core/version.h"
#include "screens/main_screen.h"
#include "screens/setup_screen.h"
#include "screens/title_screen.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QSysInfo>

Session::Session(Clock& clock, RandomSource& random, DataDisk& disk, PresentationFeedback& presentation,
                 QString defaultDataFolder)
    : m_clock(clock),
      m_random(random),
      m_disk(disk),
      m_presentation(presentation),
      m_defaultDataFolder(std::move(defaultDataFolder)) {}

Session::~Session() {
    delete m_main;
    delete m_setup;
    delete m_title;
}

TitleScreen* Session::titleScreen() {
    if (!m_title) m_title = new TitleScreen(*this);
    return m_title;
}

SetupScreen* Session::setupScreen() {
    if (!m_setup) m_setup = new SetupScreen(*this);
    return m_setup;
}

StartDecision Session::decideStart(const SessionSettings& settings) {
    m_start = std::make_unique<SessionStart>(m_disk, settings);
    return m_start->decide();
}

Status Session::beginSession() {
    if (!m_start || m_main) return Status::error(QStringLiteral("No session is waiting to start."));
    Status failure;
    m_active = m_start->begin(environment(), QString::fromLatin1(kPictorVersion), &failure);
    m_start.reset();
    if (!m_active) return failure;
    m_main = new MainScreen(*this, *m_active);
    return Status::ok();
}

void Session::cancelStart() {
    if (m_start) m_start->cancel();
    m_start.reset();
}

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

void Session::start() {
    titleScreen()->show();
    titleScreen()->activateWindow();
}

void Session::endProgram(int exitCode) {
    if (m_ended) return;
    m_ended = true;
    if (m_main) m_main->hide();
    if (m_setup) m_setup->hide();
    if (m_title) m_title->hide();
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

#include "moc_session.cpp"
