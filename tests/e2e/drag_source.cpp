// A stand-in for a file manager in the drop test: a small window that drags
// the files named on its command line (as file URLs) when the mouse is
// pressed on it, and prints how the drag ended.
#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class DragSource : public QWidget {
 public:
  explicit DragSource(QList<QUrl> urls) : m_urls(std::move(urls)) {
    setWindowTitle(QStringLiteral("Drag source"));
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setUrls(m_urls);
    drag->setMimeData(mime);
    const Qt::DropAction action = drag->exec(Qt::CopyAction);
    std::printf("drag ended: %s\n", action == Qt::CopyAction ? "copied" : "refused");
    std::fflush(stdout);
  }

 private:
  QList<QUrl> m_urls;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QList<QUrl> urls;
  for (const QString& file : QApplication::arguments().mid(1))
    urls.append(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
  DragSource source(urls);
  // Below and to the right of the editor's main window, which starts at the
  // top left of the screen.
  source.setGeometry(1080, 760, 160, 100);
  source.show();
  return QApplication::exec();
}
