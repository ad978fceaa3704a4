#include "core/lab_options.h"

CommandAction readCommandLine(const QStringList& arguments, LabOptions* options, QString* problem) {
    problem->clear();
    *options = LabOptions();
    if (arguments.size() == 1 &&
        (arguments[0] == QLatin1String("--help") || arguments[0] == QLatin1String("-h")))
        return CommandAction::Help;
    if (arguments.size() == 1 && arguments[0] == QLatin1String("--version")) return CommandAction::Version;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--backdrop")) {
            options->backdrop = QColor(kBackdropGrey);
        } else if (argument.startsWith(QLatin1String("--backdrop="))) {
            const QString name = argument.mid(11);
            const QColor colour = QColor::fromString(name);
            if (!colour.isValid()) {
                *problem = QStringLiteral(
                               "pictor: --backdrop: \"%1\" is not a colour; give a name such as "
                               "black or a value such as #404040.")
                               .arg(name);
                return CommandAction::Refuse;
            }
            options->backdrop = colour;
        } else if (argument == QLatin1String("--screen") || argument.startsWith(QLatin1String("--screen="))) {
            const bool joined = argument.size() > 8;
            options->screen = joined                     ? argument.mid(9)
                              : i + 1 < arguments.size() ? arguments[++i]
                                                         : QString();
            if (options->screen.isEmpty()) {
                *problem = QStringLiteral("pictor: --screen needs the name or number of a screen.");
                return CommandAction::Refuse;
            }
        } else {
            *problem = QStringLiteral(
                           "pictor: unknown option \"%1\"; pictor takes --backdrop[=COLOUR], "
                           "--screen NAME|NUMBER, --help or --version.")
                           .arg(argument);
            return CommandAction::Refuse;
        }
    }
    return CommandAction::Run;
}

int chooseScreen(const QString& option, const QStringList& names, QString* problem) {
    problem->clear();
    bool isNumber = false;
    const int number = option.toInt(&isNumber);
    if (isNumber && number >= 0 && number < names.size()) return number;
    for (int i = 0; i < names.size(); ++i)
        if (!isNumber && names[i].compare(option, Qt::CaseInsensitive) == 0) return i;
    QStringList listed;
    for (int i = 0; i < names.size(); ++i) listed << QStringLiteral("%1 \"%2\"").arg(i).arg(names[i]);
    *problem = QStringLiteral("pictor: there is no screen \"%1\"; the screens are %2.")
                   .arg(option, listed.join(", "));
    return -1;
}
