// Build-time tool: lays the help page out on A4 pages and writes it as the
// printable guide, a PDF with page numbers and the help's pictures. Runs on
// Qt's offscreen platform; needs no display.
//
//   wavedesk_guide <help.html> <guide.pdf>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <cstdio>

namespace {

// The pictures the page names that are not beside it. Printing would leave
// an empty box for each, or with a width given, an empty guide.
QStringList MissingPictures(const QTextDocument& document, const QDir& folder) {
  QStringList missing;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (!format.isImageFormat()) continue;
      const QString name = format.toImageFormat().name();
      if (!QFileInfo(folder.filePath(name)).isFile()) missing << name;
    }
  }
  return missing;
}

}  // namespace

int main(int argc, char* argv[]) {
  QGuiApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: wavedesk_guide <help.html> <guide.pdf>\n");
    return 2;
  }
  const QString output = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  QFile help(QString::fromLocal8Bit(argv[1]));
  if (!help.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "wavedesk_guide: cannot read %s\n", argv[1]);
    return 1;
  }
  const QDir helpFolder = QFileInfo(help).absoluteDir();
  QTextDocument document;
  document.setHtml(QString::fromUtf8(help.readAll()));
  document.setMetaInformation(QTextDocument::DocumentTitle, QStringLiteral("Tarvo Wavedesk 2.0 Guide"));
  const QStringList missing = MissingPictures(document, helpFolder);
  if (!missing.isEmpty()) {
    std::fprintf(stderr, "wavedesk_guide: pictures missing beside %s: %s\n", argv[1],
                 qPrintable(missing.join(QStringLiteral(", "))));
    return 1;
  }
  // Printing lays out a copy of the document, which resolves the pictures'
  // relative names against the working folder rather than the page's base
  // URL: the page's own folder is made the working one.
  QDir::setCurrent(helpFolder.absolutePath());

  QPdfWriter writer(output);
  writer.setTitle(QStringLiteral("Tarvo Wavedesk 2.0 Guide"));
  writer.setCreator(QStringLiteral("Tarvo Wavedesk 2.0"));
  writer.setResolution(300);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                   QPageLayout::Millimeter));
  // Printing an unpaginated document breaks it into pages of the writer's
  // size and numbers them at the foot.
  document.print(&writer);
  return QFileInfo(output).size() > 0 ? 0 : 1;
}
