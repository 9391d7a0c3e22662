// The profile's memory of the sound file formats: the last options chosen
// for each format (File Save of a file in that format writes it with them,
// Save As proposes them), and the two questions of File Save that the user
// can turn off.
#pragma once

#include "core/model/media_save_options.h"

// The last options stored for `format`, or its defaults; always in range.
MediaSaveOptions LoadMediaSaveOptions(MediaSaveFormat format);
// Keeps `options` as the last choice of its format. The stream's rate and
// channels are the document's, not a choice: they are not kept.
void StoreMediaSaveOptions(const MediaSaveOptions& options);

// Whether File Save asks before re-encoding a lossy file, and before
// writing a file in a lower quality than it had.
enum class SaveQuestion { kLossyReencode, kLowerQuality };
bool IsSaveQuestionOn(SaveQuestion question);
void SetSaveQuestionOn(SaveQuestion question, bool on);
