#pragma once

// The first window: the program's name, its purpose in one sentence, and
// "Begin", which opens the setup screen for the experimenter.

#include "widgets/layout_window.h"

class QLabel;
class QPushButton;
class Session;

class TitleScreen final : public LayoutWindow {
    Q_OBJECT
public:
    explicit TitleScreen(Session& session);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Opens the setup screen for the experimenter.
    void beginPressed();

    Session& m_session;
    QPushButton* m_begin = nullptr;
};
