// The main window: an MDI area that holds one child window per open sound,
// the menus (the short main menu without documents, the document menu while
// a document window is active), the two tool bars at the top, the status bar
// with its prompts and lock indicators, the bars at the bottom and the
// right, and the command routing: a document command goes to the active
// child window and does nothing when there is none.
#pragma once

#include <memory>

#include <QHash>
#include <QMainWindow>
#include <QStringList>

#include "core/edit/command_id.h"
#include "core/model/settings_record.h"
#include "gui/base/resource_ids.h"

class CChildFrame;
class CClipboardDlg;
class CCommandToolBar;
class CControlToolBar;
class CLockIndicators;
class CWavedeskToolBar;
class CCommandRunner;
class CMonitorBar;
class CTreeBar;
class AudioDevices;
class CWavedeskDoc;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

// What the main window asks of the program that made it: the sound
// devices, the commands that are the program's (files, dialogs, help), and
// leave to close. The application implements it; the frame knows nothing
// more of the application, so that calls run one way.
class CMainFrameOwner {
 public:
  virtual ~CMainFrameOwner() = default;
  virtual AudioDevices& devices() = 0;
  virtual void OnCommand(CommandId id) = 0;
  virtual void OnDocumentCommand(CommandId id, CChildFrame* child) = 0;
  // The main window is about to close.
  virtual void OnMainWindowClosing() = 0;
  // Asked before a document window closes; false keeps it open.
  virtual bool CanCloseDocument(CChildFrame* child) = 0;
};

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // Without an owner the frame runs on its own (tests); the program's
  // commands then do nothing.
  explicit CMainFrame(CMainFrameOwner* app = nullptr, SettingsRecord* settings = nullptr,
                      QWidget* parent = nullptr);
  ~CMainFrame() override;

  QMdiArea* mdiArea() const { return m_mdiArea; }
  // The clipboard manager's bar at the bottom (hidden at start).
  CClipboardDlg* clipboardDlg() const { return m_clipboardDlg; }
  CWavedeskToolBar* toolBar() const { return m_toolBar; }
  CControlToolBar* controlBar() const { return m_controlBar; }
  // The bar whose placement the profile keeps under `name` ("Toolbar",
  // "Monitor", "Explorer", "Clipboard", "Controls"); null for another name.
  QWidget* bar(const QString& name) const;
  // The Paste drop-down's popup: one entry per clip of the clipboard
  // manager, rebuilt each time it opens.
  QMenu* pasteMenu() const { return m_pasteMenu; }
  // The audio meter's bar at the bottom, which also runs recording.
  CMonitorBar* monitorBar() const { return m_monitorBar; }
  // The command's action (every action carries its id in data()).
  QAction* action(CommandId id) const { return m_actions.value(ToInt(id)); }
  // Carries out command `id` as if chosen from a menu; false when it is
  // disabled or unknown.
  bool ExecuteCommand(CommandId id);
  // The top menu titled `title` ("&Edit"), built from the command table.
  QMenu* menu(const QString& title) const { return m_menus.value(title); }

  // The active document window, or null when there is none.
  CChildFrame* activeChild() const;
  // Shows a new window for `document` (which it takes over) and activates it.
  CChildFrame* AddDocumentWindow(CWavedeskDoc* document);

  // The recent-file list, newest first, at most 8 entries.
  const QStringList& recentFiles() const { return m_recentFiles; }
  void AddRecentFile(const QString& path);

  // Writes the preferences, the window's and the bars' placements and the
  // recent files to the profile (at exit, and when preferences change).
  void SaveSettings();

 signals:
  // A file was dropped on the window or chosen from the recent-file list.
  void openFileRequested(const QString& path);
  void commandTriggered(CommandId id);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildActions();
  void BuildMenus();
  void UpdateMenus();
  void UpdateTitle();
  void UpdateWindowMenu();
  void UpdateViewMenu();
  void BuildToolBars();
  // The tool bar buttons' enabled states for the active window; brought up
  // to date when something they depend on may have changed.
  void UpdateToolBars();
  // The Paste drop-down's entries, "<clip> (<size>)", in list order.
  void FillPasteMenu();
  // The bars in the order the profile lists their placements.
  QList<QPair<QString, QWidget*>> PlacedBars() const;
  // Exit's part for the documents: asks about every modified one, then
  // closes all windows; false (nothing closed) when the user cancelled.
  bool CloseAllDocuments();
  void UpdateRecentFileMenu();
  void OnCommand(CommandId id);
  void OnDocumentCommand(CommandId id, CChildFrame* child);
  void OnPlayCommand(CommandId id, CChildFrame* child);
  // The edit commands' labels and enabled states for the active window,
  // brought up to date before a menu opens.
  void UpdateEditCommands();
  void LoadSettings();

  CMainFrameOwner* m_app;
  SettingsRecord* m_settings;
  QMdiArea* m_mdiArea;
  CClipboardDlg* m_clipboardDlg = nullptr;
  CWavedeskToolBar* m_toolBar = nullptr;
  CControlToolBar* m_controlBar = nullptr;
  CLockIndicators* m_lockIndicators = nullptr;
  QMenu* m_newMenu = nullptr;
  QMenu* m_pasteMenu = nullptr;
  QMenu* m_viewMenu = nullptr;
  // The active document's change notices reach the tool bars through this.
  QMetaObject::Connection m_documentUpdates;
  class ReleaseWatcher;
  std::unique_ptr<ReleaseWatcher> m_releaseWatcher;
  CMonitorBar* m_monitorBar = nullptr;
  CTreeBar* m_treeBar = nullptr;
  std::unique_ptr<CCommandRunner> m_commands;
  QHash<int, QAction*> m_actions;
  QHash<QString, QMenu*> m_menus;
  QMenu* m_fileMenu = nullptr;
  QMenu* m_recentMenu = nullptr;
  QMenu* m_windowMenu = nullptr;
  QList<QMenu*> m_documentMenus;  // shown only while a document window is active
  QStringList m_recentFiles;
  // Set while the exit closes the windows whose questions it has asked.
  bool m_closingAll = false;
  // Keeps Space, Home and End for the list or text widget that has the
  // focus, where they move in the list; elsewhere they stay the program's.
  class KeyKeeper;
  std::unique_ptr<KeyKeeper> m_keyKeeper;
};
