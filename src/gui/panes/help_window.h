// The help, shown in a window of the program itself, so that it reads the
// same on a machine without a web browser: the pages with their links, and
// Back, Forward and Contents.
#pragma once

#include <QMainWindow>

class QTextBrowser;

class CHelpWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Shows `helpFile` (an HTML page with its images beside it).
  explicit CHelpWindow(const QString& helpFile, QWidget* parent = nullptr);

  QTextBrowser* browser() const { return m_browser; }

 private:
  QTextBrowser* m_browser;
};
