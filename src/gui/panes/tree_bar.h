// CTreeBar: the explorer, a bar at the main window's right edge with three
// pages. Browse shows the user's Desktop, Documents and Music folders and
// every mounted disk, folders and sound files one level ahead of what is
// open; Favorites keeps favourite folders and links to single sound files in
// the profile; Search finds sound files on the local disks by part of their
// name, on a worker thread (file_search.h), listing hits as they come. A
// double click on a sound file on any page asks the program to open it.
//
// The trees hold no file state of their own beyond each item's path: an
// expanded folder is read from disk again, so the tree shows the disk as it
// is at that moment.
#pragma once

#include <QDockWidget>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "gui/panes/favorite_list.h"
#include "gui/panes/mount_list.h"
#include "gui/base/restorable_bar.h"

class CFileSearch;
class CWavedeskListCtrl;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

class CTreeBar : public QDockWidget, public RestorableBar {
  Q_OBJECT

 public:
  // Where the bar learns about the disks: the mount table, and whether a
  // disk's root is a folder it can list.
  struct DiskSource {
    std::function<std::vector<MountPoint>()> mounts = &CMountList::Read;
    std::function<bool(const QString&)> isFolder = &DiskSource::IsFolder;
    static bool IsFolder(const QString& path);
  };

  // Builds the pages and reads the favourites from the application's
  // profile (QSettings with the program's own names).
  explicit CTreeBar(QWidget* parent = nullptr);
  explicit CTreeBar(DiskSource disks, QWidget* parent = nullptr);
  // Stops a running search and waits for its worker.
  ~CTreeBar() override;

  bool IsSearching() const;
  // Stops the search; the results found so far stay listed.
  void CancelSearch();
  // The main window asks this before it closes: during a search the search
  // is cancelled, "Searching canceled" is shown and the close must be
  // refused (true). False, with nothing done, when no search runs.
  bool RefuseCloseWhileSearching();

  // Where a search starts: the mount points of the local disks by default
  // (read when the search starts). A non-empty list replaces them.
  void SetSearchRoots(const QStringList& roots) { m_searchRoots = roots; }
  CFileSearch& search() { return *m_search; }

  // Adds a favourite from a path and its name: a link to a sound file when
  // the path names one, a folder otherwise; the favourites are then sorted
  // (folders before file links, each by name without regard to case) and
  // stored.
  void AddFavorite(const QString& path, const QString& name);
  // Appends a link to the sound file `filePath` after the other favourites
  // and stores the favourites.
  void AddFileLink(const QString& filePath);
  // The favourites in the order the page lists them.
  std::vector<Favorite> favorites() const;

  // The "Custom Tree" menu for a right click on `underMouse` (null: on no
  // item); "Delete" is offered only on a favourite itself.
  QMenu* CreateCustomTreeMenu(QTreeWidgetItem* underMouse, QWidget* parent);

  // The path of a tree item ("/home/me/Music"); for a favourite, its stored
  // path with the trailing "/".
  static QString ItemPath(const QTreeWidgetItem* item);
  // Reads the folder of `item` again and lists it one level ahead: what the
  // trees do when the user expands an item.
  void RefreshChildren(QTreeWidgetItem* item);

  // Hiding and showing from any side (the close box, the View command) is
  // announced, so that the View command's check mark can follow.
  void setVisible(bool visible) override;

  // The width kept between runs replaces the first-start width.
  void RestoreSize(const QSize& size) override;
  QSize RememberedSize() const override;

 signals:
  // A sound file chosen on one of the pages, by its full path.
  void openFileRequested(const QString& path);
  void shownChanged(bool shown);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* BuildBrowsePage();
  QWidget* BuildFavoritesPage();
  QWidget* BuildSearchPage();
  void FillBrowseRoots();
  void LoadFavorites();
  void InsertFavorite(const QString& path, const QString& name);
  void SaveFavorites() const;
  void SortFavorites();
  void OnTabChanged(int index);
  void OnBrowseDoubleClicked(QTreeWidgetItem* item);
  void OnFavoritesDoubleClicked(QTreeWidgetItem* item);
  void OnResultDoubleClicked(int row);
  void OnFavoritesMenu(const QPoint& position);
  void OnAddFolder();
  void OnAddFileLink();
  void OnDeleteFavorite();
  void OnFind();
  void OnFound(const QString& name, const QString& location, qint64 size);
  void OnSearchFinished();
  void ResetFindButton();

  QTabWidget* m_tabs;
  QTreeWidget* m_browseTree;
  QTreeWidget* m_favoritesTree;
  CWavedeskListCtrl* m_results;
  QLabel* m_searchStatus;
  QLineEdit* m_searchText;
  QPushButton* m_findButton;
  DiskSource m_disks;
  CFileSearch* m_search;
  QStringList m_searchRoots;
  void TakeWidth(int width);

  bool m_sized = false;
  QSize m_restoredSize;
};
