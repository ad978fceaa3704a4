#pragma once

// The program's command line: what a lab asks of the screen around the
// experiment. Everything is off unless asked for; the windows themselves
// are the same either way.
//
//   --backdrop[=COLOUR]   one plain window per screen covers the desktop and
//                         every other program during a session
//   --screen NAME|NUMBER  the windows go on that screen (numbers from 0, in
//                         the order the system lists its screens)

#include <QColor>
#include <QStringList>
#include <optional>

// The backdrop's colour unless one is given: the main screen's grey.
inline constexpr QRgb kBackdropGrey = 0xFF808080;

struct LabOptions {
    std::optional<QColor> backdrop;
    QString screen;  // as given; empty: the primary screen
};

enum class CommandAction { Run, Help, Version, Refuse };

// Reads the arguments that follow the program's name. Refuse comes with a
// one-line problem for standard error.
CommandAction readCommandLine(const QStringList& arguments, LabOptions* options, QString* problem);

// The index in `names` (the screens in the system's order) that the
// --screen option means: a number from 0, or a name in any case. -1 with a
// problem listing every screen when there is none such.
int chooseScreen(const QString& option, const QStringList& names, QString* problem);
