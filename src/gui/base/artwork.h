// The program's pictures, drawn with QPainter whenever asked for: the
// splash bitmap, the Common Tasks header and task pictures and the
// preferences banner icon. They are painted rather than stored so that one
// palette (palette.h) and one hand shape them all. Pictures whose shape
// matters are drawn on pure green (0, 255, 0), the colour the windows showing
// them leave out.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QRgb>

#include "gui/base/palette.h"

// The colour that stands for "no picture here".
using palette::kPureGreen;

// The picture with resource number `resourceId` (IDB_SPLASH, IDB_COMMON_TASKS,
// IDB_TASK_*, IDI_PREFERENCES); a null image for any other number.
QImage ArtworkBitmap(int resourceId);

// The same picture with smooth edges and a true transparent background, for
// windows that draw it rather than cut themselves out of it.
QPixmap ArtworkPixmap(int resourceId);
QIcon ArtworkIcon(int resourceId);

// The program's own icon at `size` × `size` pixels, for the window and for
// the desktop's icon theme (written at the sizes below when installing).
QImage ApplicationIconImage(int size);
inline constexpr int kApplicationIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
