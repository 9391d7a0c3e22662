// The application object: start-up in its fixed order (single instance,
// settings, main frame, command line, sound devices), the commands that need
// no document (New, Open, Preferences ...), the opening of documents, and
// exit. It owns the settings record, the sound devices and the generator
// settings used for new documents.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "core/audio/audio_devices.h"
#include "core/edit/command_id.h"
#include "core/model/media_save_options.h"
#include "core/model/settings_record.h"
#include "core/model/wave_generator.h"
#include "gui/app/main_frame.h"

class CChildFrame;
class CDialogNew;
class CHelpWindow;
class CRecoveryStore;
class CWavedeskDoc;
class QLocalServer;

// The name every running instance listens on, per user.
QString SingleInstanceName();

class CWavedeskApp : public QObject, public CMainFrameOwner {
  Q_OBJECT

 public:
  struct Options {
    SoundBackend backend = SoundBackend::PulseAudio;
    QString fileToOpen;
    bool singleInstance = true;   // tests run several applications in one process
    bool showCommonTasks = true;  // the Common Tasks dialog at start, when byte 0 says so
    bool showSplash = true;
    // Where the unsaved work of open documents is kept against a crash
    // (CRecoveryStore::DefaultFolder() for the program); empty: nowhere.
    QString recoveryFolder;
  };

  CWavedeskApp();
  ~CWavedeskApp() override;

  // Runs start-up; false when the program should end at once (another
  // instance took over, or the sound devices could not be opened).
  bool InitInstance(const Options& options);
  // Closes the sound devices.
  void ExitInstance();

  CMainFrame* mainFrame() const { return m_frame.get(); }
  SettingsRecord& settings() { return m_settings; }
  AudioDevices& devices() override { return m_devices; }
  CDialogNew& dialogNew() { return *m_dialogNew; }
  // Null when no recovery folder was asked for or it could not be opened.
  CRecoveryStore* recoveryStore() const { return m_recovery.get(); }

  // An empty document that can play on the application's output device.
  std::unique_ptr<CWavedeskDoc> NewDocument();

  // Opens `path` as a document in a new window; false (after telling the
  // user why, unless they cancelled) when it cannot be opened.
  bool OpenDocumentFile(const QString& path);
  // A new document generated from `parameters`.
  CChildFrame* NewGeneratedDocument(const GeneratorParameters& parameters);

  // Commands routed here by the main frame.
  void OnCommand(CommandId id) override;
  void OnDocumentCommand(CommandId id, CChildFrame* child) override;
  // The main window is about to close: the capture ring stops.
  void OnMainWindowClosing() override;

  // Asked before a document window closes: offers to save a modified
  // document; false keeps the window open.
  bool CanCloseDocument(CChildFrame* child) override;

  // File Save / Save As on a document window; true when it was saved.
  bool SaveDocument(CChildFrame* child);
  bool SaveDocumentAs(CChildFrame* child);

 signals:
  // Start-up's steps as the splash shows them, and its pauses (taken only
  // while a splash shows), in the order they come.
  void startupStatus(const QString& text);
  void startupPause(int milliseconds);

 private:
  // "Failed to Save." followed by the reason, when there is one.
  void ShowSaveFailure(const QString& reason);
  // The Save As type list: wave, layered document and the sound file
  // formats, those this FFmpeg cannot write marked with the reason.
  static QString SaveAsFilter();
  // False, after saying why, when this FFmpeg cannot write `format`.
  bool SayWhenEncoderMissing(MediaSaveFormat format, const QString& path);
  // File Save of a lossy file encodes it again: asked once per document,
  // unless the user turned the question off. False: the user cancelled.
  bool AgreeToReencode(CWavedeskDoc* document, MediaSaveFormat format);
  // File Save that would write less than the file had (a lower rate, fewer
  // bits or channels) asks first, unless the user turned the question off.
  enum class QualityAnswer { kKeepFormat, kLower, kCancel };
  QualityAnswer AskBeforeLoweringQuality(CWavedeskDoc* document, const MediaSaveOptions* media);
  bool HandOverToRunningInstance(const QString& file);
  // Shows `document` in a new window and keeps its unsaved work from then
  // on, in `recoveryEntry` for a document recovered from it.
  CChildFrame* ShowDocument(std::unique_ptr<CWavedeskDoc> document, const std::string& recoveryEntry = std::string());
  // Offers the documents a crash left in the recovery folder; true when
  // the user took them back (and at least one could be read).
  bool OfferRecovery();
  void ListenForOtherInstances();
  void OnFileOpen();
  // The Common Tasks dialog; its "Show this at startup" box is kept in the
  // settings record.
  void RunCommonTasks();
  // Help Contents: the help in a window of the program, raised when shown.
  void ShowHelp();
  // Printable Guide: the PDF in the desktop's viewer, or where it lies.
  void OpenGuide();

  SettingsRecord m_settings;
  AudioDevices m_devices;
  // Declared before the frame: it takes in the deletions of the documents
  // the frame closes as it goes.
  std::unique_ptr<CRecoveryStore> m_recovery;
  std::unique_ptr<CMainFrame> m_frame;
  // The generator settings for new documents, kept from one use to the next.
  std::unique_ptr<CDialogNew> m_dialogNew;
  QLocalServer* m_server = nullptr;
  std::unique_ptr<CHelpWindow> m_helpWindow;
};
