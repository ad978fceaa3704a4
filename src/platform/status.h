#pragma once

// The outcome of an operation that can fail for reasons outside the program
// (a file that cannot be written, a code that is not a number). Failures are
// returned as values so that every caller decides how the person at the desk
// hears about them; nothing in the program throws.

#include <QString>
#include <utility>

class Status {
public:
    Status() = default;  // success
    static Status ok() { return Status(); }
    static Status error(QString message) { return Status(std::move(message)); }

    bool isOk() const { return m_message.isEmpty(); }
    // A sentence fit for a message box; empty when isOk().
    const QString& message() const { return m_message; }

private:
    explicit Status(QString message) : m_message(std::move(message)) {
        if (m_message.isEmpty()) m_message = QStringLiteral("Unknown error.");
    }
    QString m_message;
};
