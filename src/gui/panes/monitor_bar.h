// CMonitorBar: the audio meter, a bar docked at the bottom of the main
// window with the left and right input levels. Its 50 ms tick is the
// heartbeat of recording: each tick runs the capture poll, which appends
// the newly captured sound to the recording file while a recording runs,
// and shows the levels on the bar, on "Recording Studio" and on the remote.
//
// The bar owns the recording file, the poll's state and the record dialog.
// An idle editor does nothing: the tick runs only while the bar is shown or
// the record dialog is open (a recording needs it even when the bar is
// hidden).
#pragma once

#include <QBasicTimer>
#include <QDockWidget>
#include <functional>
#include <memory>

#include "core/audio/capture_poll.h"
#include "core/audio/capture_source_mixer.h"
#include "core/audio/recording_file.h"

struct SettingsRecord;
class CChildFrame;
class CLEDPRogressCtrl;
class CRecordDlg;
class QLabel;
class SoundCaptureBuffer;
class SoundOutputDevice;

class CMonitorBar : public QDockWidget {
  Q_OBJECT

 public:
  // What the bar needs from the application. The devices open after the
  // bar is made and close before it goes, so each is asked for when needed;
  // null means there is none.
  struct Services {
    std::function<SoundCaptureBuffer*()> captureRing;
    std::function<SoundOutputDevice*()> output;
    // The input mixer of the back-end in use (null when it cannot be had).
    std::function<std::unique_ptr<CaptureSourceMixer>()> openMixer;
    // Opens the window of a new, empty document (no layers, nothing
    // rendered) for a finished recording to be handed to; null when none
    // can be made.
    std::function<CChildFrame*()> newDocument;
  };

  // `settings` (the application's, or the defaults when null) says whether
  // the record dialog flashes and whether a recording opens zoomed to fit.
  CMonitorBar(const SettingsRecord* settings, Services services, QWidget* parent = nullptr);
  // Deletes the recording file.
  ~CMonitorBar() override;

  void SetNewDocumentHandler(std::function<CChildFrame*()> handler) { m_services.newDocument = std::move(handler); }
  const Services& services() const { return m_services; }
  const SettingsRecord& settings() const;

  // The tick runs from StartMeterTimer to KillMeterTimer, while there is
  // something to show it on.
  void StartMeterTimer();
  void KillMeterTimer();
  bool IsMeterTimerRunning() const { return m_timer.isActive(); }
  // One tick: poll, levels, and the record dialog's updates.
  void OnMeterTimer();

  // Runs "Recording Studio" modally.
  void RunRecordDialog();
  CRecordDlg* recordDlg() const { return m_recordDlg.get(); }
  bool IsRecordDialogOpen() const { return m_recordDialogOpen; }
  void SetRecordDialogOpen(bool open);

  CapturePoll& poll() { return m_poll; }
  RecordingFile* recordingFile() const { return m_file.get(); }
  CLEDPRogressCtrl* leftBar() const { return m_left; }
  CLEDPRogressCtrl* rightBar() const { return m_right; }

  // The server's name of the input the capture was moved to; empty while it
  // records from the default input.
  const std::string& captureSource() const { return m_captureSource; }
  void SetCaptureSource(std::string name) { m_captureSource = std::move(name); }

  // Hiding and showing from any side is announced, so that the View
  // command's check mark can follow.
  void setVisible(bool visible) override;

 signals:
  void shownChanged(bool shown);

 protected:
  void timerEvent(QTimerEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Starts or stops the timer as the wish and the bar's state say.
  void UpdateTimer();
  // Size handling of the bar's client: level bars 130 pixels narrower than
  // it, the labels at its right.
  void LayOutClient();

  const SettingsRecord* m_settings;
  Services m_services;
  std::unique_ptr<RecordingFile> m_file;
  CapturePoll m_poll;
  QWidget* m_client;
  CLEDPRogressCtrl* m_left;
  CLEDPRogressCtrl* m_right;
  QLabel* m_leftLabel;
  QLabel* m_rightLabel;
  std::unique_ptr<CRecordDlg> m_recordDlg;
  QBasicTimer m_timer;
  bool m_timerWanted = false;
  bool m_recordDialogOpen = false;
  std::string m_captureSource;
};
