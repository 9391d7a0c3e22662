// The save dialog with the type-following file name.
#include "gui/base/type_file_dialog.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTreeView>
#include <QRegularExpression>

#include "core/model/sound_file_types.h"

namespace {

QStringList SoundPatterns() {
  QStringList patterns;
  for (std::string_view extension : SoundFileExtensions())
    patterns << QStringLiteral("*.") + QString::fromLatin1(extension.data(), static_cast<qsizetype>(extension.size()));
  return patterns;
}

}  // namespace

QString AllSoundFilesFilter() {
  return QObject::tr("All sound files") + QStringLiteral(" (%1)").arg(SoundPatterns().join(QLatin1Char(' ')));
}

QString AllSoundFilesPair() {
  return QObject::tr("All sound files") + QLatin1Char('|') + SoundPatterns().join(QLatin1Char(';')) + QLatin1Char('|');
}

CTypeFileDialog::CTypeFileDialog(bool save, const QString& defaultExtension, const QString& fileName,
                                 const QString& filter, QWidget* parent)
    : QFileDialog(parent) {
  setOption(QFileDialog::DontUseNativeDialog);
  setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  setDefaultSuffix(defaultExtension);
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    m_patterns << parts[i + 1];
  }
  setNameFilters(NameFiltersFromPairs(filter));
  if (!fileName.isEmpty()) selectFile(fileName);
  SelectTypeOf(fileName);
  connect(this, &QFileDialog::filterSelected, this, &CTypeFileDialog::OnTypeChange);
  GiveFileDialogRoom(*this);
}

void GiveFileDialogRoom(QFileDialog& dialog) {
  dialog.resize(dialog.sizeHint().expandedTo(QSize(800, 500)));
  auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (details == nullptr) return;
  QHeaderView* header = details->header();
  for (int column = 1; column < header->count(); ++column)
    header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

QStringList CTypeFileDialog::NameFiltersFromPairs(const QString& filter) {
  QStringList filters;
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    // Qt takes the patterns from the last parentheses and splits them on
    // blanks; the pairs separate them with semicolons.
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    patterns = patterns.simplified();
    const QString description = parts[i].trimmed();
    // Most descriptions already end in their patterns ("ACM Waveform
    // (*.wav)"); those are shown as they stand rather than with the
    // patterns a second time.
    const QString ownPatterns = QStringLiteral("(%1)").arg(patterns);
    if (description.endsWith(ownPatterns))
      filters << description;
    else
      filters << QStringLiteral("%1 %2").arg(description, ownPatterns);
  }
  return filters;
}

QString CTypeFileDialog::NameWithPatternExtension(const QString& name, const QString& pattern) {
  static const QRegularExpression kPlainExtension(QStringLiteral("^\\.[^?;\\s.*]+$"));
  QStringList extensions;
  for (QString one : pattern.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts)) {
    one.remove(QLatin1Char('*'));
    if (!kPlainExtension.match(one).hasMatch()) return name;
    extensions << one;
  }
  if (extensions.isEmpty()) return name;
  const int slash = name.lastIndexOf(QLatin1Char('/'));
  const int dot = name.lastIndexOf(QLatin1Char('.'));
  // A name that already ends in one of the type's extensions keeps it
  // ("song.aiff" under "*.aif;*.aiff"); any other takes the first.
  if (dot > slash) {
    const QString current = name.mid(dot);
    for (const QString& extension : extensions)
      if (current.compare(extension, Qt::CaseInsensitive) == 0) return name;
  }
  const QString base = dot > slash ? name.left(dot) : name;
  return base + extensions.first();
}

void CTypeFileDialog::SelectTypeOf(const QString& fileName) {
  for (int i = 0; i < m_patterns.size(); ++i) {
    // The name already has this type's extension; a pattern that gives no
    // name an extension ("*.*") names no type.
    const bool namesAType = NameWithPatternExtension(QStringLiteral("x"), m_patterns[i]) != QStringLiteral("x");
    if (fileName.isEmpty() || !namesAType || NameWithPatternExtension(fileName, m_patterns[i]) != fileName) continue;
    const QString filter = nameFilters().value(i);
    selectNameFilter(filter);
    OnTypeChange(filter);
    return;
  }
}

QLineEdit* CTypeFileDialog::fileNameEdit() const {
  return findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

void CTypeFileDialog::OnTypeChange(const QString& nameFilter) {
  const int index = nameFilters().indexOf(nameFilter);
  if (index < 0 || index >= m_patterns.size()) return;
  // A name typed without an extension gets the chosen type's.
  const QString typed = NameWithPatternExtension(QStringLiteral("x"), m_patterns[index]);
  if (typed.size() > 2) setDefaultSuffix(typed.mid(2));
  QLineEdit* edit = fileNameEdit();
  if (!edit || edit->text().isEmpty()) return;
  edit->setText(NameWithPatternExtension(edit->text(), m_patterns[index]));
}
