#include "core/subject.h"

Status checkSubjectCode(const QString& code) {
    bool digitsOnly = !code.isEmpty() && code.size() <= 4;
    for (QChar c : code) digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
    if (digitsOnly) return Status::ok();
    return Status::error(QStringLiteral("The subject's code \"%1\" cannot be used. Enter 1 to 4 digits "
                                        "(for example 0001); the code becomes part of the data file names.")
                             .arg(code));
}

double subjectNumber(const QString& code) {
    double value = 0;
    for (QChar c : code.trimmed()) {
        if (c < u'0' || c > u'9') break;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}
