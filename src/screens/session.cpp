#include "screens/session.h"

#include "core/data_files.h"
#include "screens/main_screen.h"
#include "screens/setup_screen.h"
#include "screens/title_screen.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStandardPaths>

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

Status Session::loadMainScreen(const SessionSettings& settings) {
    if (m_mainn) return Status::ok();
    m_settings = settings;
    m_files = std::make_unique<SubjectFiles>(m_disk, settings.dataFolder, settings.subjectCode);
    auto* screen = new MainScreen(*this);
    Status loaded = screen->Form_Load();
    if (!loaded.isOk()) {
        delete screen;
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
