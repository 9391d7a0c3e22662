#include "core/model/sound_file_types.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr std::array<std::string_view, 17> kSound = {"wav", "tvf",  "mp3",  "flac", "ogg", "oga",
                                                     "opus", "m4a", "aac",  "aif",  "aiff", "aifc",
                                                     "w64", "caf", "wma", "mka", "webm"};
constexpr std::array<std::string_view, 5> kVideo = {"mp4", "mkv", "mov", "avi", "m4v"};

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::span<const std::string_view> SoundFileExtensions() { return kSound; }
std::span<const std::string_view> VideoFileExtensions() { return kVideo; }

bool HasOpenableSoundExtension(std::string_view name) {
  const size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = name.substr(dot + 1);
  return std::any_of(kSound.begin(), kSound.end(),
                     [extension](std::string_view known) { return EqualNoCase(known, extension); });
}
