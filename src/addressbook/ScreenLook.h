#pragma once

#include <QString>

class QAction;
class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;
class TFlatSB;

// The look shared by the address book's screens and dialogs: slate background, Verdana with a
// height of 11 pixels, white captions, data values in the accent yellow, flat edits with a
// black border (the required ones yellow).
namespace ScreenLook {

inline constexpr unsigned kBackground = 9730670;
inline constexpr unsigned kAccent = 51455;
inline constexpr unsigned kGroupFrame = 8623776;

// Background, font and caption colour for a screen or dialog and everything it holds.
void styleSurface(QWidget* widget);
QLabel* caption(const QString& text, QWidget* parent);
// A heading: bold and underlined, white or in the accent colour.
QLabel* heading(const QString& text, QWidget* parent, bool accent = false);
// The grid of caption and value pairs of a detail area, on a new widget inside parent.
QGridLayout* detailGrid(QWidget* parent);
// A flat edit that limits typing to limit characters (a loaded text stays whole).
QLineEdit* flatEdit(const QString& objectName, int limit, bool required, QWidget* parent);

} // namespace ScreenLook
