#include "platform/BusyGuard.h"

namespace {
bool g_held = false;
QString g_operation;
} // namespace

BusyGuard::BusyGuard(const QString& operation) : m_acquired(!g_held)
{
    if (m_acquired) {
        g_held = true;
        g_operation = operation;
    }
}

BusyGuard::~BusyGuard()
{
    if (m_acquired) {
        g_held = false;
        g_operation.clear();
    }
}

bool BusyGuard::held()
{
    return g_held;
}

QString BusyGuard::refusalText()
{
    QString running = QStringLiteral("Ein Vorgang");
    if (!g_operation.isEmpty())
        running = QStringLiteral("Der Vorgang \"") + g_operation + u'"';
    return running + QStringLiteral(" läuft noch.\r\nBitte warten Sie, bis er abgeschlossen ist.");
}
