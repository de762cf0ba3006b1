#pragma once

#include <QString>
#include <QStringList>

// The processes that have file open, as "4711 (python3)", read from /proc; the calling process
// is left out, and so is every process whose folders it may not read. Any thread.
QStringList ProcessesHolding(const QString& file);
