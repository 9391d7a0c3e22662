#include "core/model/media_tags.h"

#include <array>
#include <string>

extern "C" {
#include <libavutil/dict.h>
}

namespace {

constexpr std::string_view kTitleKeys[] = {"title"};
constexpr std::string_view kCommentKeys[] = {"comment", "description"};
constexpr std::string_view kCopyrightKeys[] = {"copyright"};
constexpr std::string_view kGenreKeys[] = {"genre"};
constexpr std::string_view kKeywordsKeys[] = {"keywords"};
constexpr std::string_view kArtistKeys[] = {"artist", "author", "album_artist", "performer"};
constexpr std::string_view kEngineerKeys[] = {"engineer"};
constexpr std::string_view kTechnicianKeys[] = {"technician", "encoded_by"};
constexpr std::string_view kSubjectKeys[] = {"subject"};

constexpr std::array<MediaTagKeys, kTagCount> kTable = {{
    {kTagTitle, kTitleKeys},
    {kTagComments, kCommentKeys},
    {kTagCopyright, kCopyrightKeys},
    {kTagGenre, kGenreKeys},
    {kTagKeywords, kKeywordsKeys},
    {kTagArtist, kArtistKeys},
    {kTagEngineer, kEngineerKeys},
    {kTagTechnician, kTechnicianKeys},
    {kTagSubject, kSubjectKeys},
}};

bool IsSet(const std::string& text) { return !text.empty() && text != kEmptyTag; }

std::string Cleaned(const char* value) {
  std::string text(value);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '\0')) text.pop_back();
  return text;
}

}  // namespace

std::span<const MediaTagKeys> MediaTagTable() { return kTable; }

void ReadMediaTags(std::span<AVDictionary* const> sources, TagSet* tags) {
  for (const MediaTagKeys& entry : kTable) {
    for (AVDictionary* metadata : sources) {
      if (metadata == nullptr) continue;
      for (std::string_view key : entry.keys) {
        // Keys are matched without regard to case: Vorbis comments are
        // usually upper case, ID3 and MP4 keys lower case.
        const AVDictionaryEntry* found = av_dict_get(metadata, std::string(key).c_str(), nullptr, 0);
        if (found == nullptr || found->value == nullptr) continue;
        std::string text = Cleaned(found->value);
        if (text.empty()) continue;
        (*tags)[static_cast<size_t>(entry.tag)] = std::move(text);
        break;
      }
    }
  }
}

bool WriteMediaTags(const TagSet& tags, MediaSaveFormat format, AVDictionary** metadata) {
  for (const MediaTagKeys& entry : kTable) {
    const std::string& text = tags[static_cast<size_t>(entry.tag)];
    if (!IsSet(text)) continue;
    if (av_dict_set(metadata, std::string(entry.keys.front()).c_str(), text.c_str(), 0) < 0) return false;
    // AIFF's text chunks: NAME, AUTH, (c) and ANNO, from title, author,
    // copyright and comment.
    if (format == MediaSaveFormat::kAiff && entry.tag == kTagArtist &&
        av_dict_set(metadata, "author", text.c_str(), 0) < 0)
      return false;
  }
  return true;
}
