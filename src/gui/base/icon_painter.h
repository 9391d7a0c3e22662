// The side panel's icons, the zoom buttons' bitmaps, the layer properties
// banner's icon and the commands' icons of the tool bars and menus, painted
// with QPainter when first asked for. They are drawn from a few shapes in
// the program's palette (palette.h) so that they look like one set, and no
// image files have to travel with the program.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <functional>

#include "core/edit/command_id.h"

class QPainter;

// An icon drawn by `draw` on a 16-unit grid, at 16 and 32 pixels; a null
// icon when `draw` returns false (it knows no such picture). Every painted
// icon set of the program is made through this.
QIcon IconFromDrawing(const std::function<bool(QPainter&)>& draw);

// The icon with resource number `resourceId` (a PanelImage), drawn at 16 and
// 32 pixels. An unknown number gives a null icon.
QIcon PaintedIcon(int resourceId);

// A zoom button's 16 x 15 bitmap (IDB_ZOOM_*), drawn over `buttonFace` so
// that it blends into the button it sits on. An unknown number gives a null
// pixmap.
QPixmap PaintedZoomBitmap(int resourceId, const QColor& buttonFace);

// The icon of command `commandId` on the tool bars and in the menus (New,
// Open, Save, Explorer, Cut, Copy, Paste, Mix, Crop, Clipboard Manager and
// the play controls), drawn at 16 and 32 pixels; a null icon for any other
// command.
QIcon PaintedCommandIcon(CommandId commandId);
