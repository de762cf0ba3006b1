#pragma once

// The program-wide screen cursor: the default arrow or the hourglass that a routine sets while it
// works. Shown through an application override cursor when a GUI application exists.
enum class CursorShape { Default, Hourglass };

namespace ScreenCursor {

void set(CursorShape shape);
CursorShape current();

} // namespace ScreenCursor

// Sets the hourglass for its lifetime and the default cursor again at its end.
class HourglassCursor {
public:
    HourglassCursor() { ScreenCursor::set(CursorShape::Hourglass); }
    ~HourglassCursor() { ScreenCursor::set(CursorShape::Default); }
    HourglassCursor(const HourglassCursor&) = delete;
    HourglassCursor& operator=(const HourglassCursor&) = delete;
};
