// One open document as the program edits it: the sound document (the sound,
// its files, the modified flag) together with its editor, which keeps the
// action history and the selection's rules. The history lives here, beside
// the sound it takes back, for as long as the document is open; the windows
// that show the document only read it and call the editor.
#pragma once

#include <string>

#include "core/edit/document_editor.h"
#include "core/model/sound_document.h"

class EditableDocument {
 public:
  // `settings` is the application's record; it must outlive the document.
  explicit EditableDocument(const SettingsRecord& settings,
                            uint64_t spillThreshold = SavedBytes::kDefaultSpillThreshold)
      : m_document(settings), m_editor(m_document, spillThreshold) {}

  EditableDocument(const EditableDocument&) = delete;
  EditableDocument& operator=(const EditableDocument&) = delete;

  SoundDocument& document() { return m_document; }
  const SoundDocument& document() const { return m_document; }
  CSound& sound() { return m_document.sound(); }
  const CSound& sound() const { return m_document.sound(); }
  DocumentEditor& editor() { return m_editor; }
  const CActionHistory& history() const { return m_editor.history(); }

  // SoundDocument::Save, after which the row in effect is the saved state;
  // when the file could not keep all the document holds, no row is.
  SaveResult Save(const std::string& path, const SaveChoices& choices, ProgressReport& progress) {
    const SaveResult result = m_document.Save(path, choices, progress);
    if (result.ok() && result.flattened)
      m_editor.ForgetSaved();
    else if (result.ok())
      m_editor.MarkSaved();
    return result;
  }

 private:
  SoundDocument m_document;  // made first: the editor works on it
  DocumentEditor m_editor;
};
