// The save dialog of Save As: Qt's own file dialog (not the desktop's, whose
// type list we cannot follow) with one addition — picking another file type
// changes the extension of the name typed so far, so that "song.wav"
// becomes "song.tvf" when the document type is chosen.
#pragma once

#include <QFileDialog>
#include <QStringList>

class QLineEdit;

class CTypeFileDialog : public QFileDialog {
  Q_OBJECT

 public:
  // `filter` lists description and pattern pairs separated by "|", ending
  // in "||" ("ACM Waveform (*.wav)|*.wav|Audio Document File (*.tvf)|*.tvf||").
  CTypeFileDialog(bool save, const QString& defaultExtension, const QString& fileName, const QString& filter,
                  QWidget* parent = nullptr);

  // Qt name filters for the "|"-separated pairs: "Description (patterns)",
  // or the description alone when it already ends in "(patterns)".
  static QStringList NameFiltersFromPairs(const QString& filter);
  // The name with its extension replaced by that of `pattern` ("*.tvf"):
  // the first of several ("*.aif;*.aiff"), unless the name already ends in
  // one of them; the name unchanged when a pattern is no plain extension.
  static QString NameWithPatternExtension(const QString& name, const QString& pattern);

  // Chooses the type whose extension `fileName` has, when one has it; a
  // name typed without an extension then gets that type's.
  void SelectTypeOf(const QString& fileName);

  // The box the file name is typed into.
  QLineEdit* fileNameEdit() const;

 private:
  void OnTypeChange(const QString& nameFilter);

  QStringList m_patterns;  // one per name filter, as the pairs gave them
};

// "All sound files (*.wav *.tvf *.mp3 *.flac ...)": every extension the
// program opens, as a Qt name filter, and the same as a "|"-separated pair.
QString AllSoundFilesFilter();
QString AllSoundFilesPair();

// Gives Qt's own file dialog room for its details: at least 800 × 500 pixels,
// and the size, type and date columns as wide as what they show, rather than
// cut short ("129...KiB"). A desktop's dialog is left as it is.
void GiveFileDialogRoom(QFileDialog& dialog);
