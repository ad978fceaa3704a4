#pragma once

// The experimenter's screen: subject code, number of trials, judgement
// delay, the three rating scales, the picture-making options, the data
// folder and the mode. A start button captures all of it once as the
// session's settings, asks what the core decides about the start, and
// opens the main screen; the screen is hidden for good after a start.

#include "core/session_settings.h"

#include "widgets/layout_window.h"

class NoteBox;
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
    // Beside the start button: the first data file's full path, and any
    // scale term too long for the main screen.
    NoteBox* notes = nullptr;
};

class SetupScreen final : public LayoutWindow {
    Q_OBJECT
public:
    explicit SetupScreen(Session& session);

    const SetupWidgets& ui() const { return m_ui; }

    // Everything the screen holds, as a start in `mode` captures it.
    SessionSettings settings(SessionMode mode) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();
    void setFocusOrder();
    // The mode options show the controls of their mode.
    void showModeControls(SessionMode mode);
    // The notes say what a start in the chosen mode would do with what is typed now.
    void updateNotes();
    // A fifth character in the code field turns the code into "0000".
    void codeChanged();
    // Enter in the code field says at once whether a start would take the code.
    void codeEntered();
    // The start shared by both start buttons.
    void startSession(SessionMode mode);
    void beginSession();

    Session& m_session;
    SetupWidgets m_ui;
    bool m_asking = false;
};
