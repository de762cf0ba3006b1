#pragma once

#include <QColor>

// The colour numbers that the forms are described with: blue, green and red bytes from high to
// low (14348015 is red 239, green 238, blue 218).
inline QColor colorFromNumber(quint32 number)
{
    return QColor(int(number & 0xFF), int((number >> 8) & 0xFF), int((number >> 16) & 0xFF));
}
