// The recording remote's pictures, painted with QPainter like the rest of
// the program's artwork: the skin (236), a rounded console on pure green
// whose green the window leaves out, and the button faces (237 ... 245) for
// the mouse over and away, on pure green (black for Close). The places of
// the remote's controls on the skin live here too, so that a redrawn skin
// and its controls move together.
#pragma once

#include <QImage>
#include <QRect>

namespace remote_artwork {

// Where the remote's controls sit on the skin, in skin pixels.
QRect LevelBarRect(bool right);
QRect ButtonRect(int controlId);  // IDC_REMOTE_RECORD, _STOP, _PREVIEW, _CLOSE

// The picture with resource number `resourceId` (IDB_REMOTE_*, IDI_RECORD);
// a null image for any other number.
QImage Picture(int resourceId);

}  // namespace remote_artwork
