// The explorer bar: its three pages, the lazy folder trees, the favourites
// and the search's controls.
#include "gui/panes/tree_bar.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/base/resource_ids.h"
#include "gui/base/type_file_dialog.h"
#include "gui/base/wavedesk_list_ctrl.h"
#include "gui/panes/file_search.h"
#include "gui/panes/folder_listing.h"
#include "gui/panes/mount_list.h"
#include "gui/base/tree_icons.h"

namespace {

// Every item keeps its path and its image slot: the slot tells a sound file
// (kTreeImageSoundFile) from a folder wherever the bar acts on an item.
constexpr int kPathRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;

constexpr int kFirstWidth = 250;
constexpr int kSmallestWidth = 150;

const char* const kFindText = "&Find...";
const char* const kCancelText = "Cancel";
const char* const kSearchLabel = "Search:";
const char* const kFileLinkFilter =
    "Compatible Audio Files |*.wav; *.tvf|Microsoft ACM Waveform (*.wav)|*.wav|"
    "Tarvo Document File (*.tvf)|*.tvf|All Files (*.*)|*.*||";

QIcon FolderIcon() {
  static const QIcon icon = [] {
    QIcon folder = TreeIcon(kTreeImageFolder);
    const QIcon open = TreeIcon(kTreeImageFolderOpen);
    for (int size : {16, 32}) folder.addPixmap(open.pixmap(size), QIcon::Selected);
    return folder;
  }();
  return icon;
}

QIcon SlotIcon(int slot) { return slot == kTreeImageFolder ? FolderIcon() : TreeIcon(slot); }

QTreeWidgetItem* MakeItem(const QString& text, const QString& path, int slot) {
  auto* item = new QTreeWidgetItem(QStringList{text});
  item->setIcon(0, SlotIcon(slot));
  item->setData(0, kPathRole, path);
  item->setData(0, kImageRole, slot);
  return item;
}

int ImageOf(const QTreeWidgetItem* item) { return item->data(0, kImageRole).toInt(); }

// A file link's path carries a trailing "/" like a folder's; the file is the
// path without it.
QString WithoutTrailingSlash(const QString& path) {
  if (path.size() > 1 && path.endsWith(QLatin1Char('/'))) return path.chopped(1);
  return path;
}

QTreeWidget* MakeTree(int id, QWidget* parent) {
  auto* tree = new QTreeWidget(parent);
  tree->setObjectName(ControlName(id));
  tree->setHeaderHidden(true);
  tree->setColumnCount(1);
  tree->setIconSize(QSize(16, 16));
  tree->setRootIsDecorated(true);
  return tree;
}

}  // namespace

bool CTreeBar::DiskSource::IsFolder(const QString& path) { return QFileInfo(path).isDir(); }

CTreeBar::CTreeBar(QWidget* parent) : CTreeBar(DiskSource(), parent) {}

CTreeBar::CTreeBar(DiskSource disks, QWidget* parent)
    : QDockWidget(parent), m_disks(std::move(disks)), m_search(new CFileSearch(this)) {
  // The main window keeps the bar's placement under this name.
  setObjectName(QStringLiteral("Explorer"));
  setWindowTitle(tr("Explorer"));
  // Fixed to the right edge; the close box hides it like the View command.
  setFeatures(QDockWidget::DockWidgetClosable);
  setAllowedAreas(Qt::RightDockWidgetArea);

  auto* client = new QWidget(this);
  client->setObjectName(ControlName(IDD_TREE_BAR));
  client->setMinimumWidth(kSmallestWidth);
  m_tabs = new QTabWidget(client);
  m_tabs->setObjectName(ControlName(IDC_TREE_TAB));
  m_tabs->setIconSize(QSize(16, 16));
  // All three tabs stay in sight: the bar is as wide as their labels need.
  m_tabs->setUsesScrollButtons(false);
  m_tabs->addTab(BuildBrowsePage(), TreeIcon(kTreeImageDrive), QStringLiteral("Browse  "));
  m_tabs->addTab(BuildFavoritesPage(), TreeIcon(kTreeImageFavoritesTab), QStringLiteral("Favorites  "));
  m_tabs->addTab(BuildSearchPage(), TreeIcon(kTreeImageSearchTab), QStringLiteral("Search"));
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(1, 2, 1, 3);
  layout->addWidget(m_tabs);
  setWidget(client);
  connect(m_tabs, &QTabWidget::currentChanged, this, &CTreeBar::OnTabChanged);

  connect(m_search, &CFileSearch::found, this, &CTreeBar::OnFound);
  connect(m_search, &CFileSearch::searching, this,
          [this](const QString& location) { m_searchStatus->setText(QStringLiteral("Searching: ") + location); });
  connect(m_search, &CFileSearch::finished, this, &CTreeBar::OnSearchFinished);

  FillBrowseRoots();
  LoadFavorites();
}

CTreeBar::~CTreeBar() = default;

QWidget* CTreeBar::BuildBrowsePage() {
  auto* page = new QWidget;
  m_browseTree = MakeTree(IDC_BROWSE_TREE, page);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(m_browseTree);
  connect(m_browseTree, &QTreeWidget::itemExpanded, this, &CTreeBar::RefreshChildren);
  connect(m_browseTree, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { OnBrowseDoubleClicked(item); });
  return page;
}

QWidget* CTreeBar::BuildFavoritesPage() {
  auto* page = new QWidget;
  m_favoritesTree = MakeTree(IDC_FAVORITES_TREE, page);
  m_favoritesTree->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* newFolder = new QPushButton(tr("New Folder"), page);
  newFolder->setObjectName(ControlName(IDC_NEW_FAVORITE_FOLDER));
  newFolder->setAutoDefault(false);
  auto* newFile = new QPushButton(tr("New File"), page);
  newFile->setObjectName(ControlName(IDC_NEW_FAVORITE_FILE));
  newFile->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(newFolder);
  buttons->addWidget(newFile);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(m_favoritesTree);
  layout->addLayout(buttons);
  connect(m_favoritesTree, &QTreeWidget::itemExpanded, this, &CTreeBar::RefreshChildren);
  connect(m_favoritesTree, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { OnFavoritesDoubleClicked(item); });
  connect(m_favoritesTree, &QTreeWidget::customContextMenuRequested, this, &CTreeBar::OnFavoritesMenu);
  connect(newFolder, &QPushButton::clicked, this, &CTreeBar::OnAddFolder);
  connect(newFile, &QPushButton::clicked, this, &CTreeBar::OnAddFileLink);
  return page;
}

QWidget* CTreeBar::BuildSearchPage() {
  auto* page = new QWidget;
  m_results = new CWavedeskListCtrl(page);
  m_results->setObjectName(ControlName(IDC_SEARCH_RESULTS));
  m_results->SetColumns({{"Name", 90}, {"Location", 80}, {"Size", 50}});
  m_results->MeasureStripes();
  m_searchStatus = new QLabel(QString::fromLatin1(kSearchLabel), page);
  m_searchStatus->setObjectName(ControlName(IDC_SEARCH_STATUS));
  // A long folder path must not widen the bar.
  m_searchStatus->setMinimumWidth(1);
  m_searchStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  m_searchText = new QLineEdit(page);
  m_searchText->setObjectName(ControlName(IDC_SEARCH_TEXT));
  m_findButton = new QPushButton(QString::fromLatin1(kFindText), page);
  m_findButton->setObjectName(ControlName(IDC_SEARCH_FIND));
  m_findButton->setAutoDefault(false);
  auto* row = new QHBoxLayout;
  row->addWidget(m_searchText, 1);
  row->addWidget(m_findButton);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(m_results, 1);
  layout->addWidget(m_searchStatus);
  layout->addLayout(row);
  connect(m_findButton, &QPushButton::clicked, this, &CTreeBar::OnFind);
  // Return in the text starts a search, never cancels one.
  connect(m_searchText, &QLineEdit::returnPressed, this, [this] {
    if (!IsSearching()) OnFind();
  });
  connect(m_results, &CWavedeskListCtrl::doubleClickedAt, this, &CTreeBar::OnResultDoubleClicked);
  return page;
}

void CTreeBar::FillBrowseRoots() {
  struct Special {
    const char* text;
    QStandardPaths::StandardLocation location;
    int slot;
  };
  for (const Special& special : {Special{"Desktop", QStandardPaths::DesktopLocation, kTreeImageDesktop},
                                 Special{"My Documents", QStandardPaths::DocumentsLocation, kTreeImageDocuments},
                                 Special{"My Music", QStandardPaths::MusicLocation, kTreeImageMusic}}) {
    const QString path = QStandardPaths::writableLocation(special.location);
    QTreeWidgetItem* item = MakeItem(QString::fromLatin1(special.text), path, special.slot);
    item->setChildIndicatorPolicy(CFolderListing::HasEntries(path) ? QTreeWidgetItem::ShowIndicator
                                                                   : QTreeWidgetItem::DontShowIndicator);
    m_browseTree->addTopLevelItem(item);
  }
  // A disk is not read before the user opens it: a network share that does
  // not answer must not hold up the program's start.
  for (const MountPoint& mount : CMountList::BrowseRoots(m_disks.mounts(), m_disks.isFolder)) {
    const int slot = mount.kind == MountKind::kOptical ? kTreeImageOpticalDrive : kTreeImageDrive;
    QTreeWidgetItem* item = MakeItem(mount.Label(), mount.root, slot);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    m_browseTree->addTopLevelItem(item);
  }
}

QString CTreeBar::ItemPath(const QTreeWidgetItem* item) { return item->data(0, kPathRole).toString(); }

void CTreeBar::RefreshChildren(QTreeWidgetItem* item) {
  if (item == nullptr || ImageOf(item) == kTreeImageSoundFile) return;
  qDeleteAll(item->takeChildren());
  for (const FolderEntry& entry : CFolderListing::List(ItemPath(item))) {
    QTreeWidgetItem* child =
        MakeItem(entry.name, entry.path, entry.isFolder ? kTreeImageFolder : kTreeImageSoundFile);
    // One level ahead: a folder shows its expand button only when there is
    // something in it to show.
    if (entry.isFolder && CFolderListing::HasEntries(entry.path))
      child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    else
      child->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    item->addChild(child);
  }
  item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void CTreeBar::OnBrowseDoubleClicked(QTreeWidgetItem* item) {
  if (item == nullptr || ImageOf(item) != kTreeImageSoundFile) return;
  emit openFileRequested(ItemPath(item));
}

void CTreeBar::OnFavoritesDoubleClicked(QTreeWidgetItem* item) {
  // A file link and a sound file inside a favourite folder alike.
  if (item == nullptr || ImageOf(item) != kTreeImageSoundFile) return;
  emit openFileRequested(WithoutTrailingSlash(ItemPath(item)));
}

void CTreeBar::OnResultDoubleClicked(int row) {
  const QTreeWidgetItem* result = m_results->topLevelItem(row);
  if (result == nullptr) return;
  emit openFileRequested(result->text(1) + result->text(0));
}

// ---- Favourites

void CTreeBar::LoadFavorites() {
  QSettings settings;
  for (const Favorite& favorite : CFavoriteList::Load(settings)) InsertFavorite(favorite.path, favorite.name);
  SortFavorites();
}

void CTreeBar::InsertFavorite(const QString& path, const QString& name) {
  QString stored = path;
  // A folder's path ends in one "/"; the root "/" already does.
  if (!stored.endsWith(QLatin1Char('/'))) stored += QLatin1Char('/');
  // A folder named like a sound file is still a folder.
  const QString file = WithoutTrailingSlash(stored);
  const bool isLink = CFolderListing::IsSoundFileName(file) && !QFileInfo(file).isDir();
  QTreeWidgetItem* item = MakeItem(name, stored, isLink ? kTreeImageSoundFile : kTreeImageFavoriteFolder);
  if (!isLink && CFolderListing::HasEntries(stored)) item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  m_favoritesTree->addTopLevelItem(item);
}

void CTreeBar::AddFavorite(const QString& path, const QString& name) {
  InsertFavorite(path, name);
  SortFavorites();
  SaveFavorites();
}

void CTreeBar::AddFileLink(const QString& filePath) {
  const QString name = QFileInfo(filePath).fileName();
  m_favoritesTree->addTopLevelItem(MakeItem(name, filePath + QLatin1Char('/'), kTreeImageSoundFile));
  SaveFavorites();
}

void CTreeBar::SortFavorites() {
  std::vector<QTreeWidgetItem*> items;
  while (m_favoritesTree->topLevelItemCount() > 0) items.push_back(m_favoritesTree->takeTopLevelItem(0));
  std::stable_sort(items.begin(), items.end(), [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
    const bool aLink = ImageOf(a) == kTreeImageSoundFile;
    const bool bLink = ImageOf(b) == kTreeImageSoundFile;
    if (aLink != bLink) return bLink;
    return a->text(0).toUpper() < b->text(0).toUpper();
  });
  for (QTreeWidgetItem* item : items) m_favoritesTree->addTopLevelItem(item);
}

std::vector<Favorite> CTreeBar::favorites() const {
  std::vector<Favorite> list;
  for (int i = 0; i < m_favoritesTree->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = m_favoritesTree->topLevelItem(i);
    list.push_back({ItemPath(item), item->text(0)});
  }
  return list;
}

void CTreeBar::SaveFavorites() const {
  QSettings settings;
  CFavoriteList::Save(settings, favorites());
}

QMenu* CTreeBar::CreateCustomTreeMenu(QTreeWidgetItem* underMouse, QWidget* parent) {
  auto* menu = new QMenu(tr("Custom Tree"), parent);
  auto add = [this, menu](int id, const QString& text, void (CTreeBar::*handler)()) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setObjectName(CommandName(id));
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  add(ID_CUSTOM_ADD_FOLDER, tr("Add New Folder..."), &CTreeBar::OnAddFolder);
  add(ID_CUSTOM_ADD_FILE_LINK, tr("Add New File Link..."), &CTreeBar::OnAddFileLink);
  menu->addSeparator();
  QAction* remove = add(ID_CUSTOM_DELETE, tr("Delete"), &CTreeBar::OnDeleteFavorite);
  remove->setEnabled(underMouse != nullptr && underMouse->parent() == nullptr);
  return menu;
}

void CTreeBar::OnFavoritesMenu(const QPoint& position) {
  QTreeWidgetItem* item = m_favoritesTree->itemAt(position);
  if (item != nullptr) m_favoritesTree->setCurrentItem(item);
  QMenu* menu = CreateCustomTreeMenu(item, this);
  menu->exec(m_favoritesTree->viewport()->mapToGlobal(position));
  menu->deleteLater();
}

void CTreeBar::OnAddFolder() {
  QFileDialog dialog(this, tr("Select a Folder"));
  dialog.setObjectName(QStringLiteral("SelectFolder"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  GiveFileDialogRoom(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString folder = QDir::cleanPath(dialog.selectedFiles().front());
  const QString name = QFileInfo(folder).fileName();
  AddFavorite(folder, name.isEmpty() ? folder : name);
}

void CTreeBar::OnAddFileLink() {
  QFileDialog dialog(this, tr("Add New File Link"));
  dialog.setObjectName(QStringLiteral("AddFileLink"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(CTypeFileDialog::NameFiltersFromPairs(AllSoundFilesPair() + QString::fromLatin1(kFileLinkFilter)));
  GiveFileDialogRoom(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  AddFileLink(dialog.selectedFiles().front());
}

void CTreeBar::OnDeleteFavorite() {
  QTreeWidgetItem* item = m_favoritesTree->currentItem();
  if (item == nullptr || item->parent() != nullptr) return;
  delete item;
  SaveFavorites();
}

// ---- Search

bool CTreeBar::IsSearching() const { return m_search->IsRunning(); }

void CTreeBar::OnFind() {
  if (IsSearching()) {
    CancelSearch();
    return;
  }
  const QString text = m_searchText->text();
  if (text.isEmpty()) return;
  QStringList roots = m_searchRoots;
  if (roots.isEmpty()) {
    for (const MountPoint& mount : m_disks.mounts())
      if (mount.kind == MountKind::kLocal) roots << mount.root;
  }
  m_results->clear();
  m_findButton->setText(QString::fromLatin1(kCancelText));
  m_search->Start(text, roots);
}

void CTreeBar::OnFound(const QString& name, const QString& location, qint64 size) {
  auto* row = new QTreeWidgetItem(QStringList{name, location, QString::number(size)});
  row->setIcon(0, TreeIcon(kTreeImageSoundFile));
  // The narrow columns cut long names and folders short.
  row->setToolTip(0, name);
  row->setToolTip(1, location);
  m_results->addTopLevelItem(row);
}

void CTreeBar::OnSearchFinished() {
  ResetFindButton();
  m_searchStatus->setText(QString::fromLatin1(kSearchLabel));
}

void CTreeBar::CancelSearch() {
  // The status line keeps the last folder searched: it says how far the
  // search came.
  m_search->Cancel();
  ResetFindButton();
}

void CTreeBar::ResetFindButton() { m_findButton->setText(QString::fromLatin1(kFindText)); }

bool CTreeBar::RefuseCloseWhileSearching() {
  if (!IsSearching()) return false;
  CancelSearch();
  QMessageBox::information(window(), QString::fromLatin1(kApplicationTitle), tr("Searching canceled"));
  return true;
}

// ---- The bar

void CTreeBar::OnTabChanged(int index) {
  if (index == 2) m_searchText->setFocus();
}

void CTreeBar::setVisible(bool visible) {
  QDockWidget::setVisible(visible);
  emit shownChanged(!isHidden());
}

void CTreeBar::showEvent(QShowEvent* event) {
  QDockWidget::showEvent(event);
  if (m_sized) return;
  TakeWidth(m_restoredSize.isValid() ? m_restoredSize.width() : kFirstWidth);
}

void CTreeBar::TakeWidth(int width) {
  // With the desktop's fonts the three tabs may need more than the width
  // asked for, and never fewer than the smallest width the user may drag to.
  const int tabsWidth = m_tabs->tabBar()->sizeHint().width() + 8;
  widget()->setMinimumWidth(std::max(kSmallestWidth, tabsWidth));
  if (auto* frame = qobject_cast<QMainWindow*>(parentWidget())) {
    m_sized = true;
    frame->resizeDocks({this}, {std::max(width, tabsWidth)}, Qt::Horizontal);
  }
}

void CTreeBar::RestoreSize(const QSize& size) {
  m_restoredSize = size;
  if (m_sized && size.isValid()) TakeWidth(size.width());
}

QSize CTreeBar::RememberedSize() const { return m_sized ? size() : m_restoredSize; }
