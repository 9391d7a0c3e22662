#include "gui/base/help_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString HelpFilePath(const QString& name) {
  const QDir programFolder(QCoreApplication::applicationDirPath());
  const QString beside = programFolder.filePath(name);
  if (QFileInfo::exists(beside)) return beside;
  const QString installed = QDir::cleanPath(programFolder.filePath(QStringLiteral("../share/tarvo-wavedesk/") + name));
  if (QFileInfo::exists(installed)) return installed;
  return beside;
}
