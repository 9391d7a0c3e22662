#include "gui/app/wavedesk_doc.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QThread>
#include <cstring>

#include "core/audio/sound_playback.h"
#include "core/model/raw_file.h"
#include "core/model/wave_converter.h"
#include "core/model/wave_file.h"
#include "gui/app/progress_popup.h"

CWavedeskDoc::CWavedeskDoc(const SettingsRecord& settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_sound(settings) {}

CWavedeskDoc::~CWavedeskDoc() = default;

void CWavedeskDoc::AttachPlayback(SoundOutputDevice& device) {
  m_playback = std::make_unique<CSoundPlayback>(m_sound, device);
}

void CWavedeskDoc::SetPathName(const QString& path) {
  m_pathName = path;
  SetTitle(QFileInfo(path).fileName());
}

void CWavedeskDoc::SetTitle(const QString& title) {
  m_title = title;
  emit titleChanged(DisplayTitle());
}

QString CWavedeskDoc::DisplayTitle() const { return m_modified ? m_title + QLatin1Char('*') : m_title; }

void CWavedeskDoc::SetModifiedFlag(bool modified) {
  if (m_modified == modified) return;
  m_modified = modified;
  emit titleChanged(DisplayTitle());
}

bool CWavedeskDoc::OnNewDocument(const GeneratorParameters& parameters) {
  if (!m_sound.CreateGenerated(parameters)) return false;
  m_isNew = true;
  return true;
}

namespace {

QString Lower3(const QString& path) { return path.right(3).toLower(); }

// Two records are the same format when their first 16 bytes agree; the
// extra-size field and the extra bytes are not compared.
bool EqualFormats(const FormatRecord& a, const FormatRecord& b) {
  return a.size() >= 16 && b.size() >= 16 && std::memcmp(a.data(), b.data(), 16) == 0;
}

QString ReadFailure(int code) {
  switch (code) {
    case kReadOutOfMemory:
      return QObject::tr("There is not enough memory to open it.");
    case kReadNotWave:
      return QObject::tr("It is not a wave file this program can read.");
    case kReadBadDocument:
      return QObject::tr("It is not a Tarvo document, or it is damaged.");
    case kReadConvertFailed:
      return QObject::tr("Its sound could not be decoded.");
    default:
      return QObject::tr("It cannot be read.");
  }
}

}  // namespace

CWavedeskDoc::OpenOutcome CWavedeskDoc::OnOpenDocument(const QString& path, RawPCMQuestions& rawQuestions) {
  OpenOutcome outcome;
  m_sound.path = QFile::encodeName(path).toStdString();
  const QString kind = Lower3(path);
  int result = kReadOk;
  bool convertFirstLayer = false;
  if (kind == QLatin1String("wav")) {
    result = m_sound.ReadWaveFile();
    convertFirstLayer = true;
  } else if (kind == QLatin1String("mp3")) {
    result = m_sound.ReadMp3File();
    convertFirstLayer = true;
  } else if (kind == QLatin1String("tvf")) {
    result = m_sound.ReadDocumentFile(m_sound.path);
  } else {
    result = m_sound.ReadRawFile(rawQuestions);
    convertFirstLayer = true;
  }
  if (result == kReadCancelled) {
    outcome.cancelled = true;
    return outcome;
  }
  if (result != kReadOk) {
    outcome.message = ReadFailure(result);
    return outcome;
  }
  if (convertFirstLayer) {
    // Every layer of a file in another format is brought to the working
    // format, not only the first.
    FormatRecord working = MakeFormatRecord(WorkingFormat());
    if (!EqualFormats(m_sound.fileFormat, working)) {
      for (auto& layer : m_sound.layers) {
        FormatRecord source = m_sound.fileFormat;
        FormatRecord target = working;
        uint64_t length = layer->length();
        std::unique_ptr<uint8_t[]> data = layer->TakeData();
        bool cancelled = false;
        if (ConvertWithProgress(source, target, &data, &length, &cancelled) != 0) {
          // A cancelled conversion needs no message; a wave file whose data
          // cannot be converted gets the one it has always had.
          if (cancelled)
            outcome.cancelled = true;
          else if (kind == QLatin1String("wav"))
            outcome.message = tr("This was not a proper wav file");
          else
            outcome.message = ReadFailure(kReadConvertFailed);
          return outcome;
        }
        layer->SetData(std::move(data), length);
      }
    }
  }
  SetPathName(path);
  outcome.ok = true;
  return outcome;
}

bool CWavedeskDoc::IsSavableExtension(const QString& path) {
  const QString kind = path.right(3).toUpper();
  return kind == QLatin1String("WAV") || kind == QLatin1String("TVF");
}

bool CWavedeskDoc::OnSaveDocument(const QString& path, const FormatChooser& chooseFormat) {
  const QString kind = path.right(3).toUpper();
  if (!IsSavableExtension(path)) return false;
  m_sound.Stop();
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  struct CursorGuard {
    ~CursorGuard() { QGuiApplication::restoreOverrideCursor(); }
  } restoreCursor;
  const std::string target = QFile::encodeName(path).toStdString();
  if (kind == QLatin1String("TVF")) {
    if (m_sound.WriteDocumentFile(target) != 0) return false;
    // The document now stands for working-format samples.
    const FormatRecord working = MakeFormatRecord(WorkingFormat());
    if (m_sound.fileFormat.size() < working.size()) m_sound.fileFormat.resize(working.size());
    std::copy(working.begin(), working.end(), m_sound.fileFormat.begin());
  } else {
    FormatRecord chosen = MakeFormatRecord(WorkingFormat());
    if (!m_settings.quickSaveAsWave) {
      QGuiApplication::restoreOverrideCursor();
      const bool ok = chooseFormat && chooseFormat(&chosen);
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
      if (!ok) return false;
    }
    if (ParseWaveFormat(chosen).formatTag == kFormatPCM) WriteLE16(chosen.data() + 16, 0);
    uint64_t length = m_sound.GetLength();
    std::unique_ptr<uint8_t[]> buffer = m_sound.MixDown();
    if (!buffer) return false;
    // A codec pads its last block with silence; the file's fact chunk says
    // how many frames of it are sound.
    const uint64_t workingFrames = length / kWorkingBlockAlign;
    FormatRecord working = MakeFormatRecord(WorkingFormat());
    if (!EqualFormats(chosen, working) && ConvertWithProgress(working, chosen, &buffer, &length) != 0)
      return false;
    const uint64_t frames =
        FramesAtRate(workingFrames, WorkingFormat().samplesPerSec, ParseWaveFormat(chosen).samplesPerSec);
    if (WriteWaveFile(chosen, buffer.get(), length, target, &m_sound.tags, frames) != kWriteOk) return false;
    m_sound.fileFormat = chosen;
    m_sound.formatSize = FmtChunkSize(ParseWaveFormat(chosen));
    UpdateAllViews(kUpdateAll);
  }
  SetModifiedFlag(false);
  return true;
}

namespace {

// While a conversion runs, the program keeps handling its events (the
// progress window moves and repaints), but user input reaches only the
// progress window: nothing may close or change the document whose data the
// converter is working on.
class ProgressOnlyInput : public QObject {
 public:
  explicit ProgressOnlyInput(QWidget* progress) : m_progress(progress) { qApp->installEventFilter(this); }
  ~ProgressOnlyInput() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::Wheel:
      case QEvent::Close:
      case QEvent::Drop: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && widget->window() != m_progress) return true;
        return false;
      }
      default:
        return false;
    }
  }

 private:
  QWidget* m_progress;
};

}  // namespace

int CWavedeskDoc::ConvertWithProgress(FormatRecord& source, FormatRecord& target,
                                      std::unique_ptr<uint8_t[]>* data, uint64_t* length, bool* cancelled) {
  if (cancelled != nullptr) *cancelled = false;
  if (*length == 0) return 0;
  CProgressPopup progress(QApplication::activeWindow(), tr("Converting File"));
  progress.SetRange(0, 100);
  progress.SetText(tr("Converting..."));
  progress.show();
  const ProgressOnlyInput onlyProgress(&progress);
  CWaveConverter converter;
  const uint64_t bytes = *length;
  converter.Start(&source, &target, std::move(*data), bytes, 4294967295ull);
  QElapsedTimer clock;
  clock.start();
  bool userCancelled = false;
  while (converter.IsBusy()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (progress.IsCancelled()) {
      userCancelled = true;
      break;
    }
    // The estimate assumes one microsecond per byte.
    const double elapsedMicroseconds = static_cast<double>(clock.nsecsElapsed()) / 1000.0;
    progress.SetPos(static_cast<int>(std::min(100.0, elapsedMicroseconds * 100.0 / static_cast<double>(bytes))));
    QThread::msleep(5);
  }
  // Collect joins a worker that is still running before anything is freed.
  converter.Collect(data, length);
  progress.hide();
  if (cancelled != nullptr) *cancelled = userCancelled;
  return converter.HasFailed() || !*data ? 1 : 0;
}

bool CWavedeskDoc::SaveModified(const std::function<bool()>& save) {
  if (!m_modified) return true;
  const QMessageBox::StandardButton answer = QMessageBox::question(
      QApplication::activeWindow(), QString::fromLatin1("Tarvo Wavedesk 2.0"),
      tr("Save changes to %1?").arg(m_title), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  if (answer == QMessageBox::Cancel) return false;
  if (answer == QMessageBox::No) return true;
  return save();
}
