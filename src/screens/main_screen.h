#pragma once

// The window in which the subject works: the picture, the four composition
// sliders (Make Art), "Make Picture" or "View Picture", the instruction box,
// "Rate !" and the three rows of rating options. It shows; the run of the
// session's mode, which it builds for the started session, keeps the trial
// counter and drives the screen through the TrialView interface. It also
// tells the window system's presentation feedback when the picture box has
// been flushed, and while a start button is shown that a picture may come.

#include "platform/presentation.h"
#include "platform/status.h"
#include "runs/trial_run.h"
#include "runs/trial_view.h"
#include "widgets/layout_window.h"

#include <QPointer>
#include <array>
#include <memory>

class CanvasWidget;
class QButtonGroup;
class QLabel;
class QMessageBox;
class QPushButton;
class QScrollBar;
class Session;
class WrappingRadioButton;

struct MainWidgets {
    CanvasWidget* Picture1 = nullptr;
    QLabel* Label9 = nullptr;
    std::array<QScrollBar*, 5> HScroll{};       // 1..4
    std::array<QLabel*, 9> Label{};             // 1..8: value boxes 1..4, captions 5..8
    QPushButton* Command1 = nullptr;            // "Make Picture"
    QPushButton* Command2 = nullptr;            // "View Picture"
    QLabel* Label10 = nullptr;                  // instruction box
    QPushButton* Command3 = nullptr;            // "Rate !"
    std::array<WrappingRadioButton*, 8> Ple{};  // 1..7
    std::array<WrappingRadioButton*, 8> Int{};
    std::array<WrappingRadioButton*, 8> Com{};
    QButtonGroup* scaleGroup = nullptr;

    // Scale 1 (Ple), 2 (Int) or 3 (Com).
    const std::array<WrappingRadioButton*, 8>& scale(int k) const {
        return k == 1 ? Ple : k == 2 ? Int : Com;
    }
};

class MainScreen final : public LayoutWindow, public TrialView {
    Q_OBJECT
public:
    // The started session must outlive the screen.
    MainScreen(Session& session, ActiveSession& active);
    ~MainScreen() override;

    const MainWidgets& ui() const { return m_ui; }

    // Each scale term of a rated scale that is too long for where this
    // screen shows it, its option buttons or the "Consider How " box, in the
    // fonts in use: a sentence naming it with the width it needs.
    static QStringList termWarnings(const SessionSettings& settings);
    // The run of the session's mode.
    TrialRun& run() { return *m_run; }

    // TrialView
    void showPrompt(const QString& text) override;
    void showRateButton(const QString& caption) override;
    void hideRateButton() override;
    void showOptions(int scale) override;
    void clearOptions(int scale) override;
    Canvas& canvas() override;
    void awaitPresentation(PresentationFeedback::Done done) override;
    void setMakePictureVisible(bool visible) override;
    void setSlidersVisible(bool visible) override;
    void setSliderLabelsVisible(bool visible) override;
    void setInstruction(const QString& text) override;
    CompositionSettings sliderValues() const override;
    void setViewPictureVisible(bool visible) override;
    void setInstructionVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWidgets();
    void setFocusOrder();
    // Once, before the window is first shown: centring, the scale captions
    // and the controls of the mode.
    void startUp();
    void captionScales();
    void makePicturePressed();
    void viewPicturePressed();
    // Slider n (1..4) changed value.
    void sliderChanged(int n);
    // A data file could not be written: the controls go, the person at the
    // desk is told which file and why, and the program ends (status 1) once
    // the message is closed. Lines already written stay as they are.
    void stopAfterFailure(const Status& status);
    // The picture box has been painted and flushed to the window.
    void canvasFlushed();

    Session& m_session;
    const SessionSettings& m_settings;
    MainWidgets m_ui;
    std::unique_ptr<TrialRun> m_run;
    QList<std::pair<int, PresentationFeedback::Done>> m_awaitingFlush;  // by number
    int m_lastAwaited = 0;
    QPointer<QMessageBox> m_timingMessage;
    bool m_closing = false;
};
