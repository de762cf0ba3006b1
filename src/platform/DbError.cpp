#include "platform/DbError.h"

EDatabaseError::EDatabaseError(const QString& message) : std::runtime_error(message.toStdString()) {}

EDatabaseError::EDatabaseError(const QString& component, const QString& engineMessage)
    : EDatabaseError(component + QStringLiteral(": ") + engineMessage)
{}
