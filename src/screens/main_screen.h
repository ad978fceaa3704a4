#pragma once

// The window in which the subject works: the picture, the four composition
// sliders (Make Art), "Make Picture" or "View Picture", the instruction box,
// "Rate !" and the three rows of rating options. It owns the composition
// values the sliders set; the run of the session's mode, which it builds at
// start-up, keeps the trial counter and the results and drives the screen
// through the TrialView interface.

#include "platform/status.h"
#include "runs/trial_view.h"

#include <array>
#include <memory>
#include <optional>
#include "widgets/layout_window.h"

class CanvasWidget;
class TrialRun;
class QButtonGroup;
class QLabel;
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
    explicit MainScreen(Session& session);
    ~MainScreen() override;

    const MainWidgets& ui() const { return m_ui; }

    // Composition values: empty until first assigned, then 1..12.
    std::optional<std::int16_t> ObjectCount;
    std::optional<std::int16_t> ShapeCount;
    std::optional<std::int16_t> SizeCount;
    std::optional<std::int16_t> ColourCount;

    // Runs once, before the window is first shown. Fails, leaving the setup
    // screen untouched, when the picture store cannot be started.
    Status Form_Load();

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    // Slider n (1..4) changed value.
    void HScroll_Change(int n);

    // The run of the session's mode, built at start-up.
    TrialRun& run() { return *m_run; }

    // TrialView
    void showPrompt(const QString& text) override;
    void showRateButton(const QString& caption) override;
    void hideRateButton() override;
    void showOptions(int scale) override;
    void clearOptions(int scale) override;
    Canvas& canvas() override;
    void setMakePictureVisible(bool visible) override;
    void setSlidersVisible(bool visible) override;
    void setSliderLabelsVisible(bool visible) override;
    void setInstruction(const QString& text) override;
    CompositionSettings sliderValues() const override;
    void setViewPictureVisible(bool visible) override;
    void setInstructionVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();
    void setFocusOrder();
    void captionScales();
    // A data file could not be written: the controls go, the person at the
    // desk is told which file and why, and the program ends (status 1) once
    // the message is closed. Lines already written stay as they are.
    void stopAfterFailure(const Status& status);

    Session& m_session;
    MainWidgets m_ui;
    std::unique_ptr<TrialRun> m_run;
    bool m_closing = false;
};
