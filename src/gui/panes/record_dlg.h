// CRecordDlg: "Recording Studio", the modal record dialog of the audio meter
// bar. It lists the sound inputs (sources) and their input lines (ports),
// sets the chosen input's recording volume and stereo pan, starts and stops
// the recording that the meter's tick writes, previews it, shows the time
// recorded and the free disk space, and keeps a time-stamped log. Stop hands
// the recording to a new document.
//
// Choosing an input moves the capture to it, so the meters and the next
// recording come from what the user chose; the program starts on the
// server's default input. While a recording runs the input cannot be
// changed: one take comes from one input.
//
// The hand-over itself is the core's (AdoptRecording); the dialog makes the
// empty document for it, and logs and shows a hand-over that failed. Such
// a take stays in the recording file, and Record asks before replacing it.
#pragma once

#include <QBasicTimer>
#include <QDialog>
#include <QTime>
#include <memory>
#include <string>
#include <vector>

#include "core/audio/capture_poll.h"
#include "core/audio/capture_source_mixer.h"
#include "core/audio/preview_player.h"

class CLEDPRogressCtrl;
class CMonitorBar;
class CRemoteDlg;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class RecordingFile;
struct HandOverResult;

class CRecordDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CRecordDlg(CMonitorBar* bar);
  ~CRecordDlg() override;

  // Shows the dialog modally; returns when it is closed.
  void Run();

  void EnumerateDevices();
  void SelectDevice();
  void SelectPin();
  void LoadMixerControls(const SourceLevels& levels);
  void OnRecord();
  void OnStop();
  void OnPreview();
  void OnRemote();
  void AddLogLine(const QString& message);
  // The meter tick's updates while the dialog is open: meters, time
  // recorded, disk space, the flashing caption, the remote's meters, and the
  // tick's overrun or write failure in the log.
  void OnMeterTick(const CapturePoll::Tick& tick, int left, int right);

  bool IsRecording() const;
  bool IsPreviewing() const { return m_preview.IsActive(); }
  // The recording file holds a take that no document has adopted.
  bool IsTakePending() const { return m_takePending; }
  CRemoteDlg* remote() const { return m_remote.get(); }
  // Runs while a preview plays.
  bool IsPreviewTimerRunning() const { return m_previewTimer.isActive(); }

  // "H:MM:SS" of a whole number of seconds (187 reads "0:03:07").
  static QString ElapsedText(uint64_t seconds);
  // The log's time stamp, "9:07:05 AM".
  static QString TimeStamp(const QTime& time);
  // The pan slider's released position: within -9 .. 9 the pan snaps to the
  // centre.
  static int SnapPan(int position);

 protected:
  void done(int result) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void OnInitDialog();
  void OnSliderReleased(QSlider* slider);
  // Hands the recording to a new document; a failure is logged and shown,
  // with the offer to try again.
  void HandOver();
  // One try: empty when the recording is in a new document, else why not.
  QString TryHandOver(RecordingFile& file);
  static QString HandOverFailure(const HandOverResult& result);
  // Record, Stop, Preview, Close and the input lists as the state says.
  void UpdateControls();
  // Logs a failed request to the input mixer or the capture, opening with
  // `what`; true when it succeeded.
  bool LogDeviceFailure(const DeviceResult& result, const QString& what);
  // Writes a tick's trouble into the log.
  void LogTickTrouble(const CapturePoll::Tick& tick);
  QString SelectedSource() const;
  void SetCaption(bool flashed);

  CMonitorBar* m_bar;
  // The input mixer and its sources, from the dialog's opening to its close.
  std::unique_ptr<CaptureSourceMixer> m_mixer;
  std::vector<CaptureSource> m_sources;
  // The source the capture reads from now (the dialog's bound device).
  std::string m_boundSource;
  QComboBox* m_devices;
  QComboBox* m_pins;
  CLEDPRogressCtrl* m_meterLeft;
  CLEDPRogressCtrl* m_meterRight;
  QSlider* m_volume;
  QSlider* m_bass;
  QSlider* m_treble;
  QSlider* m_pan;
  QPlainTextEdit* m_log;
  QPushButton* m_recordButton;
  QPushButton* m_stopButton;
  QPushButton* m_closeButton;
  QPushButton* m_remoteButton;
  QPushButton* m_previewButton;
  QLabel* m_timeRecorded;
  QLabel* m_diskSpace;
  PreviewPlayer m_preview;
  QBasicTimer m_previewTimer;
  std::unique_ptr<CRemoteDlg> m_remote;
  bool m_running = false;
  bool m_flashed = false;
  bool m_takePending = false;
  // A failed write is logged once, not on every tick while the disk stays
  // full: set from a tick whose write failed until the recording grows
  // again. The bytes the recording lacks are summed up at Stop.
  bool m_writeFailing = false;
  uint64_t m_recordedAtFailure = 0;
  uint64_t m_unwrittenBytes = 0;
};
