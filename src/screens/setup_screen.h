#pragma once

// The experimenter's screen: subject code, number of trials, judgement
// delay, the three rating scales, the picture-making options, the data
// folder and the mode. Its two start buttons fill the session record and
// open the main screen. It stays loaded, hidden, after the start: its
// widgets are the only store of the scale terms, the check boxes and the
// data folder, and the main screen reads them there.

#include "core/session_settings.h"

#include "widgets/layout_window.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class Session;

struct SetupWidgets {
    QLabel* Label1 = nullptr;
    QRadioButton* MakeArtOption = nullptr;
    QRadioButton* JudgeArtOption = nullptr;
    QLabel* Label4 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* DataDir = nullptr;
    QLabel* Label6 = nullptr;
    QScrollBar* HScroll2 = nullptr;
    QLabel* Label3 = nullptr;
    QCheckBox* Check1 = nullptr;
    QLineEdit* Text1a = nullptr;
    QLineEdit* Text1b = nullptr;
    QCheckBox* Check2 = nullptr;
    QLineEdit* Text2a = nullptr;
    QLineEdit* Text2b = nullptr;
    QCheckBox* Check3 = nullptr;
    QLineEdit* Text3a = nullptr;
    QLineEdit* Text3b = nullptr;
    QLabel* Label7 = nullptr;
    QCheckBox* Check4 = nullptr;
    QCheckBox* Check5 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
};

class SetupScreen final : public LayoutWindow {
    Q_OBJECT
public:
    explicit SetupScreen(Session& session);

    const SetupWidgets& ui() const { return m_ui; }

    // Everything the screen holds, as a start button would capture it.
    SessionSettings captureSettings(SessionMode mode) const;

    void Form_Load();
    void HScroll1_Change();
    void HScroll2_Change();
    void JudgeArtOption_Click();
    void MakeArtOption_Click();
    void Text1_Change();
    void Text1_KeyPress(int keyAscii);
    void Command1_Click();
    void Command2_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();
    void setFocusOrder();
    void setMakeArtControlsVisible(bool visible);
    // The start shared by both buttons; makeArt chooses the mode.
    void startSession(bool makeArt);
    void beginSession(const SessionSettings& settings, const QStringList& replace);

    Session& m_session;
    SetupWidgets m_ui;
    bool m_asking = false;
};
