// CreateSkinRegion: the shape of a skinned window, made from its picture by
// leaving out the pixels of one colour (give or take a little, so that a
// picture saved with slight colour noise still cuts cleanly).
#pragma once

#include <QImage>
#include <QRegion>
#include <QRgb>

// The region of the pixels of `bitmap` outside the tolerance box of
// `transparent` (inside it when `inverted`), built from one-pixel-high
// rectangles, one per run of such pixels in a row. Empty for a null bitmap.
QRegion CreateSkinRegion(const QImage& bitmap, QRgb transparent, bool inverted = false);
