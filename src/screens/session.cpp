#include "screens/session.h"

#include "core/version.h"
#include "platform/display_system.h"
#include "screens/main_screen.h"
#include "screens/setup_screen.h"
#include "screens/title_screen.h"
#include "widgets/backdrop.h"
#include "widgets/centring.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QSysInfo>

Session::Session(Clock& clock, RandomSource& random, DataDisk& disk, PresentationFeedback& presentation,
                 QString defaultDataFolder, SessionDisplay display)
    : m_clock(clock),
      m_random(random),
      m_disk(disk),
      m_presentation(presentation),
      m_defaultDataFolder(std::move(defaultDataFolder)),
      m_display(std::move(display)) {}

Session::~Session() {
    if (m_display.system) m_display.system->releaseScreen();
    delete m_main;
    delete m_setup;
    delete m_title;
}

TitleScreen* Session::titleScreen() {
    if (!m_title) {
        m_title = new TitleScreen(*this);
        place(m_title, false);
    }
    return m_title;
}

SetupScreen* Session::setupScreen() {
    if (!m_setup) {
        m_setup = new SetupScreen(*this);
        place(m_setup, true);
    }
    return m_setup;
}

void Session::place(QWidget* window, bool centred) {
    QScreen* screen = m_display.screen;
    if (!screen) return;
    // The title screen keeps its place, counted from the chosen screen's corner.
    const QPoint corner = screen->geometry().topLeft();
    window->setScreen(screen);
    if (centred)
        centreOnScreen(window);
    else
        window->move(window->pos() + corner);
}

StartDecision Session::decideStart(const SessionSettings& settings) {
    m_start = std::make_unique<SessionStart>(m_disk, settings);
    return m_start->decide();
}

Status Session::beginSession() {
    if (!m_start || m_main) return Status::error(QStringLiteral("No session is waiting to start."));
    if (m_display.system) m_keptOnBy = m_display.system->holdScreenOn();
    Status failure;
    m_active = m_start->begin(environment(), QString::fromLatin1(kPictorVersion), &failure);
    m_start.reset();
    if (!m_active) {
        if (m_display.system) m_display.system->releaseScreen();
        return failure;
    }
    m_main = new MainScreen(*this, *m_active);
    place(m_main, true);
    if (m_display.options.backdrop) {
        m_backdrop = std::make_unique<Backdrop>(*m_display.options.backdrop);
        m_backdrop->show();
        m_backdrop->keepAbove(m_main);
    }
    return Status::ok();
}

void Session::cancelStart() {
    if (m_start) m_start->cancel();
    m_start.reset();
}

RunEnvironment Session::environment() const {
    RunEnvironment env;
    env.qtVersion = QString::fromLatin1(qVersion());
    env.operatingSystem = QSysInfo::prettyProductName() + QStringLiteral(" (") + QSysInfo::kernelType() +
                          u' ' + QSysInfo::kernelVersion() + u')';
    env.platform = QGuiApplication::platformName();
    if (const QScreen* screen = m_display.screen ? m_display.screen : QGuiApplication::primaryScreen()) {
        env.screenPixels = screen->size() * screen->devicePixelRatio();
        env.logicalDpi = screen->logicalDotsPerInch();
        env.devicePixelRatio = screen->devicePixelRatio();
        env.screenName = screen->name();
        env.screenGeometry = screen->geometry();
        env.availableGeometry = screen->availableGeometry();
        env.physicalDpi = screen->physicalDotsPerInch() * screen->devicePixelRatio();  // device pixels
        env.physicalSizeMm = screen->physicalSize();
        env.refreshRateHz = screen->refreshRate();
    }
    if (m_display.system) {
        env.windowManager = m_display.system->windowManagerName();
        env.compositor = m_display.system->compositorRunning();
    }
    env.screenKeptOnBy = m_keptOnBy;
    if (m_display.options.backdrop) env.backdrop = m_display.options.backdrop->name(QColor::HexRgb);
    env.screenOption = m_display.options.screen;
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
    m_backdrop.reset();
    if (m_display.system) m_display.system->releaseScreen();
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
