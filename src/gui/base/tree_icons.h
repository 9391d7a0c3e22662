// The eleven images the explorer's tabs and trees share (drives, the
// standard folders, folders, sound files, favourites, the tabs), painted with
// QPainter in the palette and line of icon_painter.cpp, so that the explorer
// and the side panel look like one set.
#pragma once

#include <QIcon>

// The image of slot `slot` (a TreeImage), drawn at 16 and 32 pixels; a null
// icon for a number outside the slots.
QIcon TreeIcon(int slot);
