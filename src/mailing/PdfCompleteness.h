#pragma once

#include <QString>

// True when the PDF file was written to its end: it starts with the PDF header, ends with the
// trailer ("startxref", an offset, "%%EOF") and its cross-reference table stands at that
// offset (a table or a cross-reference stream), which a file that lost bytes on the way (a
// full disk) does not have.
bool IsCompletePdf(const QString& path);
