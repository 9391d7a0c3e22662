// The side panel's icons, the zoom buttons' bitmaps and the layer properties
// banner's icon, painted with QPainter when first asked for. They are drawn
// from a few shapes in one palette so that they look like one set, and no
// image files have to travel with the program.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

// The icon with resource number `resourceId` (a PanelImage), drawn at 16 and
// 32 pixels. An unknown number gives a null icon.
QIcon PaintedIcon(int resourceId);

// A zoom button's 16 x 15 bitmap (IDB_ZOOM_*), drawn over `buttonFace` so
// that it blends into the button it sits on. An unknown number gives a null
// pixmap.
QPixmap PaintedZoomBitmap(int resourceId, const QColor& buttonFace);
