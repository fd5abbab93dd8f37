#pragma once
// Pictures of the tool bar and the windows. Drawn at the size and the screen's scale
// they are asked for, so that they stay sharp at 100, 150 and 200 %.

#include <QColor>
#include <QIcon>
#include <QString>

namespace ravlin {

// A letter or symbol on a coloured tile.
QIcon GlyphIcon(const QString& glyph, const QColor& colour);

}  // namespace ravlin
