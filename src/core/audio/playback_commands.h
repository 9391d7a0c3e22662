// The two cursor commands of the play-controls tool bar, Jump to Start and
// Jump to End. They only move the sound's cursor (and, where the cursor
// leaves the active layer, the active layer); the window's command handler
// calls them and then updates the document's views. Both do nothing while
// the sound plays, since the play position owns the cursor then.
#pragma once

#include "core/model/sound.h"

// Puts the cursor at 0, or, when no layer holds position 0, at the first
// layer's offset. False (nothing changed) while playing.
bool JumpToStart(CSound& sound);

// Puts the cursor on the last byte of the sound (length − 1; 0 for a sound
// without samples). False (nothing changed) while playing.
bool JumpToEnd(CSound& sound);
