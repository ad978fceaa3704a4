#include "screens/setup_screen.h"

#include "core/subject.h"
#include "core/subject_files.h"
#include "screens/main_screen.h"
#include "screens/session.h"
#include "widgets/centring.h"
#include "widgets/message.h"
#include "widgets/note_box.h"
#include "widgets/widget_factory.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace {

const QColor kYellow(255, 255, 192);
constexpr int kModeOptionWidth = 1335;
// The notes take the room the mode leaves free: beside "Make Art", or
// where Judge Art hides the picture-making options.
const QRect kMakeArtNotes(1440, 5640, 3645, 690);
const QRect kJudgeArtNotes(120, 4920, 3600, 1380);

QLabel* boldLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    QLabel* label = addLabel(parent, name, text, geometry);
    label->setFont(sansFont(8.25, true));
    return label;
}

QLabel* valueBox(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    QLabel* label = addLabel(parent, name, text, geometry);
    label->setAlignment(Qt::AlignCenter);
    setBoxBorder(label);
    setBackground(label, QGuiApplication::palette().color(QPalette::Button));
    return label;
}

QCheckBox* boldCheck(QWidget* parent, const char* name, const QString& text, QRect geometry, bool checked) {
    QCheckBox* box = addCheckBox(parent, name, text, geometry);
    box->setFont(sansFont(8.25, true));
    box->setChecked(checked);
    return box;
}

}  // namespace

SetupScreen::SetupScreen(Session& session) : LayoutWindow(kYellow), m_session(session) {
    setObjectName(QStringLiteral("ArtTest"));
    setWindowTitle(QStringLiteral("Pictor"));
    setFixedSize(twipsToPixels(5205), twipsToPixels(6360));
    buildWidgets();
    setFocusOrder();
    showModeControls(SessionMode::MakeArt);
    keepCentred(this);
}

void SetupScreen::buildWidgets() {
    SetupWidgets& u = m_ui;
    u.Label1 = addLabel(this, "Label1", QStringLiteral("Pictor"), tw(720, 120, 2295, 615));
    u.Label1->setFont(layoutFont(kTitleFamily, 24));
    u.Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setTextColour(u.Label1, QColor(255, 0, 0));

    u.MakeArtOption = new QRadioButton(QStringLiteral("Make Art"), this);
    u.MakeArtOption->setObjectName(QStringLiteral("MakeArtOption"));
    // The options are wider than the layout's 975 twips: the substitute font
    // and the indicator need more, and the space to their right is free.
    u.MakeArtOption->setGeometry(tw(3720, 240, kModeOptionWidth, 195));
    u.JudgeArtOption = new QRadioButton(QStringLiteral("Judge Art"), this);
    u.JudgeArtOption->setObjectName(QStringLiteral("JudgeArtOption"));
    u.JudgeArtOption->setGeometry(tw(3720, 600, kModeOptionWidth, 195));
    auto* modes = new QButtonGroup(this);
    modes->setObjectName(QStringLiteral("modeGroup"));
    for (QRadioButton* option : {u.MakeArtOption, u.JudgeArtOption}) {
        option->setFont(sansFont());
        modes->addButton(option);
    }
    u.MakeArtOption->setChecked(true);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setGeometry(0, twipsToPixels(960), twipsToPixels(7560), 1);

    u.Label4 = boldLabel(this, "Label4", QStringLiteral("Set Number of Trials"), tw(120, 1200, 1815, 255));
    u.HScroll1 = addSlider(this, "HScroll1", 1, kMaxTrials, kDefaultTrials, 1, 10, tw(2040, 1200, 1095, 255));
    u.Label5 = valueBox(this, "Label5", QString::number(kDefaultTrials), tw(3120, 1200, 495, 255));
    u.Label2 =
        boldLabel(this, "Label2", QStringLiteral("Enter Subject's 4 Digit Code"), tw(120, 1680, 2415, 255));
    u.Text1 = addTextBox(this, "Text1", QStringLiteral("0001"), tw(2880, 1680, 855, 270));
    u.Label8 =
        boldLabel(this, "Label8", QStringLiteral("Enter Directory For Data Files"), tw(120, 2160, 2655, 255));
    u.DataDir = addTextBox(this, "DataDir", m_session.defaultDataFolder(), tw(2880, 2160, 2175, 300));
    u.DataDir->setCursorPosition(0);
    u.Label6 = boldLabel(this, "Label6", QStringLiteral("Judgement Delay Time"), tw(120, 2640, 1935, 255));
    u.HScroll2 = addSlider(this, "HScroll2", 0, kMaxJudgeDelay, 0, 1, 1, tw(2160, 2640, 975, 255));
    u.Label3 = valueBox(this, "Label3", QStringLiteral("0"), tw(3120, 2640, 495, 255));

    const QString force = QStringLiteral("Force Judgement On");
    u.Check1 = boldCheck(this, "Check1", force, tw(120, 3120, 2175, 255), true);
    u.Text1a = addTextBox(this, "Text1a", QStringLiteral("Pleasing"), tw(2280, 3120, 1335, 285));
    u.Text1b = addTextBox(this, "Text1b", QStringLiteral("Displeasing"), tw(3720, 3120, 1335, 285));
    u.Check2 = boldCheck(this, "Check2", force, tw(120, 3480, 2175, 495), true);
    u.Text2a = addTextBox(this, "Text2a", QStringLiteral("Interesting"), tw(2280, 3600, 1335, 285));
    u.Text2b = addTextBox(this, "Text2b", QStringLiteral("Uninteresting"), tw(3720, 3600, 1335, 285));
    u.Check3 = boldCheck(this, "Check3", force, tw(120, 3960, 2175, 495), true);
    u.Text3a = addTextBox(this, "Text3a", QStringLiteral("Complex"), tw(2280, 4080, 1335, 285));
    u.Text3b = addTextBox(this, "Text3b", QStringLiteral("Simple"), tw(3720, 4080, 1335, 285));
    u.Label7 =
        addLabel(this, "Label7",
                 QStringLiteral("Note:   One can enter alternative terms for any of the three scales."),
                 tw(120, 4560, 4935, 255));
    u.Check4 = boldCheck(this, "Check4", QStringLiteral("Force Setting Change Before New Image Creation"),
                         tw(120, 4920, 4935, 300), true);
    u.Check5 = boldCheck(this, "Check5", QStringLiteral("Hide Image Creation Settings After Image Created"),
                         tw(120, 5280, 5055, 300), false);
    u.Command1 = addButton(this, "Command1", QStringLiteral("Make Art"), tw(120, 5760, 1215, 495));
    u.Command2 = addButton(this, "Command2", QStringLiteral("Judge Art"), tw(3840, 5760, 1215, 495));
    u.Command2->hide();
    u.notes = new NoteBox(this);
    u.notes->setObjectName(QStringLiteral("notes"));
    u.notes->setFont(sansFont());
    // Names a screen reader can tell apart.
    u.HScroll1->setAccessibleName(u.Label4->text());
    u.HScroll2->setAccessibleName(u.Label6->text());
    for (int k = 1; k <= 3; ++k)
        (k == 1   ? u.Check1
         : k == 2 ? u.Check2
                  : u.Check3)
            ->setAccessibleName(QStringLiteral("Force Judgement On scale %1").arg(k));

    connect(u.HScroll1, &QScrollBar::valueChanged, u.Label5,
            [label = u.Label5](int v) { label->setText(QString::number(v)); });
    connect(u.HScroll2, &QScrollBar::valueChanged, u.Label3,
            [label = u.Label3](int v) { label->setText(QString::number(v)); });
    connect(u.JudgeArtOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on) showModeControls(SessionMode::JudgeArt);
    });
    connect(u.MakeArtOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on) showModeControls(SessionMode::MakeArt);
    });
    connect(u.Text1, &QLineEdit::textChanged, this, &SetupScreen::codeChanged);
    for (QLineEdit* text : {u.Text1, u.DataDir, u.Text1a, u.Text1b, u.Text2a, u.Text2b, u.Text3a, u.Text3b})
        connect(text, &QLineEdit::textChanged, this, &SetupScreen::updateNotes);
    for (QCheckBox* box : {u.Check1, u.Check2, u.Check3})
        connect(box, &QCheckBox::toggled, this, &SetupScreen::updateNotes);
    connect(u.Text1, &QLineEdit::returnPressed, this, &SetupScreen::codeEntered);
    connect(u.Command1, &QPushButton::clicked, this, [this] { startSession(SessionMode::MakeArt); });
    connect(u.Command2, &QPushButton::clicked, this, [this] { startSession(SessionMode::JudgeArt); });
}

void SetupScreen::setFocusOrder() {
    const SetupWidgets& u = m_ui;
    QWidget* order[] = {u.Command1,       u.Command2, u.HScroll1, u.Text1,  u.HScroll2,
                        u.MakeArtOption,  u.Check1,   u.Check2,   u.Check3, u.Text1a,
                        u.Text2a,         u.Text3a,   u.Text1b,   u.Text2b, u.Text3b,
                        u.JudgeArtOption, u.Check4,   u.Check5,   u.DataDir};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    u.Command1->setFocus();
}

SessionSettings SetupScreen::settings(SessionMode mode) const {
    SessionSettings s;
    s.mode = mode;
    s.subjectCode = m_ui.Text1->text();
    s.dataFolder = m_ui.DataDir->text();
    s.trials = m_ui.HScroll1->value();
    s.judgeDelay = m_ui.HScroll2->value();
    const QLineEdit* terms[3][2] = {
        {m_ui.Text1a, m_ui.Text1b}, {m_ui.Text2a, m_ui.Text2b}, {m_ui.Text3a, m_ui.Text3b}};
    const QCheckBox* forced[3] = {m_ui.Check1, m_ui.Check2, m_ui.Check3};
    for (std::size_t k = 0; k < 3; ++k)
        s.scales[k] = {terms[k][0]->text(), terms[k][1]->text(), forced[k]->isChecked()};
    s.forceSettingChange = m_ui.Check4->isChecked();
    s.hideSettings = m_ui.Check5->isChecked();
    return s;
}

void SetupScreen::showModeControls(SessionMode mode) {
    const bool making = mode == SessionMode::MakeArt;
    m_ui.Command2->setVisible(!making);
    for (QWidget* w : std::initializer_list<QWidget*>{m_ui.Command1, m_ui.HScroll1, m_ui.Label4, m_ui.Label5,
                                                      m_ui.Check4, m_ui.Check5})
        w->setVisible(making);
    const QRect notes = making ? kMakeArtNotes : kJudgeArtNotes;
    m_ui.notes->setGeometry(tw(notes.x(), notes.y(), notes.width(), notes.height()));
    updateNotes();
}

void SetupScreen::updateNotes() {
    const SessionMode mode = m_ui.MakeArtOption->isChecked() ? SessionMode::MakeArt : SessionMode::JudgeArt;
    const SessionSettings s = settings(mode);
    // The path exactly as the session builds it; a relative one is where it lands from here.
    const QString path = dataFilePath(s.dataFolder, s.subjectCode,
                                      mode == SessionMode::MakeArt ? kArtFile : kJudgeResultsFile);
    QList<NoteBox::Note> notes{{QStringLiteral("First data file: ") +
                                    (QDir::isAbsolutePath(path) ? path : QDir::current().filePath(path)),
                                Qt::black}};
    for (const QString& warning : MainScreen::termWarnings(s)) notes.append({warning, QColor(176, 0, 0)});
    m_ui.notes->setNotes(notes);
}

void SetupScreen::codeChanged() {
    if (m_ui.Text1->text().size() > 4) m_ui.Text1->setText(QStringLiteral("0000"));
}

void SetupScreen::codeEntered() {
    if (Status valid = checkSubjectCode(m_ui.Text1->text()); !valid.isOk())
        showProblem(this, valid.message());
}

void SetupScreen::startSession(SessionMode mode) {
    if (m_session.mainScreen() || m_asking) return;  // a session has started, or a question is open
    const SessionSettings chosen = settings(mode);
    const StartDecision decision = m_session.decideStart(chosen);
    switch (decision.outcome) {
    case StartDecision::Outcome::Refused: showProblem(this, decision.refusal.message()); return;
    case StartDecision::Outcome::Ready: beginSession(); return;
    case StartDecision::Outcome::AskToReplace: break;
    }
    QString files;
    for (const QString& path : decision.replace) files += QStringLiteral("\n    ") + path;
    const QString question =
        QStringLiteral(
            "Subject %1 has the files of a session that did not finish:%2\n\nReplace them? They are "
            "deleted before the first picture, and what they hold is lost.")
            .arg(chosen.subjectCode, files);
    m_asking = true;
    askToConfirm(
        this, question, QStringLiteral("Replace"),
        [this] {
            m_asking = false;
            beginSession();
        },
        [this] {
            m_asking = false;
            m_session.cancelStart();
        });
}

void SetupScreen::beginSession() {
    if (Status s = m_session.beginSession(); !s.isOk()) {
        showProblem(this, s.message() + QStringLiteral("\n\nThe session has not started."));
        return;
    }
    m_session.mainScreen()->show();
    m_session.mainScreen()->activateWindow();
    hide();
}

void SetupScreen::closeEvent(QCloseEvent* event) {
    event->accept();
    m_session.endProgram(0);
}

#include "moc_setup_screen.cpp"
