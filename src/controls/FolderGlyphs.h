#pragma once

#include <QImage>

// The three 16 x 16 folder glyphs of the directory list box, with alpha; each glyph's leftmost
// column is drawn, so it starts exactly where it is placed.
enum class FolderGlyph { Open, Closed, Current };

QImage folderGlyph(FolderGlyph kind);
