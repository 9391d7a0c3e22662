// Text the sound keeps as bytes (tags, layer names) on its way to and from
// the screen. Files written by this program hold UTF-8; older files and
// other programs' files often hold Windows-1252, so bytes that are not valid
// UTF-8 are read as that code page instead of turning into replacement marks.
#pragma once

#include <QString>
#include <string>

QString DecodeStoredText(const std::string& bytes);
// What the program writes back: UTF-8.
std::string EncodeStoredText(const QString& text);
