#pragma once

#include <QString>

// One entry of the recipient screen's sender choice.
struct TDBABSRecord {
    QString Firma;
    qint64 ID = 0;
};
