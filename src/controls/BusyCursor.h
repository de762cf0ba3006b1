#pragma once

#include "desktop/ScreenCursor.h"

// Shows the hourglass for its lifetime and then puts back the cursor that was there before, so
// nested busy routines leave the outer one's hourglass standing.
class BusyCursor {
public:
    BusyCursor() : m_before(ScreenCursor::current()) { ScreenCursor::set(CursorShape::Hourglass); }
    ~BusyCursor() { ScreenCursor::set(m_before); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    CursorShape m_before;
};
