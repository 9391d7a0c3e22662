// The recovery folder's index as text (see the header).
#include "core/model/recovery_index.h"

#include <charconv>

namespace {

constexpr std::string_view kHeader = "TVF recovery index 1";

std::string Escape(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '%') {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(std::string_view text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out->push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out->push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return true;
}

// Splits a line at its tabs; exactly `count` fields or false.
bool SplitFields(std::string_view line, std::string_view* fields, size_t count) {
  size_t start = 0;
  for (size_t i = 0; i < count; ++i) {
    const size_t tab = line.find('\t', start);
    const bool last = i + 1 == count;
    if (last != (tab == std::string_view::npos)) return false;
    fields[i] = line.substr(start, last ? std::string_view::npos : tab - start);
    start = tab + 1;
  }
  return true;
}

bool ParseLine(std::string_view line, RecoveryEntry* entry) {
  std::string_view fields[4];
  if (!SplitFields(line, fields, 4)) return false;
  entry->file.assign(fields[0]);
  if (!RecoveryIndex::IsEntryFileName(entry->file)) return false;
  const std::string_view time = fields[1];
  const auto [end, error] = std::from_chars(time.data(), time.data() + time.size(), entry->time);
  if (error != std::errc() || end != time.data() + time.size()) return false;
  return Unescape(fields[2], &entry->originalPath) && Unescape(fields[3], &entry->title);
}

}  // namespace

std::string RecoveryIndex::Format(const std::vector<RecoveryEntry>& entries) {
  std::string text(kHeader);
  text += '\n';
  for (const RecoveryEntry& entry : entries) {
    text += entry.file;
    text += '\t';
    text += std::to_string(entry.time);
    text += '\t';
    text += Escape(entry.originalPath);
    text += '\t';
    text += Escape(entry.title);
    text += '\n';
  }
  return text;
}

bool RecoveryIndex::Parse(const std::string& text, std::vector<RecoveryEntry>* entries, size_t* damaged) {
  entries->clear();
  if (damaged != nullptr) *damaged = 0;
  std::string_view rest(text);
  const size_t headerEnd = rest.find('\n');
  if (headerEnd == std::string_view::npos || rest.substr(0, headerEnd) != kHeader) return false;
  rest.remove_prefix(headerEnd + 1);
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    // A last line without its line break was cut short: the writer ends
    // every line.
    const bool complete = end != std::string_view::npos;
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(complete ? end + 1 : rest.size());
    if (line.empty() && complete) continue;
    RecoveryEntry entry;
    if (complete && ParseLine(line, &entry)) {
      entries->push_back(std::move(entry));
    } else if (damaged != nullptr) {
      ++*damaged;
    }
  }
  return true;
}

bool RecoveryIndex::IsEntryFileName(const std::string& name) {
  constexpr std::string_view kExtension = ".tvf";
  if (name.size() <= kExtension.size() || name.size() > 96) return false;
  if (name.compare(name.size() - kExtension.size(), kExtension.size(), kExtension) != 0) return false;
  for (size_t i = 0; i + kExtension.size() < name.size(); ++i) {
    const char c = name[i];
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!allowed) return false;
  }
  return true;
}
