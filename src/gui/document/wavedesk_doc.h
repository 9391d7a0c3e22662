// The document window's side of an open document of the core (the sound,
// its editor and its action history): the file name and title (with "*"
// while modified), the signals that tell every view to update and that the
// history changed, and the messages for what the core's open and save flows
// report. The flows themselves (reading by extension, converting, choosing
// how to save, every edit) live in the core; this class asks, shows and
// reports.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "core/edit/editable_document.h"
#include "core/model/settings_record.h"
#include "core/model/sound.h"
#include "core/model/sound_document.h"
#include "core/model/wave_generator.h"

class CSoundPlayback;
class RawPCMQuestions;
class SoundOutputDevice;

class CSoundFormView;
class CWavedeskView;

// Hints for updateAllViews.
enum class UpdateHint {
  kAll,        // the sound changed: repaint and refresh everything
  kSelection,  // only the selection or cursor moved
  kLayers,     // layers were added, removed or changed
  kTags,       // the information tags changed
};

class CWavedeskDoc : public QObject, private SoundDocumentObserver {
  Q_OBJECT

 public:
  explicit CWavedeskDoc(const SettingsRecord& settings, QObject* parent = nullptr);
  ~CWavedeskDoc() override;

  SoundDocument& model() { return m_model.document(); }
  CSound& sound() { return m_model.sound(); }
  const CSound& sound() const { return m_model.sound(); }
  const SettingsRecord& settings() const { return m_model.document().settings(); }
  // Every change of the document goes through its editor; the history it
  // keeps is read here.
  DocumentEditor& editor() { return m_model.editor(); }
  const CActionHistory& history() const { return m_model.history(); }

  // The file the document was read from or saved to; empty for a new one.
  const QString& pathName() const { return m_pathName; }
  void SetPathName(const QString& path);
  // The file name shown in the title ("Untitled" for a new document).
  const QString& title() const { return m_title; }
  void SetTitle(const QString& title);
  // The title with "*" appended while the document is modified.
  QString DisplayTitle() const;

  bool IsModified() const { return m_model.document().IsModified(); }
  // A change made outside the editor (a recovered copy) also means that no
  // history row is the saved state.
  void SetModifiedFlag(bool modified = true) {
    if (modified) m_model.editor().ForgetSaved();
    m_model.document().SetModifiedFlag(modified);
  }
  // True when the document was created new (its history starts with "New").
  bool isNew() const { return m_isNew; }
  // Says how the document began and starts its history over with that
  // first row ("New" or "Open").
  void SetNew(bool isNew);

  void UpdateAllViews(UpdateHint hint = UpdateHint::kAll) { emit updateAllViews(hint); }

  // A new document: one generated layer, made under the progress window
  // when it takes long. False when nothing was made; `cancelled`, when
  // given, tells the user's Cancel apart from a lack of memory.
  bool OnNewDocument(const GeneratorParameters& parameters, bool* cancelled = nullptr);

  struct OpenOutcome {
    bool ok = false;
    bool cancelled = false;  // the user cancelled: nothing to tell
    QString message;         // why it failed, for the user
    QString notice;          // opened, but something about it the user should know
    QString statusNote;      // opened; a word for the status bar
  };
  // Reads `path` (wav, mp3 and tvf by their extension, every other sound
  // file by its contents, anything unrecognised as raw PCM described through
  // `rawQuestions`) and brings it to the working format.
  OpenOutcome OnOpenDocument(const QString& path, RawPCMQuestions& rawQuestions);
  // The question a damaged sound file asks: whether to open what could be
  // decoded of it (No by default).
  static bool AskToKeepDamaged(const QString& path, const DamagedStream& damage);

  // Picks the format a wave file is saved in; false when the user cancelled.
  using FormatChooser = std::function<bool(FormatRecord* format)>;
  // Writes the document to `path` as a layered document (.tvf), a wave
  // file (.wav) or a FLAC, Ogg, Opus, MP3, M4A or AIFF file with its tags,
  // converting under the progress window, as `choices` pick. False when
  // nothing was saved; the old file is then unchanged, and `failure` (when
  // given) holds why, for the user: empty when the user cancelled.
  bool OnSaveDocument(const QString& path, const SaveChoices& choices, QString* failure = nullptr);
  bool OnSaveDocument(const QString& path, const FormatChooser& chooseFormat, QString* failure = nullptr) {
    SaveChoices choices;
    choices.chooseFormat = chooseFormat;
    return OnSaveDocument(path, choices, failure);
  }
  // True when `path` names a file the document can be saved as.
  static bool IsSavableExtension(const QString& path);
  // The file name Save As proposes: one the document can be saved as.
  QString ProposedSaveName() const;

  // Whether the user agreed, for this document, that File Save encodes its
  // lossy file again (asked once).
  bool reencodeAgreed() const { return m_reencodeAgreed; }
  void SetReencodeAgreed() { m_reencodeAgreed = true; }

  // Asks whether to save a modified document before it closes; false when
  // the user cancelled. When `save` fails (it has said why), the question
  // is asked again, so that the user can still discard or cancel. When the
  // document's file is a wave file that cannot keep its layers, the
  // question names them.
  bool SaveModified(const std::function<bool()>& save);

  // The document's playback engine on `device` (the application's output
  // device); without one the document cannot play.
  void AttachPlayback(SoundOutputDevice& device);
  CSoundPlayback* playback() const { return m_playback.get(); }

  // The windows that show this document, set by its child frame.
  CWavedeskView* view() const { return m_view; }
  CSoundFormView* formView() const { return m_formView; }
  void SetViews(CWavedeskView* view, CSoundFormView* formView) {
    m_view = view;
    m_formView = formView;
  }

 signals:
  void updateAllViews(UpdateHint hint);
  // The action history changed: rows, the row in effect, the saved row.
  void historyChanged();
  // Something the user should know, for the status bar.
  void notice(const QString& text);
  void titleChanged(const QString& displayTitle);
  // The modified flag changed (false: the document was saved).
  void modifiedChanged(bool modified);
  // Something a save would keep changed; sent for every change, also while
  // the document is modified already.
  void contentChanged();

 private:
  void ModifiedChanged(bool modified) override;
  void ContentChanged() override;
  void HistoryChanged() override;
  // The names of the layers a wave file could not keep, quoted and joined
  // ("Layer 1", "Voice"); empty when it keeps all there is.
  QString LayersAWaveLoses() const;

  EditableDocument m_model;
  QString m_pathName;
  QString m_title = QStringLiteral("Untitled");
  bool m_isNew = false;
  bool m_toldFlattened = false;  // the status bar said once that a wave save kept only the mix
  bool m_reencodeAgreed = false;
  std::unique_ptr<CSoundPlayback> m_playback;  // declared after m_model: destroyed first
  CWavedeskView* m_view = nullptr;
  CSoundFormView* m_formView = nullptr;
};
