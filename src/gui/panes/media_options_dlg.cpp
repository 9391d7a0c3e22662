// The options dialog of the sound file formats. The bit rates in the texts
// are what the encoders make of 44,100 Hz stereo on average; they are there
// to say what a number means, not to promise a size.
#include "gui/panes/media_options_dlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <array>
#include <cstdlib>

namespace {

constexpr std::array<int, 8> kOpusRates = {32, 48, 64, 96, 128, 160, 192, 256};
constexpr std::array<int, 10> kMp3Rates = {64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 7> kAacRates = {64, 96, 128, 160, 192, 256, 320};
// Vorbis's nominal rates for quality -1 ... 10, and LAME's average rates for
// its qualities 0 ... 9.
constexpr std::array<int, 12> kVorbisKbps = {45, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 500};
constexpr std::array<int, 10> kLameKbps = {245, 225, 190, 175, 165, 130, 115, 100, 85, 65};

template <size_t N>
QComboBox* RateBox(const std::array<int, N>& rates, int current, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QStringLiteral("bitRate"));
  int nearest = 0;
  for (size_t i = 0; i < N; ++i) {
    box->addItem(QObject::tr("%1 kbit/s").arg(rates[i]), rates[i]);
    if (std::abs(rates[i] - current) < std::abs(rates[static_cast<size_t>(nearest)] - current))
      nearest = static_cast<int>(i);
  }
  box->setCurrentIndex(nearest);
  return box;
}

QComboBox* BitsBox(int bits, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QStringLiteral("bits"));
  box->addItem(QObject::tr("16 bits"), 16);
  box->addItem(QObject::tr("24 bits"), 24);
  box->setCurrentIndex(bits > 16 ? 1 : 0);
  return box;
}

QSlider* Slider(int low, int high, int value, const QString& name, QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setObjectName(name);
  slider->setRange(low, high);
  slider->setPageStep(1);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(1);
  slider->setValue(value);
  slider->setMinimumWidth(180);
  return slider;
}

}  // namespace

QString CMediaOptionsDlg::FormatName(MediaSaveFormat format) {
  switch (format) {
    case MediaSaveFormat::kFlac: return QStringLiteral("FLAC");
    case MediaSaveFormat::kVorbis: return QStringLiteral("Ogg Vorbis");
    case MediaSaveFormat::kOpus: return QStringLiteral("Opus");
    case MediaSaveFormat::kMp3: return QStringLiteral("MP3");
    case MediaSaveFormat::kAac: return QStringLiteral("AAC");
    case MediaSaveFormat::kAiff: return QStringLiteral("AIFF");
  }
  return QString();
}

CMediaOptionsDlg::CMediaOptionsDlg(const MediaSaveOptions& initial, QWidget* parent)
    : QDialog(parent), m_options(ClampedMediaSaveOptions(initial)) {
  setObjectName(QStringLiteral("mediaOptions"));
  setWindowTitle(tr("%1 Options").arg(FormatName(m_options.format)));
  auto* form = new QFormLayout;
  QString note;
  switch (m_options.format) {
    case MediaSaveFormat::kFlac:
      m_level = Slider(0, 8, m_options.flacLevel, QStringLiteral("level"), this);
      m_levelText = new QLabel(this);
      form->addRow(tr("Compression &level:"), m_level);
      form->addRow(QString(), m_levelText);
      m_bits = BitsBox(m_options.bits, this);
      form->addRow(tr("&Bits per sample:"), m_bits);
      note = tr("FLAC keeps every sample: a higher level makes a smaller file and takes longer to save.");
      break;
    case MediaSaveFormat::kVorbis:
      m_level = Slider(-1, 10, m_options.vorbisQuality, QStringLiteral("level"), this);
      m_levelText = new QLabel(this);
      form->addRow(tr("&Quality:"), m_level);
      form->addRow(QString(), m_levelText);
      note = tr("A higher quality sounds closer to the original and makes a larger file.");
      break;
    case MediaSaveFormat::kOpus:
      m_bitRate = RateBox(kOpusRates, m_options.opusKbps, this);
      form->addRow(tr("&Bit rate:"), m_bitRate);
      note = tr("Opus files play at 48,000 Hz; 96 kbit/s and more sound clear for music, 32 kbit/s for speech.");
      break;
    case MediaSaveFormat::kMp3: {
      m_variable = new QRadioButton(tr("&Variable bit rate, quality:"), this);
      m_variable->setObjectName(QStringLiteral("variable"));
      m_constant = new QRadioButton(tr("&Constant bit rate:"), this);
      m_constant->setObjectName(QStringLiteral("constant"));
      auto* group = new QButtonGroup(this);
      group->addButton(m_variable);
      group->addButton(m_constant);
      m_quality = Slider(0, 9, m_options.mp3VbrQuality, QStringLiteral("quality"), this);
      m_qualityText = new QLabel(this);
      m_bitRate = RateBox(kMp3Rates, m_options.mp3Kbps, this);
      (m_options.mp3Vbr ? m_variable : m_constant)->setChecked(true);
      form->addRow(m_variable, m_quality);
      form->addRow(QString(), m_qualityText);
      form->addRow(m_constant, m_bitRate);
      auto enable = [this] {
        m_quality->setEnabled(m_variable->isChecked());
        m_bitRate->setEnabled(m_constant->isChecked());
      };
      connect(m_variable, &QRadioButton::toggled, this, enable);
      enable();
      note = tr("Variable bit rate spends the bits where the sound needs them: quality 0 is the best, 9 the smallest.");
      break;
    }
    case MediaSaveFormat::kAac:
      m_bitRate = RateBox(kAacRates, m_options.aacKbps, this);
      form->addRow(tr("&Bit rate:"), m_bitRate);
      note = tr("AAC in an M4A file, as music players and phones expect it.");
      break;
    case MediaSaveFormat::kAiff:
      m_bits = BitsBox(m_options.bits, this);
      form->addRow(tr("&Bits per sample:"), m_bits);
      note = tr("AIFF keeps every sample, uncompressed.");
      break;
  }
  if (m_level != nullptr) connect(m_level, &QSlider::valueChanged, this, &CMediaOptionsDlg::ShowValues);
  if (m_quality != nullptr) connect(m_quality, &QSlider::valueChanged, this, &CMediaOptionsDlg::ShowValues);
  ShowValues();

  auto* noteLabel = new QLabel(note, this);
  noteLabel->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CMediaOptionsDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CMediaOptionsDlg::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(noteLabel);
  layout->addWidget(buttons);
  setMinimumWidth(380);
}

void CMediaOptionsDlg::ShowValues() {
  if (m_levelText != nullptr) {
    const int value = m_level->value();
    if (m_options.format == MediaSaveFormat::kFlac)
      m_levelText->setText(value == 5 ? tr("Level %1 (the usual choice)").arg(value)
                                      : value < 5 ? tr("Level %1 (faster, larger)").arg(value)
                                                  : tr("Level %1 (slower, smaller)").arg(value));
    else
      m_levelText->setText(tr("Quality %1 (about %2 kbit/s)").arg(value).arg(kVorbisKbps[static_cast<size_t>(value + 1)]));
  }
  if (m_qualityText != nullptr) {
    const int value = m_quality->value();
    m_qualityText->setText(tr("Quality %1 (about %2 kbit/s)").arg(value).arg(kLameKbps[static_cast<size_t>(value)]));
  }
}

MediaSaveOptions CMediaOptionsDlg::options() const {
  MediaSaveOptions chosen = m_options;
  switch (chosen.format) {
    case MediaSaveFormat::kFlac:
      chosen.flacLevel = m_level->value();
      chosen.bits = m_bits->currentData().toInt();
      break;
    case MediaSaveFormat::kVorbis:
      chosen.vorbisQuality = m_level->value();
      break;
    case MediaSaveFormat::kOpus:
      chosen.opusKbps = m_bitRate->currentData().toInt();
      break;
    case MediaSaveFormat::kMp3:
      chosen.mp3Vbr = m_variable->isChecked();
      chosen.mp3VbrQuality = m_quality->value();
      chosen.mp3Kbps = m_bitRate->currentData().toInt();
      break;
    case MediaSaveFormat::kAac:
      chosen.aacKbps = m_bitRate->currentData().toInt();
      break;
    case MediaSaveFormat::kAiff:
      chosen.bits = m_bits->currentData().toInt();
      break;
  }
  return chosen;
}

bool CMediaOptionsDlg::Choose(QWidget* parent, MediaSaveOptions* options) {
  CMediaOptionsDlg dialog(*options, parent);
  if (dialog.exec() != Accepted) return false;
  *options = dialog.options();
  return true;
}
