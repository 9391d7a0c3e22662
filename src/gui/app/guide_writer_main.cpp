// Build-time tool: lays the help page out on A4 pages and writes it as the
// printable guide, a PDF with page numbers and the help's pictures. Runs on
// Qt's offscreen platform; needs no display.
//
//   wavedesk_guide <help.html> <guide.pdf>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>

int main(int argc, char* argv[]) {
  QGuiApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: wavedesk_guide <help.html> <guide.pdf>\n");
    return 2;
  }
  QFile help(QString::fromLocal8Bit(argv[1]));
  if (!help.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "wavedesk_guide: cannot read %s\n", argv[1]);
    return 1;
  }
  QTextDocument document;
  // Pictures named by the page are found beside it.
  document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(help).absoluteFilePath()));
  document.setHtml(QString::fromUtf8(help.readAll()));
  document.setMetaInformation(QTextDocument::DocumentTitle, QStringLiteral("Tarvo Wavedesk 2.0 Guide"));

  QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
  writer.setTitle(QStringLiteral("Tarvo Wavedesk 2.0 Guide"));
  writer.setCreator(QStringLiteral("Tarvo Wavedesk 2.0"));
  writer.setResolution(300);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                   QPageLayout::Millimeter));
  // Printing an unpaginated document breaks it into pages of the writer's
  // size and numbers them at the foot.
  document.print(&writer);
  return QFileInfo(QString::fromLocal8Bit(argv[2])).size() > 0 ? 0 : 1;
}
