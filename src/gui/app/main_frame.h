// The main window: an MDI area that holds one child window per open sound.
// Menus, bars and the command routing grow here as the program does.
#pragma once

#include <QMainWindow>

class QMdiArea;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(QWidget* parent = nullptr);

  QMdiArea* mdiArea() const { return m_mdiArea; }

 private:
  QMdiArea* m_mdiArea;
};

// The application's title, used for the main window and the settings store.
inline constexpr const char* kApplicationTitle = "Tarvo Wavedesk 2.0";
inline constexpr const char* kCompanyName = "Tarvo Labs";
