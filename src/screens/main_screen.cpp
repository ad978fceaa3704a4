#include "screens/main_screen.h"

#include "screens/session.h"
#include "widgets/canvas_widget.h"
#include "widgets/centring.h"
#include "widgets/message.h"
#include "widgets/widget_factory.h"
#include "widgets/wrapping_radio_button.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace {

struct ScalePosition {
    int left;
    int width;
};
constexpr std::array<ScalePosition, 8> kScalePositions = {
    {{0, 0}, {120, 1455}, {1680, 1335}, {3120, 1335}, {4560, 975}, {5640, 1335}, {7080, 1335}, {8520, 1335}}};

constexpr int kCaptionHeight = 480;
constexpr int kOptionHeight = 495;
const QRect kPromptBox(7800, 5160, 1815, 615);  // Label10, in twips
QFont promptFont() { return sansFont(9.75, true); }

// The caption of option i (1..7) of a scale.
QString optionCaption(const ScaleSettings& terms, int i) {
    switch (i) {
    case 1: return QStringLiteral("Extremely ") + terms.left;
    case 2: return QStringLiteral("Very ") + terms.left;
    case 3: return terms.left;
    case 5: return terms.right;
    case 6: return QStringLiteral("Very ") + terms.right;
    case 7: return QStringLiteral("Extremely ") + terms.right;
    default: return QStringLiteral("Average");
    }
}

QLabel* panelLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    QLabel* label = addLabel(parent, name, text, geometry);
    setBackground(label, QGuiApplication::palette().color(QPalette::Button));
    return label;
}

QLabel* valueLabel(QWidget* parent, const char* name, QRect geometry) {
    QLabel* label = panelLabel(parent, name, QStringLiteral("6"), geometry);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

}  // namespace

MainScreen::MainScreen(Session& session, ActiveSession& active)
    : LayoutWindow(QColor(128, 128, 128)), m_session(session), m_settings(active.settings) {
    setObjectName(QStringLiteral("Mainn"));
    setWindowTitle(QStringLiteral("Make Art !"));
    setFixedSize(twipsToPixels(9960), twipsToPixels(6855));
    buildWidgets();
    setFocusOrder();
    m_run = TrialRun::create(
        active, RunContext{session.clock(), session.random(), [] { return std::make_unique<QtTimer>(); }},
        *this);
    connect(m_run.get(), &TrialRun::finished, this, [this] {
        // A message about the timing file is read before the program ends.
        if (m_timingMessage)
            connect(m_timingMessage, &QDialog::finished, this, [this] { m_session.endProgram(0); });
        else
            m_session.endProgram(0);
    });
    connect(m_run.get(), &TrialRun::failed, this, &MainScreen::stopAfterFailure);
    connect(m_run.get(), &TrialRun::timingFailed, this, [this](const Status& status) {
        m_timingMessage = showProblem(
            this,
            status.message() + QStringLiteral("\n\nThe session goes on: the ratings are still saved in the "
                                              "data files; only the times the pictures reached the "
                                              "screen are no longer written."));
    });
    // After the paint event, once the backing store has been flushed.
    connect(m_ui.Picture1, &CanvasWidget::painted, this, &MainScreen::canvasFlushed, Qt::QueuedConnection);
    for (QWidget* start : {static_cast<QWidget*>(m_ui.Command1), static_cast<QWidget*>(m_ui.Command2)})
        start->installEventFilter(this);
    startUp();
}

MainScreen::~MainScreen() = default;

void MainScreen::buildWidgets() {
    MainWidgets& u = m_ui;
    const QRect canvas = tw(360, 120, 7125, 5685);
    u.Picture1 = new CanvasWidget(canvas.size(), QColor(kPictureGrey), this);
    u.Picture1->setObjectName(QStringLiteral("Picture1"));
    u.Picture1->setAccessibleName(QStringLiteral("Picture"));
    u.Picture1->move(canvas.topLeft());

    u.Label9 = panelLabel(this, "Label9", QStringLiteral("Ruz Avevu"), tw(7800, 120, 1815, 375));
    u.Label9->setFont(sansFont(13.5, true));
    u.Label9->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    const char* captionNames[] = {"Label5", "Label6", "Label7", "Label8"};
    const char* valueNames[] = {"Label1", "Label2", "Label3", "Label4"};
    const char* sliderNames[] = {"HScroll1", "HScroll2", "HScroll3", "HScroll4"};
    const QString captions[] = {
        QStringLiteral("Total Number of     Objects"), QStringLiteral("Number of Different Shapes"),
        QStringLiteral("Number Of Different Sizes"), QStringLiteral("Number Of Different Colours")};
    for (int n = 1; n <= 4; ++n) {
        const int top = 720 + (n - 1) * 840;  // caption rows at 720, 1560, 2400, 3240
        // The layout's 495-twip captions reach a pixel into the slider row;
        // an overlap that Qt's X11 painting leaves blank when the panel is
        // hidden and shown again. 480 twips end at the slider's top.
        u.Label[n + 4] =
            panelLabel(this, captionNames[n - 1], captions[n - 1], tw(7800, top, 1815, kCaptionHeight));
        u.HScroll[n] = addSlider(this, sliderNames[n - 1], 1, 12, 6, 1, 1, tw(7800, top + 480, 1215, 255));
        u.HScroll[n]->setAccessibleName(captions[n - 1].simplified());
        u.Label[n] = valueLabel(this, valueNames[n - 1], tw(9000, top + 480, 615, 255));
        connect(u.HScroll[n], &QScrollBar::valueChanged, this, [this, n] { sliderChanged(n); });
    }

    u.Command2 = addButton(this, "Command2", QStringLiteral("View Picture"), tw(7800, 4080, 1815, 375));
    u.Command2->hide();
    u.Command2->setEnabled(false);
    u.Command1 = addButton(this, "Command1", QStringLiteral("Make Picture"), tw(7800, 4560, 1815, 495));
    u.Command1->setFont(sansFont(9.75, true));

    u.Label10 = addLabel(this, "Label10", QStringLiteral("Change Setting(s)"),
                         tw(kPromptBox.x(), kPromptBox.y(), kPromptBox.width(), kPromptBox.height()));
    u.Label10->setFont(promptFont());
    u.Label10->setAlignment(Qt::AlignCenter);
    setBoxBorder(u.Label10);
    setBackground(u.Label10, Qt::black);
    setTextColour(u.Label10, Qt::white);
    u.Label10->hide();

    u.Command3 = addButton(this, "Command3", QStringLiteral("Rate !"), tw(120, 6000, 9735, 375));
    u.Command3->setFont(sansFont(9.75, true));
    u.Command3->hide();
    u.Command3->setEnabled(false);

    u.scaleGroup = new QButtonGroup(this);
    u.scaleGroup->setObjectName(QStringLiteral("scaleGroup"));
    const char* arrayNames[] = {"Ple", "Int", "Com"};
    std::array<WrappingRadioButton*, 8>* arrays[] = {&u.Ple, &u.Int, &u.Com};
    for (int k = 0; k < 3; ++k) {
        for (int i = 1; i <= 7; ++i) {
            auto* option = new WrappingRadioButton(i == 4 ? QStringLiteral("Average") : QString(), this);
            option->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(arrayNames[k])).arg(i));
            option->setGeometry(tw(kScalePositions[i].left, 6240, kScalePositions[i].width, kOptionHeight));
            option->setFont(sansFont());
            option->hide();
            u.scaleGroup->addButton(option, (k + 1) * 10 + i);
            (*arrays[k])[i] = option;
            connect(option, &QAbstractButton::toggled, this, [this, k, i](bool checked) {
                if (checked) m_run->optionSelected(k + 1, i);
            });
        }
    }

    connect(u.Command1, &QPushButton::clicked, this, &MainScreen::makePicturePressed);
    connect(u.Command2, &QPushButton::clicked, this, &MainScreen::viewPicturePressed);
    connect(u.Command3, &QPushButton::clicked, this, [this] { m_run->ratePressed(); });
}

void MainScreen::setFocusOrder() {
    const MainWidgets& u = m_ui;
    QList<QWidget*> order{u.Command1, u.HScroll[1], u.HScroll[2], u.HScroll[3], u.HScroll[4], u.Picture1};
    for (int k = 1; k <= 3; ++k)
        for (int i = 1; i <= 7; ++i) order.append(u.scale(k)[i]);
    order.append(u.Command2);
    order.append(u.Command3);
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void MainScreen::captionScales() {
    for (int k = 1; k <= 3; ++k) {
        for (int i = 1; i <= 7; ++i) {
            WrappingRadioButton* option = m_ui.scale(k)[i];
            option->setText(optionCaption(m_settings.scale(k), i));
            // A screen reader says where the option stands on its scale.
            option->setAccessibleName(QStringLiteral("%1, %2 of 7").arg(option->text().simplified()).arg(i));
        }
    }
}

QStringList MainScreen::termWarnings(const SessionSettings& settings) {
    const WrappingRadioButton option;  // never shown: it measures as the scale options do
    const QFont optionFont = sansFont();
    const int optionHeight = twipsToPixels(kOptionHeight);
    const int promptWidth = twipsToPixels(kPromptBox.width());
    const int promptHeight = twipsToPixels(kPromptBox.height()) - 2;  // inside its one-pixel border
    QStringList warnings;
    for (int k = 1; k <= 3; ++k) {
        const ScaleSettings& terms = settings.scale(k);
        if (!terms.forced) continue;  // never shown
        for (const int first : {1, 5}) {
            // The option of the term with the largest shortfall names what it needs.
            int needed = 0;
            int has = 0;
            for (int i = first; i < first + 3; ++i) {
                const int width = twipsToPixels(kScalePositions[static_cast<std::size_t>(i)].width);
                const int fit =
                    widthToWrap(optionFont, optionCaption(terms, i), optionHeight, option.textMargin());
                if (fit - width > needed - has) {
                    needed = fit;
                    has = width;
                }
            }
            if (needed > has)
                warnings << QStringLiteral("\"%1\" is too long for its options: they need %2 pixels, not %3.")
                                .arg(first == 1 ? terms.left : terms.right)
                                .arg(needed)
                                .arg(has);
        }
        const int prompt =
            widthToWrap(promptFont(), QStringLiteral("Consider How ") + terms.left, promptHeight, 2);
        if (prompt > promptWidth)
            warnings << QStringLiteral(
                            "\"%1\" is too long for the \"Consider How\" box: it needs %2 pixels, not %3.")
                            .arg(terms.left)
                            .arg(prompt)
                            .arg(promptWidth);
    }
    return warnings;
}

void MainScreen::startUp() {
    keepCentred(this);
    captionScales();
    const bool making = m_settings.mode == SessionMode::MakeArt;
    m_ui.Command2->setVisible(!making);
    m_ui.Command2->setEnabled(!making);
    if (making) m_ui.Label10->show();
    if (m_settings.forceSettingChange)
        m_ui.Command1->hide();
    else
        m_ui.Label10->setText(QString());
    if (!making) {
        setWindowTitle(QStringLiteral("Judge Art"));
        for (int n = 1; n <= 4; ++n) m_ui.HScroll[n]->hide();
        for (int n = 1; n <= 8; ++n) m_ui.Label[n]->hide();
        m_ui.Label9->setText(QStringLiteral("Judge Art"));
        m_ui.Command1->hide();
    }
}

void MainScreen::sliderChanged(int n) {
    m_ui.Label[n]->setText(QString::number(m_ui.HScroll[n]->value()));
    m_ui.Command1->show();
    m_ui.Label10->setText(QString());
}

void MainScreen::makePicturePressed() {
    if (m_settings.mode == SessionMode::MakeArt) m_run->startTrial();
}

void MainScreen::viewPicturePressed() {
    if (m_settings.mode == SessionMode::JudgeArt) m_run->startTrial();
}

Canvas& MainScreen::canvas() { return *m_ui.Picture1; }

void MainScreen::awaitPresentation(PresentationFeedback::Done done) {
    // From the window system after the next flush, or unknown when the
    // picture box is not painted in time (a window hidden or covered).
    const int id = ++m_lastAwaited;
    m_awaitingFlush.append({id, std::move(done)});
    QTimer::singleShot(kPresentationWaitMs, this, [this, id] {
        for (qsizetype i = 0; i < m_awaitingFlush.size(); ++i) {
            if (m_awaitingFlush[i].first != id) continue;
            FramePresentation notPainted;
            notPainted.source =
                QStringLiteral("the picture was not painted within %1 ms").arg(kPresentationWaitMs);
            m_awaitingFlush.takeAt(i).second(notPainted);
            return;
        }
    });
}

void MainScreen::canvasFlushed() {
    for (auto& [id, done] : std::exchange(m_awaitingFlush, {}))
        m_session.presentation().afterFlush(windowHandle(), std::move(done));
}

bool MainScreen::eventFilter(QObject* watched, QEvent* event) {
    // While a start button is shown, the subject may start a picture at any moment.
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
        m_session.presentation().setFlushExpected(windowHandle(),
                                                  m_ui.Command1->isVisible() || m_ui.Command2->isVisible());
    return LayoutWindow::eventFilter(watched, event);
}

void MainScreen::setMakePictureVisible(bool visible) { m_ui.Command1->setVisible(visible); }

void MainScreen::setSlidersVisible(bool visible) {
    for (int n = 1; n <= 4; ++n) m_ui.HScroll[n]->setVisible(visible);
}

void MainScreen::setSliderLabelsVisible(bool visible) {
    for (int n = 1; n <= 8; ++n) m_ui.Label[n]->setVisible(visible);
}

void MainScreen::setInstruction(const QString& text) { m_ui.Label10->setText(text); }

CompositionSettings MainScreen::sliderValues() const {
    return {m_ui.HScroll[1]->value(), m_ui.HScroll[2]->value(), m_ui.HScroll[3]->value(),
            m_ui.HScroll[4]->value()};
}

void MainScreen::setViewPictureVisible(bool visible) { m_ui.Command2->setVisible(visible); }

void MainScreen::setInstructionVisible(bool visible) { m_ui.Label10->setVisible(visible); }

void MainScreen::showPrompt(const QString& text) {
    m_ui.Label10->setVisible(true);
    m_ui.Label10->setText(text);
}

void MainScreen::showRateButton(const QString& caption) {
    m_ui.Command3->setText(caption);
    m_ui.Label10->setText(QString());
    m_ui.Command3->setVisible(true);
    m_ui.Command3->setEnabled(true);
}

void MainScreen::hideRateButton() {
    m_ui.Command3->setVisible(false);
    m_ui.Command3->setEnabled(false);
}

void MainScreen::showOptions(int scale) {
    for (int i = 1; i <= 7; ++i) {
        m_ui.scale(scale)[i]->setEnabled(true);
        m_ui.scale(scale)[i]->setVisible(true);
    }
}

void MainScreen::clearOptions(int scale) {
    // Deselecting is only possible with the group's exclusivity off.
    m_ui.scaleGroup->setExclusive(false);
    for (int i = 1; i <= 7; ++i) {
        m_ui.scale(scale)[i]->setEnabled(false);
        m_ui.scale(scale)[i]->setVisible(false);
        m_ui.scale(scale)[i]->setChecked(false);
    }
    m_ui.scaleGroup->setExclusive(true);
}

void MainScreen::stopAfterFailure(const Status& status) {
    m_ui.Command1->hide();
    m_ui.Command2->hide();
    m_ui.Command3->hide();
    for (int n = 1; n <= 4; ++n) m_ui.HScroll[n]->hide();
    m_ui.Label10->setText(QStringLiteral("Session stopped"));
    m_ui.Label10->show();
    showProblem(this,
                status.message() + QStringLiteral("\n\nThe session has been stopped. ") +
                    m_session.active()->files.keptSentence(),
                [this] { m_session.endProgram(1); });
}

void MainScreen::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (m_session.hasEnded()) {
        event->accept();
        return;
    }
    if (!m_run->isUnderWay()) {
        m_run->abandon();  // the record says the session ended before its first trial
        m_session.endProgram(0);
        return;
    }
    if (m_closing) return;  // the question is already on the screen
    m_closing = true;
    const int trial = m_run->trialNo();
    QString question = QStringLiteral(
                           "A session is under way: %1 of %2 trials are done.\n\nEnd it now? Every finished "
                           "trial is saved in the data files, so nothing is lost.")
                           .arg(trial)
                           .arg(m_run->plannedTrials());
    if (m_run->trialInProgress()) {
        // Make Art has stored the picture on the screen as it drew it.
        const QString lost =
            m_settings.mode == SessionMode::MakeArt
                ? QStringLiteral(
                      "Its picture is already in the picture store, %1, but its ratings are not saved.")
                      .arg(m_session.active()->files.path(kArtFile))
                : QStringLiteral("Its ratings are not saved.");
        question =
            QStringLiteral("A session is under way: trial %1 of %2 is on the screen.\n\nEnd it now? %3%4")
                .arg(trial)
                .arg(m_run->plannedTrials())
                .arg(lost, trial > 1 ? QStringLiteral(" The trials finished before it stay saved in the "
                                                      "data files.")
                                     : QString());
    }
    askToConfirm(
        this, question, QStringLiteral("End Session"),
        [this] {
            m_run->abandon();
            m_session.endProgram(0);
        },
        [this] { m_closing = false; });
}

#include "moc_main_screen.cpp"
