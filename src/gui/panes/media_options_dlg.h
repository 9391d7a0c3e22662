// The small dialog Save As shows after the file name when a sound is saved
// as FLAC, Ogg Vorbis, Opus, MP3, AAC or AIFF: the one or two choices that
// format offers (compression level, quality, bit rate, bits per sample),
// each with what it means beside it. OK is the default button, so Enter
// saves with what the dialog proposes: the last choice for the format.
#pragma once

#include <QDialog>

#include "core/model/media_save_options.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QRadioButton;
class QSlider;

class CMediaOptionsDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMediaOptionsDlg(const MediaSaveOptions& initial, QWidget* parent = nullptr);

  // The options as the controls show them.
  MediaSaveOptions options() const;

  // Runs the dialog modally. On OK replaces `*options` and returns true; on
  // Cancel leaves them alone and returns false.
  static bool Choose(QWidget* parent, MediaSaveOptions* options);

  // The format's name as the Save As filter says it ("FLAC", "Ogg Vorbis").
  static QString FormatName(MediaSaveFormat format);

 private:
  void ShowValues();

  MediaSaveOptions m_options;
  QSlider* m_level = nullptr;          // FLAC compression level, Vorbis quality
  QLabel* m_levelText = nullptr;
  QComboBox* m_bitRate = nullptr;      // Opus, AAC, MP3 constant rate
  QComboBox* m_bits = nullptr;         // FLAC, AIFF
  QRadioButton* m_variable = nullptr;  // MP3: quality or constant rate
  QRadioButton* m_constant = nullptr;
  QSlider* m_quality = nullptr;        // MP3 variable-rate quality
  QLabel* m_qualityText = nullptr;
};
