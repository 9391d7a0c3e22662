// The names of the files the program opens as sound, by their extension:
// what the Open dialog's "All sound files" filter lists and what the
// explorer shows and searches for. Opening itself goes by a file's contents
// (see SoundDocument::Open); these lists only say which names to offer.
#pragma once

#include <span>
#include <string_view>

// Lower case, without the dot: the wave file, the layered document, MP3 and
// every sound file format FFmpeg reads that people keep sound in.
std::span<const std::string_view> SoundFileExtensions();
// Video containers whose first sound stream the program opens.
std::span<const std::string_view> VideoFileExtensions();

// Whether `name` ends in ".<one of SoundFileExtensions()>", in any case.
bool HasOpenableSoundExtension(std::string_view name);
