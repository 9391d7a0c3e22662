// The main window: its commands, menus and bars, the titles of the
// documents in it, the settings and bar placements it keeps, and the exit,
// which asks about every unsaved document before any window closes.
#include "gui/app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QSettings>
#include <QStatusBar>
#include <QToolButton>

#include "core/audio/playback_commands.h"
#include "core/audio/sound_playback.h"
#include "core/edit/clip_columns.h"
#include "core/edit/edit_command_table.h"
#include "gui/app/bar_placement.h"
#include "gui/app/edit_command_runner.h"
#include "gui/app/resource_ids.h"
#include "gui/app/wavedesk_app.h"
#include "gui/app/wavedesk_doc.h"
#include "gui/audio/monitor_bar.h"
#include "gui/edit/clipboard_dlg.h"
#include "gui/edit/sound_form_view.h"
#include "gui/ui/child_frame.h"
#include "gui/ui/control_tool_bar.h"
#include "gui/ui/icon_painter.h"
#include "gui/ui/lock_indicators.h"
#include "gui/ui/wavedesk_tool_bar.h"
#include "gui/ui/tree_bar.h"
#include "gui/ui/wavedesk_view.h"

namespace {

constexpr int kRecentFileCount = 8;

// Commands that need an active document window.
bool IsDocumentCommand(int id) {
  switch (id) {
    case ID_FILE_CLOSE:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
    case ID_ZOOM_IN:
    case ID_ZOOM_OUT:
    case ID_ZOOM_OUT_MAX:
    case ID_ZOOM_IN_MAX:
    case ID_LAYER_PROPERTIES:
    case ID_PLAY:
    case ID_PLAY_ALL:
    case ID_STOP:
    case ID_PAUSE:
    case ID_JUMP_TO_START:
    case ID_JUMP_TO_END:
      return true;
    default:
      // The edit, layer and envelope commands of the core's table.
      return FindEditCommand(id) != nullptr;
  }
}

}  // namespace

// Calls back after each mouse button or key release in any of the
// program's windows.
class CMainFrame::ReleaseWatcher : public QObject {
 public:
  explicit ReleaseWatcher(std::function<void()> released) : m_released(std::move(released)) {
    qApp->installEventFilter(this);
  }
  ~ReleaseWatcher() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // A window sees each event once, before the widget it goes to.
    if ((event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyRelease) && watched->isWindowType())
      m_released();
    return false;
  }

 private:
  std::function<void()> m_released;
};

namespace {

// The menu text of a table row: the keys after the tab are the shortcut's.
QString MenuText(const EditCommandInfo& command) { return QString::fromLatin1(command.menuText); }

}  // namespace

CMainFrame::CMainFrame(CWavedeskApp* app, SettingsRecord* settings, QWidget* parent)
    : QMainWindow(parent), m_app(app), m_settings(settings), m_mdiArea(new QMdiArea(this)) {
  setObjectName(QStringLiteral("CMainFrame"));
  m_mdiArea->setObjectName(QStringLiteral("MDIClient"));
  m_mdiArea->setViewMode(QMdiArea::SubWindowView);
  setCentralWidget(m_mdiArea);
  setAcceptDrops(true);
  resize(1024, 720);
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  statusBar()->showMessage(tr("Ready"));
  m_lockIndicators = new CLockIndicators(statusBar());
  // The audio meter at the bottom edge. Its record dialog records from the
  // application's capture ring and previews on its output, both of which
  // open after the frame is made.
  CMonitorBar::Services services;
  services.captureRing = [this]() -> SoundCaptureBuffer* {
    return m_app != nullptr ? m_app->devices().captureRing() : nullptr;
  };
  services.output = [this]() -> SoundOutputDevice* { return m_app != nullptr ? m_app->devices().output() : nullptr; };
  services.openMixer = [this] {
    std::unique_ptr<CaptureSourceMixer> mixer;
    if (m_app != nullptr) (void)OpenCaptureSourceMixer(m_app->devices().backend(), &mixer);
    return mixer;
  };
  m_monitorBar = new CMonitorBar(m_settings, std::move(services), this);
  m_monitorBar->setFeatures(QDockWidget::NoDockWidgetFeatures);
  addDockWidget(Qt::BottomDockWidgetArea, m_monitorBar);
  // The explorer at the right edge, over the full height of the window.
  m_treeBar = new CTreeBar(this);
  m_treeBar->setFeatures(QDockWidget::DockWidgetClosable);
  setCorner(Qt::TopRightCorner, Qt::RightDockWidgetArea);
  setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
  addDockWidget(Qt::RightDockWidgetArea, m_treeBar);
  connect(m_treeBar, &CTreeBar::openFileRequested, this, &CMainFrame::openFileRequested);
  // One clipboard manager for the whole program; its clips outlive the
  // documents they came from. Its preview plays on the application's output,
  // which opens after the frame is made.
  m_clipboardDlg = new CClipboardDlg(m_settings, {}, this);
  m_clipboardDlg->SetOutputDeviceSource(
      [this]() -> SoundOutputDevice* { return m_app != nullptr ? m_app->devices().output() : nullptr; });
  addDockWidget(Qt::BottomDockWidgetArea, m_clipboardDlg);
  // The bottom bars lie one above the other, the meter along the window's
  // bottom edge, each as wide as the window.
  splitDockWidget(m_clipboardDlg, m_monitorBar, Qt::Vertical);
  m_clipboardDlg->setFeatures(QDockWidget::NoDockWidgetFeatures);
  m_clipboardDlg->hide();
  m_treeBar->hide();
  m_editCommands = std::make_unique<CEditCommandRunner>(this, m_clipboardDlg);
  // The manager's own Paste pastes its selected clip into the active window.
  connect(m_clipboardDlg, &CClipboardDlg::pasteRequested, this, [this](int clip) {
    if (clip < 0) return;
    m_clipboardDlg->store().Select(clip);
    if (CChildFrame* child = activeChild()) m_editCommands->Run(*FindEditCommand(57637), child);
  });
  BuildActions();
  BuildMenus();
  BuildToolBars();
  LoadSettings();
  connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this] {
    UpdateMenus();
    UpdateTitle();
    // The buttons follow the active document's selection and history.
    disconnect(m_documentUpdates);
    if (CChildFrame* child = activeChild())
      m_documentUpdates = connect(child->document(), &CWavedeskDoc::updateAllViews, this, &CMainFrame::UpdateToolBars);
    UpdateToolBars();
  });
  connect(m_clipboardDlg, &CClipboardDlg::clipsChanged, this, &CMainFrame::UpdateToolBars);
  // A selection dragged with the mouse or moved with the keys ends with a
  // release: the buttons are brought up to date then, never on a timer.
  m_releaseWatcher = std::make_unique<ReleaseWatcher>([this] { UpdateToolBars(); });
  UpdateMenus();
  UpdateTitle();
  UpdateToolBars();
}

CMainFrame::~CMainFrame() {
  // Closing the document windows during destruction must not reach the
  // menus, whose data is already gone.
  m_releaseWatcher.reset();
  disconnect(m_documentUpdates);
  disconnect(m_mdiArea, nullptr, this, nullptr);
}

QAction* CMainFrame::AddCommand(int id, const QString& text, const QKeySequence& keys,
                                const QString& prompt) {
  auto* action = new QAction(text, this);
  action->setData(id);
  action->setObjectName(CommandName(id));
  if (!keys.isEmpty()) action->setShortcut(keys);
  // A prompt holds the status text and, after a line break, the tool tip.
  const QStringList parts = prompt.split(QLatin1Char('\n'));
  if (!parts.value(0).isEmpty()) action->setStatusTip(parts.value(0));
  if (parts.size() > 1) action->setToolTip(parts.value(1));
  connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
  m_actions.insert(id, action);
  addAction(action);  // shortcuts work whichever menu is showing
  return action;
}

void CMainFrame::BuildActions() {
  AddCommand(ID_FILE_NEW, tr("&New Blank File"), QKeySequence(Qt::CTRL | Qt::Key_N),
             tr("Create a new document\nNew"));
  AddCommand(ID_NEW_GENERATED_WAVE, tr("New &Generated Wave..."), {}, tr("Generate a new wave"));
  AddCommand(ID_FILE_OPEN, tr("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
             tr("Open an existing document\nOpen"));
  AddCommand(ID_FILE_CLOSE, tr("&Close"), {}, tr("Close the active document\nClose"));
  AddCommand(ID_FILE_SAVE, tr("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
             tr("Save the active document\nSave"));
  AddCommand(ID_FILE_SAVE_AS, tr("Save &As..."), {}, tr("Save the active document with a new name\nSave As"));
  AddCommand(ID_APP_EXIT, tr("E&xit"), {}, tr("Quit the application; prompts to save documents\nExit"));
  AddCommand(ID_ZOOM_IN, tr("Zoom &In"), {}, tr("Zoom in\nZoom In"));
  AddCommand(ID_ZOOM_OUT, tr("Zoom &Out"), {}, tr("Zoom out\nZoom Out"));
  AddCommand(ID_ZOOM_IN_MAX, tr("Zoom In &Max"), {}, tr("Zoom In to the maximum level"));
  AddCommand(ID_ZOOM_OUT_MAX, tr("Zoom Out Ma&x"), {}, tr("Zoom out to the maximum level"));
  AddCommand(ID_LAYER_PROPERTIES, tr("Layer &Properties..."), {}, tr("Edit Layer properties"));
  for (const EditCommandInfo& command : EditCommandTable()) {
    if (command.handler == nullptr) continue;  // Layer Properties, above
    QAction* entry = AddCommand(command.id, MenuText(command), {}, QString::fromLatin1(command.prompt));
    QList<QKeySequence> keys;
    for (const std::string& key : command.keys) keys.append(QKeySequence::fromString(QString::fromStdString(key)));
    entry->setShortcuts(keys);
  }
  AddCommand(ID_PLAY, tr("&Play"), {}, tr("Play the active wave file\nPlay"));
  AddCommand(ID_PLAY_ALL, tr("Play &All"), {}, tr("Play the entire wave\nPlay All"));
  AddCommand(ID_STOP, tr("&Stop"), {}, tr("Stop playback\nStop"));
  AddCommand(ID_PAUSE, tr("Pause"), {}, tr("Pause playback\nPause"));
  AddCommand(ID_JUMP_TO_START, tr("Jump to Start"), QKeySequence(Qt::Key_Home), tr("Move the cursor to the beginning\nJump to Start"));
  AddCommand(ID_JUMP_TO_END, tr("Jump to End"), QKeySequence(Qt::Key_End), tr("Move the cursor to the end\nJump to End"));
  // The space bar starts and stops playback, as in every sound editor.
  auto* playOrStop = new QAction(this);
  playOrStop->setShortcut(QKeySequence(Qt::Key_Space));
  connect(playOrStop, &QAction::triggered, this, [this] {
    CChildFrame* child = activeChild();
    if (child == nullptr) return;
    ExecuteCommand(child->document()->sound().IsPlaying() ? ID_STOP : ID_PLAY);
  });
  addAction(playOrStop);
  AddCommand(ID_RECORD, tr("&Record..."), {}, tr("Bring up the record dialog\nRecord"));
  AddCommand(ID_PREFERENCES, tr("&Preferences..."), {}, tr("Change the application preferences\nPreferences"));
  AddCommand(ID_COMMON_TASKS, tr("&Common Tasks..."), {}, tr("Bring up the common tasks dialog\nCommon Tasks"));
  // The bars' show and hide commands; their check marks are set as the
  // View menu opens, from the bars themselves.
  AddCommand(ID_VIEW_TOOLBAR, tr("&Toolbar"), {}, tr("Show or hide the toolbar\nToggle ToolBar"));
  AddCommand(ID_VIEW_PLAY_CONTROLS, tr("&Play Controls"), {}, tr("Show or hide the play controls\nToggle Play Controls"));
  AddCommand(ID_VIEW_STATUS_BAR, tr("&Status Bar"), {}, tr("Show or hide the status bar\nToggle StatusBar"));
  AddCommand(ID_VIEW_EXPLORER, tr("&Explorer"), {}, tr("Show or hide the file explorer\nToggle Explorer"));
  AddCommand(ID_VIEW_CLIPBOARD, tr("&Clipboard Manager"), {},
             tr("Show or hide the clipboard manager\nToggle Clipboard Manager"));
  AddCommand(ID_VIEW_AUDIO_METER, tr("&Audio Meter"), {}, tr("Show or hide the audio meter\nToggle Audio Meter"));
  for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_PLAY_CONTROLS, ID_VIEW_STATUS_BAR, ID_VIEW_EXPLORER, ID_VIEW_CLIPBOARD,
                 ID_VIEW_AUDIO_METER})
    action(id)->setCheckable(true);
  // A copy can show the clipboard manager too; the check mark follows it.
  connect(m_clipboardDlg, &CClipboardDlg::shownChanged, action(ID_VIEW_CLIPBOARD), &QAction::setChecked);
  connect(m_monitorBar, &CMonitorBar::shownChanged, action(ID_VIEW_AUDIO_METER), &QAction::setChecked);
  connect(m_treeBar, &CTreeBar::shownChanged, action(ID_VIEW_EXPLORER), &QAction::setChecked);
  AddCommand(ID_HELP_CONTENTS, tr("&Help Contents..."), QKeySequence(QKeySequence::HelpContents),
             tr("Open the help\nHelp"));
  AddCommand(ID_PRINTABLE_GUIDE, tr("Printable &Guide"), {},
             tr("Open the guide to read or print it\nPrintable Guide"));
  AddCommand(ID_APP_ABOUT, tr("&About Tarvo Wavedesk..."), {},
             tr("Display program information, version number and copyright\nAbout"));
  // The menus show the tool bars' icons beside the same commands.
  for (auto it = m_actions.begin(); it != m_actions.end(); ++it) {
    const QIcon icon = PaintedCommandIcon(it.key());
    if (!icon.isNull()) it.value()->setIcon(icon);
  }
}

void CMainFrame::BuildMenus() {
  QMenuBar* bar = menuBar();
  m_fileMenu = bar->addMenu(tr("&File"));
  m_newMenu = m_fileMenu->addMenu(tr("&New"));
  m_newMenu->addAction(action(ID_FILE_NEW));
  m_newMenu->addAction(action(ID_NEW_GENERATED_WAVE));
  m_fileMenu->addAction(action(ID_FILE_OPEN));
  m_fileMenu->addAction(action(ID_FILE_CLOSE));
  m_fileMenu->addSeparator();
  m_fileMenu->addAction(action(ID_FILE_SAVE));
  m_fileMenu->addAction(action(ID_FILE_SAVE_AS));
  m_fileMenu->addSeparator();
  m_recentMenu = m_fileMenu->addMenu(tr("Recent &Files"));
  m_fileMenu->addSeparator();
  m_fileMenu->addAction(action(ID_APP_EXIT));

  QMenu* editMenu = bar->addMenu(tr("&Edit"));
  editMenu->addAction(action(57643));  // Undo
  editMenu->addAction(action(212));    // Redo
  editMenu->addSeparator();
  QMenu* zoomMenu = editMenu->addMenu(tr("Zoom"));
  zoomMenu->addAction(action(ID_ZOOM_IN));
  zoomMenu->addAction(action(ID_ZOOM_OUT));
  zoomMenu->addAction(action(ID_ZOOM_IN_MAX));
  zoomMenu->addAction(action(ID_ZOOM_OUT_MAX));
  QMenu* envelopeMenu = editMenu->addMenu(tr("Envelope"));
  envelopeMenu->addAction(action(280));  // Insert Node
  envelopeMenu->addAction(action(283));  // Remove All Nodes
  editMenu->addSeparator();
  for (int id : {57635, 57634, 57637, 214, 254}) editMenu->addAction(action(id));  // Cut ... Crop
  editMenu->addSeparator();
  editMenu->addAction(action(255));  // Select All
  connect(editMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateEditCommands);
  connect(editMenu, &QMenu::aboutToHide, this, &CMainFrame::UpdateMenus);
  m_documentMenus.append(editMenu);

  QMenu* layerMenu = bar->addMenu(tr("&Layer"));
  QMenu* addLayerMenu = layerMenu->addMenu(tr("&Add Layer"));
  addLayerMenu->addAction(action(264));  // Add Blank Layer
  addLayerMenu->addAction(action(265));  // Generate Layer
  layerMenu->addAction(action(261));     // Delete Layer
  layerMenu->addAction(action(ID_LAYER_PROPERTIES));
  layerMenu->addAction(action(262));     // Merge Layers
  connect(layerMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateEditCommands);
  // Between menus the keys stay live; the command checks its own rule when
  // it runs.
  connect(layerMenu, &QMenu::aboutToHide, this, &CMainFrame::UpdateMenus);
  m_documentMenus.append(layerMenu);

  QMenu* controlsMenu = bar->addMenu(tr("&Controls"));
  for (int id : {ID_PLAY, ID_PLAY_ALL, ID_STOP, ID_PAUSE}) controlsMenu->addAction(action(id));
  controlsMenu->addSeparator();
  controlsMenu->addAction(action(ID_JUMP_TO_START));
  controlsMenu->addAction(action(ID_JUMP_TO_END));
  controlsMenu->addSeparator();
  controlsMenu->addAction(action(ID_RECORD));
  m_documentMenus.append(controlsMenu);

  m_viewMenu = bar->addMenu(tr("&View"));
  for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_PLAY_CONTROLS, ID_VIEW_STATUS_BAR}) m_viewMenu->addAction(action(id));
  m_viewMenu->addSeparator();
  for (int id : {ID_VIEW_EXPLORER, ID_VIEW_CLIPBOARD, ID_VIEW_AUDIO_METER}) m_viewMenu->addAction(action(id));
  connect(m_viewMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateViewMenu);

  QMenu* toolsMenu = bar->addMenu(tr("&Tools"));
  toolsMenu->addAction(action(ID_PREFERENCES));
  toolsMenu->addAction(action(ID_COMMON_TASKS));

  m_windowMenu = bar->addMenu(tr("&Window"));
  connect(m_windowMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateWindowMenu);
  UpdateWindowMenu();
  m_documentMenus.append(m_windowMenu);

  QMenu* helpMenu = bar->addMenu(tr("&Help"));
  helpMenu->addAction(action(ID_HELP_CONTENTS));
  helpMenu->addAction(action(ID_PRINTABLE_GUIDE));
  helpMenu->addSeparator();
  helpMenu->addAction(action(ID_APP_ABOUT));
}

void CMainFrame::BuildToolBars() {
  const auto commands = [this](int id) { return action(id); };
  m_toolBar = new CWavedeskToolBar(commands, this);
  m_controlBar = new CControlToolBar(commands, this);
  addToolBar(Qt::TopToolBarArea, m_toolBar);
  addToolBar(Qt::TopToolBarArea, m_controlBar);
  for (CCommandToolBar* toolBar : {static_cast<CCommandToolBar*>(m_toolBar), static_cast<CCommandToolBar*>(m_controlBar)})
    connect(toolBar, &CCommandToolBar::commandClicked, this, [this](int id) { ExecuteCommand(id); });
  // New's arrow opens the File menu's New submenu; Paste's lists the
  // clipboard manager's clips and pastes the one chosen.
  m_toolBar->SetDropDownMenu(ID_FILE_NEW, m_newMenu);
  m_pasteMenu = new QMenu(this);
  m_pasteMenu->setObjectName(QStringLiteral("PasteDropDown"));
  connect(m_pasteMenu, &QMenu::aboutToShow, this, &CMainFrame::FillPasteMenu);
  connect(m_pasteMenu, &QMenu::triggered, this, [this](QAction* chosen) {
    const int clip = chosen->data().toInt() - 1;
    if (clip < 0) return;
    m_clipboardDlg->PasteClip(clip);
    UpdateToolBars();
  });
  m_toolBar->SetDropDownMenu(ID_EDIT_PASTE, m_pasteMenu);
}

void CMainFrame::FillPasteMenu() {
  m_pasteMenu->clear();
  int id = 0;
  for (const ClipRow& row : m_clipboardDlg->store().rows())
    m_pasteMenu->addAction(QString::fromStdString(ClipPasteMenuText(row)))->setData(++id);
}

void CMainFrame::UpdateToolBars() {
  if (m_toolBar == nullptr) return;
  const EditCommandState state = m_editCommands->StateFor(activeChild());
  for (CCommandToolBar* toolBar : {static_cast<CCommandToolBar*>(m_toolBar), static_cast<CCommandToolBar*>(m_controlBar)}) {
    for (int id : toolBar->commands()) {
      // An edit command follows its own rule; the others their action,
      // which is enabled while there is a window for it.
      const EditCommandInfo* command = FindEditCommand(id);
      const QAction* entry = action(id);
      toolBar->SetButtonEnabled(id, command != nullptr && command->handler != nullptr ? command->enabled(state)
                                                                                     : entry == nullptr || entry->isEnabled());
    }
  }
}

QWidget* CMainFrame::bar(const QString& name) const {
  for (const auto& [barName, widget] : PlacedBars()) {
    if (barName == name) return widget;
  }
  return nullptr;
}

QList<QPair<QString, QWidget*>> CMainFrame::PlacedBars() const {
  return {{QStringLiteral("Toolbar"), m_toolBar},
          {QStringLiteral("Monitor"), m_monitorBar},
          {QStringLiteral("Explorer"), m_treeBar},
          {QStringLiteral("Clipboard"), m_clipboardDlg},
          {QStringLiteral("Controls"), m_controlBar}};
}

void CMainFrame::UpdateViewMenu() {
  const auto check = [this](int id, const QWidget* shown) {
    action(id)->setChecked(shown != nullptr && !shown->isHidden());
    action(id)->setEnabled(shown != nullptr);
  };
  check(ID_VIEW_TOOLBAR, m_toolBar);
  check(ID_VIEW_PLAY_CONTROLS, m_controlBar);
  check(ID_VIEW_STATUS_BAR, statusBar());
  check(ID_VIEW_EXPLORER, bar(QStringLiteral("Explorer")));
  check(ID_VIEW_CLIPBOARD, m_clipboardDlg);
  check(ID_VIEW_AUDIO_METER, bar(QStringLiteral("Monitor")));
}

CChildFrame* CMainFrame::activeChild() const {
  QMdiSubWindow* window = m_mdiArea->activeSubWindow();
  return window != nullptr ? qobject_cast<CChildFrame*>(window->widget()) : nullptr;
}

void CMainFrame::UpdateMenus() {
  const bool hasDocument = activeChild() != nullptr;
  for (QMenu* menu : m_documentMenus) menu->menuAction()->setVisible(hasDocument);
  for (auto it = m_actions.begin(); it != m_actions.end(); ++it) {
    if (IsDocumentCommand(it.key())) it.value()->setEnabled(hasDocument);
  }
  UpdateRecentFileMenu();
}

void CMainFrame::UpdateWindowMenu() {
  m_windowMenu->clear();
  m_windowMenu->addAction(tr("&Cascade"), m_mdiArea, &QMdiArea::cascadeSubWindows);
  m_windowMenu->addAction(tr("&Tile"), m_mdiArea, &QMdiArea::tileSubWindows);
  // Then one entry per document window, numbered in the order they were
  // opened; the active one is checked and choosing one brings it forward.
  const QList<QMdiSubWindow*> windows = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
  if (windows.isEmpty()) return;
  m_windowMenu->addSeparator();
  int number = 0;
  for (QMdiSubWindow* window : windows) {
    ++number;
    // Only the first nine numbers can be typed as access keys.
    const QString text = number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(window->windowTitle())
                                     : QStringLiteral("%1 %2").arg(number).arg(window->windowTitle());
    QAction* entry = m_windowMenu->addAction(text);
    entry->setCheckable(true);
    entry->setChecked(window == m_mdiArea->activeSubWindow());
    QPointer<QMdiSubWindow> target(window);
    connect(entry, &QAction::triggered, this, [this, target] {
      if (target) m_mdiArea->setActiveSubWindow(target);
    });
  }
}

void CMainFrame::UpdateTitle() {
  CChildFrame* child = activeChild();
  const QString application = QString::fromLatin1(kApplicationTitle);
  if (child == nullptr) {
    setWindowTitle(application);
    return;
  }
  // A maximised document window has no title bar of its own; its name goes
  // into the main title in brackets, once. The MDI area writes "<title> -
  // [<name>]" itself unless the title already holds "- [<name>]", so the
  // bracketed form is set here in full and the area leaves it alone.
  const QString name = child->document()->DisplayTitle();
  const QMdiSubWindow* window = m_mdiArea->activeSubWindow();
  if (window != nullptr && window->isMaximized())
    setWindowTitle(application + QStringLiteral(" - [") + name + QStringLiteral("]"));
  else
    setWindowTitle(application + QStringLiteral(" - ") + name);
}

CChildFrame* CMainFrame::AddDocumentWindow(CWavedeskDoc* document) {
  auto* child = new CChildFrame(document);
  child->installEventFilter(this);
  QMdiSubWindow* window = m_mdiArea->addSubWindow(child);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(document->DisplayTitle());
  window->setWindowIcon(windowIcon());
  connect(document, &CWavedeskDoc::titleChanged, window, [this, window](const QString& title) {
    window->setWindowTitle(title);
    UpdateTitle();
  });
  connect(window, &QMdiSubWindow::windowStateChanged, this, [this] { UpdateTitle(); });
  // Each new window opens a step below and to the right of the last, as a
  // cascade, starting over at the top left when it would run off the area.
  const int step = 24;
  const int count = static_cast<int>(m_mdiArea->subWindowList().size()) - 1;
  const QSize size(std::max(480, m_mdiArea->width() * 4 / 5), std::max(360, m_mdiArea->height() * 4 / 5));
  const int room = std::max(1, std::min(m_mdiArea->width() - size.width(), m_mdiArea->height() - size.height()) / step + 1);
  window->setGeometry(QRect(QPoint(count % room * step, count % room * step), size));
  window->show();
  m_mdiArea->setActiveSubWindow(window);
  child->OnInitialUpdate();
  return child;
}

bool CMainFrame::ExecuteCommand(int id) {
  QAction* command = action(id);
  if (command == nullptr || !command->isEnabled()) return false;
  command->trigger();
  return true;
}

void CMainFrame::OnCommand(int id) {
  emit commandTriggered(id);
  QWidget* toggled = nullptr;
  switch (id) {
    case ID_VIEW_TOOLBAR: toggled = m_toolBar; break;
    case ID_VIEW_PLAY_CONTROLS: toggled = m_controlBar; break;
    case ID_VIEW_STATUS_BAR: toggled = statusBar(); break;
    case ID_VIEW_EXPLORER: toggled = bar(QStringLiteral("Explorer")); break;
    case ID_VIEW_CLIPBOARD: toggled = m_clipboardDlg; break;
    case ID_VIEW_AUDIO_METER: toggled = bar(QStringLiteral("Monitor")); break;
    default: break;
  }
  if (toggled != nullptr) {
    // Hidden if shown, else shown; the check mark follows the bar itself.
    toggled->setVisible(toggled->isHidden());
    UpdateViewMenu();
    return;
  }
  if (id == ID_APP_EXIT) {
    close();
    return;
  }
  if (IsDocumentCommand(id)) {
    // Document commands act on the active child window, and only on one.
    if (CChildFrame* child = activeChild()) OnDocumentCommand(id, child);
    UpdateToolBars();
    return;
  }
  if (m_app != nullptr) m_app->OnCommand(id);
}

void CMainFrame::UpdateEditCommands() {
  CChildFrame* child = activeChild();
  const EditCommandState state = m_editCommands->StateFor(child);
  for (const EditCommandInfo& command : EditCommandTable()) {
    QAction* entry = action(command.id);
    if (entry == nullptr || command.handler == nullptr) continue;
    entry->setEnabled(command.enabled(state));
  }
  // Undo and Redo name the action they would take back or do again.
  if (child != nullptr) {
    const CActionHistory& history = child->formView()->Editor().history();
    action(57643)->setText(QString::fromStdString(history.UndoLabel()));
    action(212)->setText(QString::fromStdString(history.RedoLabel()));
  }
}

void CMainFrame::OnDocumentCommand(int id, CChildFrame* child) {
  if (const EditCommandInfo* command = FindEditCommand(id); command != nullptr && command->handler != nullptr) {
    m_editCommands->Run(*command, child);
    return;
  }
  CWavedeskView* view = child->view();
  switch (id) {
    case ID_ZOOM_IN:
      view->ZoomIn();
      break;
    case ID_ZOOM_OUT:
      view->ZoomOut();
      break;
    case ID_ZOOM_IN_MAX:
      view->ZoomInMax();
      break;
    case ID_ZOOM_OUT_MAX:
      view->ZoomOutMax();
      break;
    case ID_FILE_CLOSE:
      m_mdiArea->activeSubWindow()->close();
      break;
    case ID_LAYER_PROPERTIES:
      child->formView()->EditLayerProperties();
      break;
    case ID_PLAY:
    case ID_PLAY_ALL:
    case ID_STOP:
    case ID_PAUSE:
    case ID_JUMP_TO_START:
    case ID_JUMP_TO_END:
      OnPlayCommand(id, child);
      break;
    default:
      if (m_app != nullptr) m_app->OnDocumentCommand(id, child);
      break;
  }
}

void CMainFrame::OnPlayCommand(int id, CChildFrame* child) {
  CWavedeskDoc* document = child->document();
  CSoundPlayback* playback = document->playback();
  switch (id) {
    case ID_PLAY:
      // A buffer that cannot be made leaves the sound idle: silence, no more.
      if (playback != nullptr) playback->Play();
      break;
    case ID_PLAY_ALL:
      if (playback != nullptr) {
        document->sound().selectionStart = document->sound().selectionEnd = 0;
        document->UpdateAllViews(kUpdateSelection);
        playback->Play();
      }
      break;
    case ID_STOP:
      if (playback != nullptr) playback->Stop();
      break;
    case ID_PAUSE:
      if (playback != nullptr) playback->Pause();
      break;
    case ID_JUMP_TO_START:
      if (JumpToStart(document->sound())) document->UpdateAllViews(kUpdateSelection);
      break;
    case ID_JUMP_TO_END:
      if (JumpToEnd(document->sound())) document->UpdateAllViews(kUpdateSelection);
      break;
    default:
      break;
  }
}

void CMainFrame::AddRecentFile(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  m_recentFiles.removeAll(absolute);
  m_recentFiles.prepend(absolute);
  while (m_recentFiles.size() > kRecentFileCount) m_recentFiles.removeLast();
  UpdateRecentFileMenu();
}

void CMainFrame::UpdateRecentFileMenu() {
  m_recentMenu->clear();
  for (int i = 0; i < m_recentFiles.size(); ++i) {
    const QString path = m_recentFiles[i];
    QAction* entry = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
    entry->setData(ID_FILE_MRU_FIRST + i);
    connect(entry, &QAction::triggered, this, [this, path] { emit openFileRequested(path); });
  }
  m_recentMenu->menuAction()->setEnabled(!m_recentFiles.isEmpty());
}

void CMainFrame::LoadSettings() {
  QSettings profile;
  const QByteArray placement = profile.value(QStringLiteral("Settings/WindowPlacement")).toByteArray();
  if (!placement.isEmpty()) restoreGeometry(placement);
  // The bars as the user left them; a bar without a stored placement
  // keeps its first-start state.
  for (const auto& [name, barWidget] : PlacedBars()) {
    if (barWidget == nullptr) continue;
    const auto stored = ReadBarPlacement(profile.value(QStringLiteral("Settings/") + name).toByteArray());
    if (stored) ApplyBarPlacement(*this, *barWidget, *stored);
  }
  if (m_settings != nullptr) {
    const QByteArray stored = profile.value(QStringLiteral("Settings/Preferences")).toByteArray();
    m_settings->ReadBytes(reinterpret_cast<const uint8_t*>(stored.constData()), static_cast<size_t>(stored.size()));
  }
  profile.beginGroup(QStringLiteral("Recent File List"));
  for (int i = 1; i <= kRecentFileCount; ++i) {
    const QString path = profile.value(QStringLiteral("File%1").arg(i)).toString();
    if (!path.isEmpty()) m_recentFiles.append(path);
  }
  profile.endGroup();
}

void CMainFrame::SaveSettings() {
  QSettings profile;
  if (m_settings != nullptr) {
    const auto flags = m_settings->ToBytes();
    profile.setValue(QStringLiteral("Settings/Preferences"),
                     QByteArray(reinterpret_cast<const char*>(flags.data()), SettingsRecord::kSize));
  }
  profile.setValue(QStringLiteral("Settings/WindowPlacement"), saveGeometry());
  for (const auto& [name, barWidget] : PlacedBars()) {
    if (barWidget != nullptr) profile.setValue(QStringLiteral("Settings/") + name, BarPlacementBytes(*barWidget));
  }
  profile.beginGroup(QStringLiteral("Recent File List"));
  for (int i = 1; i <= kRecentFileCount; ++i) {
    if (i <= m_recentFiles.size())
      profile.setValue(QStringLiteral("File%1").arg(i), m_recentFiles[i - 1]);
    else
      profile.remove(QStringLiteral("File%1").arg(i));
  }
  profile.endGroup();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // A search of the disks is cancelled, and the close with it: the user
  // sees the search stop before the program goes.
  if (m_treeBar->RefuseCloseWhileSearching()) {
    event->ignore();
    return;
  }
  if (!CloseAllDocuments()) {
    event->ignore();
    return;
  }
  // The preview's buffer must go before the sound devices close.
  m_clipboardDlg->StopPreview();
  if (m_app != nullptr) m_app->OnMainWindowClosing();
  SaveSettings();
  event->accept();
}

bool CMainFrame::CloseAllDocuments() {
  // Every modified document is asked about first, in the order the
  // documents were opened, and the first Cancel ends the whole exit with
  // every window as it was: no later document is asked (where "No" would
  // throw its changes away) and no window has closed yet.
  const QList<QMdiSubWindow*> windows = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
  if (m_app != nullptr) {
    for (QMdiSubWindow* window : windows) {
      auto* child = qobject_cast<CChildFrame*>(window->widget());
      if (child != nullptr && child->document()->IsModified() && !m_app->CanCloseDocument(child)) return false;
    }
  }
  // Every question is answered: the windows close without asking again.
  m_closingAll = true;
  m_mdiArea->closeAllSubWindows();
  m_closingAll = false;
  for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
    if (window->isVisible()) return false;
  }
  return true;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  // A document window about to close asks about unsaved changes first,
  // unless the exit has asked already.
  if (event->type() == QEvent::Close && m_app != nullptr) {
    if (auto* child = qobject_cast<CChildFrame*>(watched); child != nullptr) {
      if (m_closingAll) {
        child->document()->sound().Stop();
      } else if (!m_app->CanCloseDocument(child)) {
        event->ignore();
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) emit openFileRequested(url.toLocalFile());
  }
  event->acceptProposedAction();
}
