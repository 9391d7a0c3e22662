#include "gui/document/wavedesk_doc.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <cerrno>
#include <cstring>

#include "core/audio/sound_playback.h"
#include "gui/base/popup_progress.h"
#include "gui/base/stored_text.h"

CWavedeskDoc::CWavedeskDoc(const SettingsRecord& settings, QObject* parent) : QObject(parent), m_model(settings) {
  m_model.document().SetObserver(this);
}

CWavedeskDoc::~CWavedeskDoc() { m_model.document().SetObserver(nullptr); }

void CWavedeskDoc::SetNew(bool isNew) {
  m_isNew = isNew;
  m_model.editor().StartHistory(isNew);
}

void CWavedeskDoc::AttachPlayback(SoundOutputDevice& device) {
  m_playback = std::make_unique<CSoundPlayback>(m_model.sound(), device);
}

void CWavedeskDoc::SetPathName(const QString& path) {
  m_pathName = path;
  SetTitle(QFileInfo(path).fileName());
}

void CWavedeskDoc::SetTitle(const QString& title) {
  m_title = title;
  emit titleChanged(DisplayTitle());
}

QString CWavedeskDoc::DisplayTitle() const { return IsModified() ? m_title + QLatin1Char('*') : m_title; }

void CWavedeskDoc::ModifiedChanged(bool modified) {
  emit titleChanged(DisplayTitle());
  emit modifiedChanged(modified);
}

void CWavedeskDoc::ContentChanged() { emit contentChanged(); }

void CWavedeskDoc::HistoryChanged() { emit historyChanged(); }

bool CWavedeskDoc::OnNewDocument(const GeneratorParameters& parameters, bool* cancelled) {
  // A long sound takes a while; a short one is made before the window could
  // appear.
  CPopupProgress progress(tr("Generating Wave"), tr("Generating..."), 300);
  if (!m_model.document().New(parameters, progress, cancelled)) return false;
  SetNew(true);
  return true;
}

namespace {

QString ReadFailure(ReadResult code) {
  switch (code) {
    case ReadResult::kOutOfMemory:
      return QObject::tr("There is not enough memory to open it.");
    case ReadResult::kNotWave:
      return QObject::tr("It is not a wave file this program can read.");
    case ReadResult::kBadDocument:
      return QObject::tr("It is not a Tarvo document, or it is damaged.");
    case ReadResult::kConvertFailed:
      return QObject::tr("Its sound could not be decoded.");
    case ReadResult::kNoSound:
      return QObject::tr("It holds no sound.");
    case ReadResult::kTooManyLayers:
      return QObject::tr("It holds more than %1 layers, more than this program can show and play.")
          .arg(CSound::kMaximumDocumentLayers);
    default:
      return QObject::tr("It cannot be read.");
  }
}

// Why a file could not be opened at all, in the user's words.
QString OpenFailure(int systemError) {
  switch (systemError) {
    case ENOENT:
      return QObject::tr("It no longer exists.");
    case EACCES:
    case EPERM:
      return QObject::tr("You are not allowed to read it.");
    case EISDIR:
      return QObject::tr("It is a folder, not a file.");
    case ENODEV:
    case ENXIO:
      return QObject::tr("It is not a file but a pipe, a socket or a device.");
    default:
      return QObject::tr("It cannot be read: %1.").arg(QString::fromLocal8Bit(std::strerror(systemError)));
  }
}

QString SaveFailure(const SaveResult& result, const QString& path) {
  switch (result.status) {
    case SaveStatus::kSaved:
    case SaveStatus::kCancelled:
      return QString();
    case SaveStatus::kNotSavable:
      return QObject::tr("Only wave files (.wav), Tarvo documents (.tvf) and FLAC, Ogg Vorbis, Opus, MP3, AAC (.m4a) "
                         "and AIFF files can be saved.");
    case SaveStatus::kOutOfMemory:
      return QObject::tr("There is not enough memory to mix the layers down.");
    case SaveStatus::kEncoderMissing:
      return QObject::tr("The FFmpeg installed on this computer cannot write %1 files.")
          .arg(QFileInfo(path).suffix().toUpper());
    case SaveStatus::kConvertFailed:
      return QObject::tr("The sound could not be encoded in the chosen format.");
    case SaveStatus::kTooLarge:
      return QObject::tr("A wave file cannot hold 4 GB of sound or more. "
                         "Save it as a Tarvo document (.tvf), which can.");
    case SaveStatus::kWriteFailed:
      if (result.systemError != 0)
        return QObject::tr("%1 could not be written: %2.")
            .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(result.systemError)));
      return QObject::tr("%1 could not be written.").arg(QDir::toNativeSeparators(path));
  }
  return QString();
}

// "1 min 23.4 s", "12.5 s".
QString DurationWords(uint64_t milliseconds) {
  const QString seconds = QString::number(static_cast<double>(milliseconds % 60000) / 1000.0, 'f', 1);
  if (milliseconds < 60000) return QObject::tr("%1 s").arg(seconds);
  return QObject::tr("%1 min %2 s").arg(milliseconds / 60000).arg(seconds);
}

}  // namespace

bool CWavedeskDoc::AskToKeepDamaged(const QString& path, const DamagedStream& damage) {
  const QString name = QFileInfo(path).fileName();
  QString question;
  if (damage.tooLong)
    question = tr("%1 is longer than a sound can be here: only its first %2 could be read.\n\nOpen that part?")
                   .arg(name, DurationWords(damage.decodedMilliseconds));
  else if (damage.statedMilliseconds > 0)
    question = tr("%1 is damaged: only %2 of its %3 of sound could be decoded.\n\nOpen what could be decoded?")
                   .arg(name, DurationWords(damage.decodedMilliseconds), DurationWords(damage.statedMilliseconds));
  else
    question = tr("%1 is damaged: only %2 of sound could be decoded.\n\nOpen what could be decoded?")
                   .arg(name, DurationWords(damage.decodedMilliseconds));
  QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  const QMessageBox::StandardButton answer = QMessageBox::question(
      QApplication::activeWindow(), QString::fromLatin1("Tarvo Wavedesk 2.0"), question,
      QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  QGuiApplication::restoreOverrideCursor();
  return answer == QMessageBox::Yes;
}

CWavedeskDoc::OpenOutcome CWavedeskDoc::OnOpenDocument(const QString& path, RawPCMQuestions& rawQuestions) {
  OpenOutcome outcome;
  CPopupProgress progress(tr("Converting File"), tr("Converting..."));
  const SoundDocument::DamagedStreamQuestion keepDamaged = [path](const DamagedStream& damage) {
    return AskToKeepDamaged(path, damage);
  };
  const OpenResult result =
      m_model.document().Open(QFile::encodeName(path).toStdString(), rawQuestions, progress, keepDamaged);
  switch (result.status) {
    case OpenStatus::kOpened:
      SetPathName(path);
      SetNew(false);
      outcome.ok = true;
      if (!sound().media.empty() && sound().media.fromVideo)
        outcome.statusNote = tr("%1 is a video: its first sound stream was opened.").arg(QFileInfo(path).fileName());
      if (result.repairedNodes > 0)
        outcome.notice = tr("%n envelope node(s) of this document lay outside their layer or beyond full volume "
                            "and were moved to the nearest place they can have. Saving keeps them there.",
                            nullptr, static_cast<int>(result.repairedNodes));
      break;
    case OpenStatus::kCancelled:
      outcome.cancelled = true;
      break;
    case OpenStatus::kReadFailed:
      if (result.systemError != 0)
        outcome.message = OpenFailure(result.systemError);
      else if (result.readCode == ReadResult::kNotWave && path.endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive))
        outcome.message = tr("It is not an MP3 file this program can read.");
      else if (result.readCode == ReadResult::kUnsupportedCodec)
        outcome.message = tr("Its sound is in a codec this computer cannot decode: %1.")
                              .arg(QString::fromStdString(result.codec));
      else if (result.readCode == ReadResult::kDamaged)
        outcome.cancelled = true;  // the user chose not to open the damaged part
      else
        outcome.message = ReadFailure(result.readCode);
      break;
    case OpenStatus::kNotProperWave:
      // The message such a file has always had.
      outcome.message = tr("This was not a proper wav file");
      break;
    case OpenStatus::kConvertFailed:
      outcome.message = ReadFailure(ReadResult::kConvertFailed);
      break;
  }
  return outcome;
}

bool CWavedeskDoc::IsSavableExtension(const QString& path) {
  return SoundDocument::IsSavableExtension(QFile::encodeName(path).toStdString());
}

QString CWavedeskDoc::ProposedSaveName() const {
  const std::string name = SoundDocument::ProposedSaveName(QFile::encodeName(m_pathName).toStdString(),
                                                           QFile::encodeName(m_title).toStdString());
  QString proposed = QFile::decodeName(QByteArray::fromStdString(name));
  if (m_pathName.isEmpty()) return proposed;
  return QFileInfo(m_pathName).dir().filePath(proposed);
}

bool CWavedeskDoc::OnSaveDocument(const QString& path, const SaveChoices& choices, QString* failure) {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  struct CursorGuard {
    ~CursorGuard() { QGuiApplication::restoreOverrideCursor(); }
  } restoreCursor;
  // The choosers are dialogs: they get the normal cursor.
  SaveChoices withCursor = choices;
  withCursor.chooseFormat = [&choices](FormatRecord* format) {
    QGuiApplication::restoreOverrideCursor();
    const bool chosen = choices.chooseFormat && choices.chooseFormat(format);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    return chosen;
  };
  if (choices.chooseMediaOptions)
    withCursor.chooseMediaOptions = [&choices](MediaSaveOptions* options) {
      QGuiApplication::restoreOverrideCursor();
      const bool chosen = choices.chooseMediaOptions(options);
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
      return chosen;
    };
  CPopupProgress progress(tr("Converting File"), tr("Converting..."));
  const SaveResult result = m_model.Save(QFile::encodeName(path).toStdString(), withCursor, progress);
  if (failure != nullptr) *failure = SaveFailure(result, path);
  if (!result.ok()) return false;
  if (result.flattened && !m_toldFlattened) {
    m_toldFlattened = true;
    emit notice(tr("%1 holds the mix of the layers only; the layers and their envelopes stay in this window until "
                   "it is saved as a Tarvo document (.tvf).")
                    .arg(QFileInfo(path).fileName()));
  }
  UpdateAllViews(UpdateHint::kAll);
  return true;
}

bool CWavedeskDoc::SaveModified(const std::function<bool()>& save) {
  while (IsModified()) {
    QString question = tr("Save changes to %1?").arg(m_title);
    const QString lost = LayersAWaveLoses();
    if (!lost.isEmpty()) {
      const QString keepsOnly =
          m_pathName.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive)
              ? tr("A wave file keeps only the mix of %1: to keep the layers and their envelopes, save it as a "
                   "Tarvo document (.tvf) with Save As.")
                    .arg(lost)
              : tr("%1 keeps only the mix of %2: to keep the layers and their envelopes, save it as a Tarvo "
                   "document (.tvf) with Save As.")
                    .arg(QFileInfo(m_pathName).fileName(), lost);
      question += QStringLiteral("\n\n") + keepsOnly;
    }
    const QMessageBox::StandardButton answer = QMessageBox::question(
        QApplication::activeWindow(), QString::fromLatin1("Tarvo Wavedesk 2.0"), question,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::No) return true;
    if (save()) return true;
    // The save said why it failed; the document is still modified, and the
    // user decides again.
  }
  return true;
}

QString CWavedeskDoc::LayersAWaveLoses() const {
  // Every file but the layered document keeps only the mix.
  if (!IsSavableExtension(m_pathName) || m_pathName.endsWith(QStringLiteral(".tvf"), Qt::CaseInsensitive) ||
      !m_model.document().WaveFlattens())
    return QString();
  QStringList names;
  for (const auto& layer : sound().layers) names << QStringLiteral("\"%1\"").arg(DecodeStoredText(layer->name));
  return names.join(QStringLiteral(", "));
}
