#pragma once

#include <QString>

#include <stdexcept>

// The one exception type of the database engine layer. Its text is the failing component's
// name, ": " and the engine's message, e.g. "EmpfQuery: no such column: Nme".
class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const QString& message);
    EDatabaseError(const QString& component, const QString& engineMessage);
    QString message() const { return QString::fromUtf8(what()); }
};
