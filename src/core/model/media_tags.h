// The nine tags of a sound and the metadata of the files FFmpeg reads and
// writes (Vorbis comments, ID3v2 frames, iTunes atoms, AIFF text chunks), as
// FFmpeg's metadata dictionary names them. One table maps both ways, so
// that a file we save and open again shows the tags it was saved with.
#pragma once

#include <span>
#include <string_view>

#include "core/model/media_save_options.h"
#include "core/model/sound.h"

struct AVDictionary;

struct MediaTagKeys {
  TagIndex tag;
  // The keys read for this tag, the first one present winning; the first is
  // also the one written.
  std::span<const std::string_view> keys;
};

// The table, in the tags' order.
std::span<const MediaTagKeys> MediaTagTable();

// Fills the tags from `metadata` (null reads as empty); a tag the file does
// not carry keeps its value. Later dictionaries in `sources` (a stream's, after
// the container's) win over earlier ones. Values are UTF-8, as FFmpeg gives
// them, with a trailing NUL or line break cut.
void ReadMediaTags(std::span<AVDictionary* const> sources, TagSet* tags);

// Adds every set tag (not empty, not the "(empty)" placeholder) to `*metadata`
// under its key for `format`; AIFF's author chunk takes the artist. Returns
// false when FFmpeg could not allocate.
[[nodiscard]] bool WriteMediaTags(const TagSet& tags, MediaSaveFormat format, AVDictionary** metadata);
