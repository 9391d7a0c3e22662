// The hand-over of a finished recording: the recording file's bytes become
// the one layer of a new document, read in pieces under a progress report.
// Nothing is rendered first and nothing else is asked of the program around
// it; the record dialog only calls this and reports the result. The take
// stays in the recording file whatever happens here, so a failed hand-over
// loses nothing that a later one could not still adopt.
#pragma once

#include <cstdint>

class ProgressReport;
class RecordingFile;
class SoundDocument;

enum class HandOverStatus {
  kHandedOver,
  kNotFresh,     // the document holds layers already; it was left alone
  kOutOfMemory,  // no room for the recording's samples
  kReadFailed,   // the recording file could not be read whole; systemError says why
  kCancelled,    // the progress report cancelled the reading
};

struct HandOverResult {
  HandOverStatus status = HandOverStatus::kHandedOver;
  // The new layer's length: the recording's whole frames.
  uint64_t bytes = 0;
  int systemError = 0;  // errno of a failed read, 0 when unknown
  bool ok() const { return status == HandOverStatus::kHandedOver; }
};

// Fills `document`, which must hold no layers yet, with one layer of the
// recording's whole frames in the working format, named as a new sound is
// ("(no name)", layer "Layer 1"), and marks it modified. `progress` is
// polled after every piece read, with the percentage read so far.
// @excsafety{Strong}: on failure the document is as it was.
[[nodiscard]] HandOverResult AdoptRecording(SoundDocument& document, const RecordingFile& file,
                                            ProgressReport& progress);
