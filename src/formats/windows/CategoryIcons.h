#pragma once
// The catalog list's artwork, drawn rather than loaded: one 20 x 20 icon per category (a device
// outline or a disc, film or note in the category's colour) and the two expand/collapse glyphs.
#include <QPixmap>

namespace orvel {

inline constexpr int kCategoryIconSize = 20;

// Icon number = category index; an index outside the catalog gives an empty pixmap.
QPixmap CategoryIcon(int category);
// Glyph 0 marks a collapsed category, glyph 1 an expanded one.
QPixmap ExpandGlyph(bool expanded);

} // namespace orvel
