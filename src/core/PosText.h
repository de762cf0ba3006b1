#pragma once

#include <QString>

// 1-based position of the first occurrence of Sub in S at or after Start, comparing with ASCII
// case folding only (umlauts compare unchanged); 0 when there is none. A Start below 1 counts
// as 1. Keeps no state; safe on any thread.
int PosText(const QString& S, const QString& Sub, int Start);
