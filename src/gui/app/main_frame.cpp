// The main window: its commands, menus and bars, the titles of the
// documents in it, the settings and bar placements it keeps, and the exit,
// which asks about every unsaved document before any window closes.
#include "gui/app/main_frame.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QSettings>
#include <QStatusBar>
#include <QToolButton>

#include "core/audio/playback_commands.h"
#include "core/audio/sound_playback.h"
#include "core/edit/clip_columns.h"
#include "core/edit/command_table.h"
#include "gui/app/bar_placement.h"
#include "gui/app/command_runner.h"
#include "gui/base/resource_ids.h"
#include "core/audio/audio_devices.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/monitor_bar.h"
#include "gui/panes/record_dlg.h"
#include "gui/panes/clipboard_dlg.h"
#include "gui/panes/sound_form_view.h"
#include "gui/panes/child_frame.h"
#include "gui/panes/control_tool_bar.h"
#include "gui/base/icon_painter.h"
#include "gui/base/lock_indicators.h"
#include "gui/panes/wavedesk_tool_bar.h"
#include "gui/panes/tree_bar.h"
#include "gui/panes/wavedesk_view.h"

namespace {

constexpr int kRecentFileCount = 8;

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

// A list, tree or text widget with the focus uses Space, Home and End
// itself (to pick, to go to its first or last row, to type); the program's
// shortcuts on those keys then wait. The view and the other widgets leave
// them to the shortcuts.
class CMainFrame::KeyKeeper : public QObject {
 public:
  KeyKeeper() { qApp->installEventFilter(this); }
  ~KeyKeeper() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() != Qt::NoModifier) return false;
    if (key->key() != Qt::Key_Space && key->key() != Qt::Key_Home && key->key() != Qt::Key_End) return false;
    if (qobject_cast<QAbstractItemView*>(watched) != nullptr || qobject_cast<QLineEdit*>(watched) != nullptr ||
        qobject_cast<QPlainTextEdit*>(watched) != nullptr || qobject_cast<QTextEdit*>(watched) != nullptr ||
        qobject_cast<QAbstractSpinBox*>(watched) != nullptr || qobject_cast<QComboBox*>(watched) != nullptr) {
      // Accepting the override hands the key to the widget as a key press.
      event->accept();
      return true;
    }
    return false;
  }
};

CMainFrame::CMainFrame(CMainFrameOwner* app, SettingsRecord* settings, QWidget* parent)
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
  m_commands = std::make_unique<CCommandRunner>(this, m_clipboardDlg);
  // The manager's own Paste pastes its selected clip into the active window.
  connect(m_clipboardDlg, &CClipboardDlg::pasteRequested, this, [this](int clip) {
    if (clip < 0) return;
    m_clipboardDlg->store().Select(clip);
    if (CChildFrame* child = activeChild()) m_commands->Run(*FindCommand(CommandId::kPaste), child->document());
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
  m_keyKeeper = std::make_unique<KeyKeeper>();
  UpdateMenus();
  UpdateTitle();
  UpdateToolBars();
}

CMainFrame::~CMainFrame() {
  // Closing the document windows during destruction must not reach the
  // menus, whose data is already gone.
  m_releaseWatcher.reset();
  m_keyKeeper.reset();
  disconnect(m_documentUpdates);
  disconnect(m_mdiArea, nullptr, this, nullptr);
}

void CMainFrame::BuildActions() {
  // One action per row of the command table, with its text, keys and
  // prompt; the menus, the tool bars and the keys all trigger these.
  for (const CommandInfo& command : CommandTable()) {
    if (command.has(command_flags::kRecentFiles)) continue;  // a submenu, filled with the files
    auto* entry = new QAction(QString::fromLatin1(command.menuText), this);
    const CommandId id = command.id;
    entry->setData(ToInt(id));
    entry->setObjectName(CommandName(id));
    QList<QKeySequence> keys;
    for (const std::string& key : command.keys) keys.append(QKeySequence::fromString(QString::fromStdString(key)));
    entry->setShortcuts(keys);
    // A prompt holds the status text and, after a line break, the tool tip.
    const QStringList parts = QString::fromLatin1(command.prompt).split(QLatin1Char('\n'));
    if (!parts.value(0).isEmpty()) entry->setStatusTip(parts.value(0));
    if (parts.size() > 1) entry->setToolTip(parts.value(1));
    entry->setCheckable(command.has(command_flags::kCheckable));
    connect(entry, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions.insert(ToInt(id), entry);
    addAction(entry);  // shortcuts work whichever menu is showing
  }
  // The space bar starts and stops playback, as in every sound editor.
  auto* playOrStop = new QAction(this);
  playOrStop->setShortcut(QKeySequence(Qt::Key_Space));
  connect(playOrStop, &QAction::triggered, this, [this] {
    CChildFrame* child = activeChild();
    if (child == nullptr) return;
    ExecuteCommand(child->document()->sound().IsPlaying() ? CommandId::kStop : CommandId::kPlay);
  });
  addAction(playOrStop);
  // A copy can show the clipboard manager too; the check mark follows it.
  connect(m_clipboardDlg, &CClipboardDlg::shownChanged, action(CommandId::kViewClipboard), &QAction::setChecked);
  connect(m_monitorBar, &CMonitorBar::shownChanged, action(CommandId::kViewAudioMeter), &QAction::setChecked);
  connect(m_treeBar, &CTreeBar::shownChanged, action(CommandId::kViewExplorer), &QAction::setChecked);
  // The menus show the tool bars' icons beside the same commands.
  for (auto it = m_actions.begin(); it != m_actions.end(); ++it) {
    const QIcon icon = PaintedCommandIcon(static_cast<CommandId>(it.key()));
    if (!icon.isNull()) it.value()->setIcon(icon);
  }
}

void CMainFrame::BuildMenus() {
  // The menus are laid out by walking the command table: each row goes into
  // its menu, or into its submenu there, in the table's order.
  QMenuBar* bar = menuBar();
  for (const MenuInfo& info : MenuBarMenus()) {
    const QString title = QString::fromLatin1(info.title);
    QMenu* top = bar->addMenu(title);
    m_menus.insert(title, top);
    if (info.documentOnly) m_documentMenus.append(top);
    QMenu* submenu = nullptr;
    QString submenuTitle;
    for (const CommandInfo& command : CommandTable()) {
      if (QString::fromLatin1(command.menu) != title) continue;
      const QString wanted = QString::fromLatin1(command.submenu);
      if (wanted != submenuTitle || wanted.isEmpty()) {
        submenu = nullptr;
        submenuTitle = wanted;
        if (command.has(command_flags::kSeparatorBefore)) top->addSeparator();
        if (!wanted.isEmpty()) {
          submenu = top->addMenu(wanted);
          m_menus.insert(title + QLatin1Char('/') + wanted, submenu);
        }
      } else if (command.has(command_flags::kSeparatorBefore)) {
        submenu->addSeparator();
      }
      QMenu* into = submenu != nullptr ? submenu : top;
      if (command.has(command_flags::kRecentFiles)) {
        m_recentMenu = into->addMenu(QString::fromLatin1(command.menuText));
        continue;
      }
      into->addAction(action(command.id));
    }
  }
  m_fileMenu = menu(QStringLiteral("&File"));
  m_newMenu = menu(QStringLiteral("&File/&New"));
  for (QMenu* documentMenu : {menu(QStringLiteral("&Edit")), menu(QStringLiteral("&Layer"))}) {
    connect(documentMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateEditCommands);
    // Between menus the keys stay live; the command checks its own rule
    // when it runs.
    connect(documentMenu, &QMenu::aboutToHide, this, &CMainFrame::UpdateMenus);
  }
  m_viewMenu = menu(QStringLiteral("&View"));
  connect(m_viewMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateViewMenu);
  m_windowMenu = menu(QStringLiteral("&Window"));
  connect(m_windowMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateWindowMenu);
  UpdateWindowMenu();
}

void CMainFrame::BuildToolBars() {
  const auto commands = [this](CommandId id) { return action(id); };
  m_toolBar = new CWavedeskToolBar(commands, this);
  m_controlBar = new CControlToolBar(commands, this);
  addToolBar(Qt::TopToolBarArea, m_toolBar);
  addToolBar(Qt::TopToolBarArea, m_controlBar);
  for (CCommandToolBar* toolBar : {static_cast<CCommandToolBar*>(m_toolBar), static_cast<CCommandToolBar*>(m_controlBar)})
    connect(toolBar, &CCommandToolBar::commandClicked, this, [this](CommandId id) { ExecuteCommand(id); });
  // New's arrow opens the File menu's New submenu; Paste's lists the
  // clipboard manager's clips and pastes the one chosen.
  m_toolBar->SetDropDownMenu(CommandId::kFileNew, m_newMenu);
  m_pasteMenu = new QMenu(this);
  m_pasteMenu->setObjectName(QStringLiteral("PasteDropDown"));
  connect(m_pasteMenu, &QMenu::aboutToShow, this, &CMainFrame::FillPasteMenu);
  connect(m_pasteMenu, &QMenu::triggered, this, [this](QAction* chosen) {
    const int clip = chosen->data().toInt() - 1;
    if (clip < 0) return;
    m_clipboardDlg->PasteClip(clip);
    UpdateToolBars();
  });
  m_toolBar->SetDropDownMenu(CommandId::kPaste, m_pasteMenu);
}

void CMainFrame::FillPasteMenu() {
  m_pasteMenu->clear();
  int id = 0;
  for (const ClipRow& row : m_clipboardDlg->store().rows())
    m_pasteMenu->addAction(QString::fromStdString(ClipPasteMenuText(row)))->setData(++id);
}

void CMainFrame::UpdateToolBars() {
  if (m_toolBar == nullptr) return;
  CChildFrame* child = activeChild();
  const CommandState state = m_commands->StateFor(child != nullptr ? child->document() : nullptr);
  for (CCommandToolBar* toolBar : {static_cast<CCommandToolBar*>(m_toolBar), static_cast<CCommandToolBar*>(m_controlBar)}) {
    for (CommandId id : toolBar->commands()) {
      // An edit command follows its own rule; the others their action,
      // which is enabled while there is a window for it.
      const CommandInfo* command = FindCommand(id);
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
  const auto check = [this](CommandId id, const QWidget* shown) {
    action(id)->setChecked(shown != nullptr && !shown->isHidden());
    action(id)->setEnabled(shown != nullptr);
  };
  check(CommandId::kViewToolbar, m_toolBar);
  check(CommandId::kViewPlayControls, m_controlBar);
  check(CommandId::kViewStatusBar, statusBar());
  check(CommandId::kViewExplorer, bar(QStringLiteral("Explorer")));
  check(CommandId::kViewClipboard, m_clipboardDlg);
  check(CommandId::kViewAudioMeter, bar(QStringLiteral("Monitor")));
}

CChildFrame* CMainFrame::activeChild() const {
  QMdiSubWindow* window = m_mdiArea->activeSubWindow();
  return window != nullptr ? qobject_cast<CChildFrame*>(window->widget()) : nullptr;
}

void CMainFrame::UpdateMenus() {
  const bool hasDocument = activeChild() != nullptr;
  for (QMenu* menu : m_documentMenus) menu->menuAction()->setVisible(hasDocument);
  for (const CommandInfo& command : CommandTable()) {
    QAction* entry = m_actions.value(ToInt(command.id));
    if (entry != nullptr && command.has(command_flags::kNeedsDocument)) entry->setEnabled(hasDocument);
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
  // The panes reach the commands and the menus through what they are handed.
  PaneHooks hooks;
  QPointer<CChildFrame> frame(child);
  hooks.runCommand = [this, frame](CommandId id) {
    if (frame == nullptr) return;
    if (const CommandInfo* command = FindCommand(id); command != nullptr && command->handler != nullptr)
      m_commands->Run(*command, frame->document());
    UpdateToolBars();
  };
  hooks.editMenu = [this] { return menu(QStringLiteral("&Edit")); };
  hooks.layerMenu = [this] { return menu(QStringLiteral("&Layer")); };
  child->SetHooks(hooks);
  connect(document, &CWavedeskDoc::notice, this, [this](const QString& text) { statusBar()->showMessage(text); });
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

bool CMainFrame::ExecuteCommand(CommandId id) {
  QAction* command = action(id);
  if (command == nullptr || !command->isEnabled()) return false;
  command->trigger();
  return true;
}

void CMainFrame::OnCommand(CommandId id) {
  emit commandTriggered(id);
  QWidget* toggled = nullptr;
  switch (id) {
    case CommandId::kViewToolbar: toggled = m_toolBar; break;
    case CommandId::kViewPlayControls: toggled = m_controlBar; break;
    case CommandId::kViewStatusBar: toggled = statusBar(); break;
    case CommandId::kViewExplorer: toggled = bar(QStringLiteral("Explorer")); break;
    case CommandId::kViewClipboard: toggled = m_clipboardDlg; break;
    case CommandId::kViewAudioMeter: toggled = bar(QStringLiteral("Monitor")); break;
    default: break;
  }
  if (toggled != nullptr) {
    // Hidden if shown, else shown; the check mark follows the bar itself.
    toggled->setVisible(toggled->isHidden());
    UpdateViewMenu();
    return;
  }
  if (id == CommandId::kAppExit) {
    close();
    return;
  }
  if (const CommandInfo* command = FindCommand(id); command != nullptr && command->has(command_flags::kNeedsDocument)) {
    // Document commands act on the active child window, and only on one.
    if (CChildFrame* child = activeChild()) OnDocumentCommand(id, child);
    UpdateToolBars();
    return;
  }
  if (m_app != nullptr) m_app->OnCommand(id);
}

void CMainFrame::UpdateEditCommands() {
  CChildFrame* child = activeChild();
  const CommandState state = m_commands->StateFor(child != nullptr ? child->document() : nullptr);
  for (const CommandInfo& command : CommandTable()) {
    QAction* entry = action(command.id);
    if (entry == nullptr || command.handler == nullptr) continue;
    entry->setEnabled(command.enabled(state));
  }
  // Undo and Redo name the action they would take back or do again.
  if (child != nullptr) {
    const CActionHistory& history = child->document()->history();
    action(CommandId::kUndo)->setText(QString::fromStdString(history.UndoLabel()));
    action(CommandId::kRedo)->setText(QString::fromStdString(history.RedoLabel()));
  }
}

void CMainFrame::OnDocumentCommand(CommandId id, CChildFrame* child) {
  if (const CommandInfo* command = FindCommand(id); command != nullptr && command->handler != nullptr) {
    m_commands->Run(*command, child->document());
    return;
  }
  CWavedeskView* view = child->view();
  switch (id) {
    case CommandId::kZoomIn:
      view->ZoomIn();
      break;
    case CommandId::kZoomOut:
      view->ZoomOut();
      break;
    case CommandId::kZoomInMax:
      view->ZoomInMax();
      break;
    case CommandId::kZoomOutMax:
      view->ZoomOutMax();
      break;
    case CommandId::kFileClose:
      m_mdiArea->activeSubWindow()->close();
      break;
    case CommandId::kLayerProperties:
      child->formView()->EditLayerProperties();
      break;
    case CommandId::kPlay:
    case CommandId::kPlayAll:
    case CommandId::kStop:
    case CommandId::kPause:
    case CommandId::kJumpToStart:
    case CommandId::kJumpToEnd:
      OnPlayCommand(id, child);
      break;
    default:
      if (m_app != nullptr) m_app->OnDocumentCommand(id, child);
      break;
  }
}

void CMainFrame::OnPlayCommand(CommandId id, CChildFrame* child) {
  CWavedeskDoc* document = child->document();
  CSoundPlayback* playback = document->playback();
  switch (id) {
    case CommandId::kPlay:
      // A buffer that cannot be made leaves the sound idle: silence, no more.
      if (playback != nullptr) playback->Play();
      break;
    case CommandId::kPlayAll:
      if (playback != nullptr) {
        (void)playback->PlayAll();
        document->UpdateAllViews(UpdateHint::kSelection);
      }
      break;
    case CommandId::kStop:
      if (playback != nullptr) playback->Stop();
      break;
    case CommandId::kPause:
      if (playback != nullptr) playback->Pause();
      break;
    case CommandId::kJumpToStart:
      if (JumpToStart(document->sound())) document->UpdateAllViews(UpdateHint::kSelection);
      break;
    case CommandId::kJumpToEnd:
      if (JumpToEnd(document->sound())) document->UpdateAllViews(UpdateHint::kSelection);
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
    entry->setData(ToInt(CommandId::kFileRecentFirst) + i);
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
  // A take that no document could receive lives only in its recording
  // file, which goes with the program: the user decides.
  if (const CRecordDlg* record = m_monitorBar->recordDlg(); record != nullptr && record->IsTakePending()) {
    const auto answer = QMessageBox::question(
        this, QString::fromLatin1(kApplicationTitle),
        tr("The last recording could not be opened as a document and is lost when the program ends. Exit anyway?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
      event->ignore();
      return;
    }
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
