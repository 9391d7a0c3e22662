// The explorer bar on Qt's offscreen platform, on folder trees made by each
// test: the listing and its order (folders first, byte order, sound files
// recognised in any case), a deleted folder that expands to nothing, the
// mount table read into disk roots, the favourites through a restart (a
// comma in a path, the older comma-joined value), the search with its hits,
// a cancel that keeps what was found, an empty text and the close refused
// during a search, and the pages with their double clicks.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <atomic>
#include <ostream>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gui/app/main_frame.h"
#include "gui/base/resource_ids.h"
#include "gui/base/type_file_dialog.h"
#include "gui/base/wavedesk_list_ctrl.h"
#include "gui/panes/favorite_list.h"
#include "gui/panes/file_search.h"
#include "gui/panes/folder_listing.h"
#include "gui/panes/mount_list.h"
#include "gui/panes/tree_bar.h"
#include "modal_dialog.h"
#include "test_app.h"
#include "test_support.h"

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

namespace fs = std::filesystem;

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

void Touch(const fs::path& path, const std::string& bytes = "RIFF") {
  fs::create_directories(path.parent_path());
  test_support::WriteFileBytes(path.string(), bytes);
}

template <typename Condition>
bool WaitFor(Condition done, int milliseconds = 10000) {
  for (int waited = 0; waited < milliseconds && !done(); waited += 5) QTest::qWait(5);
  return done();
}

// Types `path` into a file dialog and closes it with OK, as a user would. The
// dialog reads folders on a thread of its own; the choice is made once the
// folder shows. A dialog that refuses the choice is cancelled, so that a
// failure cannot hang the test.
void ChooseInFileDialog(QFileDialog* dialog, const QString& path) {
  dialog->setDirectory(QFileInfo(path).absolutePath());
  auto* view = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
  ASSERT_NE(view, nullptr);
  WaitFor([&] { return view->model()->rowCount(view->rootIndex()) > 0; });
  auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(name, nullptr);
  name->setText(path);
  static_cast<QDialog*>(dialog)->accept();
  EXPECT_FALSE(dialog->isVisible()) << "the dialog did not take " << path.toStdString();
  if (dialog->isVisible()) dialog->reject();
}

QStringList ChildTexts(const QTreeWidgetItem* item) {
  QStringList texts;
  for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
  return texts;
}

// A worker hold: the search stops on entering a folder whose path ends in
// `folder` until Release.
class FolderGate {
 public:
  explicit FolderGate(std::string folder) : m_folder(std::move(folder)) {}
  CFileSearch::FolderHook Hook() {
    return [this](const QString& entered) {
      std::unique_lock lock(m_mutex);
      m_entered.push_back(entered.toStdString());
      if (!entered.endsWith(QString::fromStdString(m_folder))) return;
      m_held = true;
      m_wake.wait(lock, [this] { return m_released; });
    };
  }
  bool held() {
    std::lock_guard lock(m_mutex);
    return m_held;
  }
  void Release() {
    {
      std::lock_guard lock(m_mutex);
      m_released = true;
    }
    m_wake.notify_all();
  }
  std::vector<std::string> entered() {
    std::lock_guard lock(m_mutex);
    return m_entered;
  }

 private:
  std::string m_folder;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_held = false;
  bool m_released = false;
  std::vector<std::string> m_entered;
};

class TreeBarTest : public testing::Test {
 protected:
  TreeBarTest() {
    gui_test::UseProfile(profile.path());
    fs::create_directories(disk.path() / "root");
  }

  std::unique_ptr<CTreeBar> MakeBar() {
    auto bar = std::make_unique<CTreeBar>();
    bar->resize(300, 500);
    bar->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(bar.get()));
    return bar;
  }

  template <typename T>
  static T* Control(CTreeBar& bar, int id) {
    T* control = bar.findChild<T*>(ControlName(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
  }
  static QTreeWidget* Favorites(CTreeBar& bar) { return Control<QTreeWidget>(bar, IDC_FAVORITES_TREE); }
  static CWavedeskListCtrl* Results(CTreeBar& bar) { return Control<CWavedeskListCtrl>(bar, IDC_SEARCH_RESULTS); }
  static QPushButton* Find(CTreeBar& bar) { return Control<QPushButton>(bar, IDC_SEARCH_FIND); }
  static QStringList ResultNames(CTreeBar& bar) {
    QStringList names;
    for (int i = 0; i < Results(bar)->topLevelItemCount(); ++i) names << Results(bar)->topLevelItem(i)->text(0);
    return names;
  }
  static void SearchFor(CTreeBar& bar, const QString& text) {
    Control<QTabWidget>(bar, IDC_TREE_TAB)->setCurrentIndex(2);
    Control<QLineEdit>(bar, IDC_SEARCH_TEXT)->setText(text);
    Find(bar)->click();
  }

  fs::path Root() const { return disk.path() / "root"; }

  test_support::TemporaryFolder profile;
  test_support::TemporaryFolder disk;
};

// ---- Listing

TEST_F(TreeBarTest, ListsFoldersFirstThenFilesInByteOrderWithSoundFilesOfAnyCase) {
  // Given folders and files whose names differ in case and kind
  fs::create_directories(Root() / "b_dir");
  fs::create_directories(Root() / "A_dir" / "inner");
  fs::create_directories(Root() / "empty");
  for (const char* name : {"a.wav", "A.WAV", "SONG.WAV", "take.Tvf", "notes.txt", "wav", ".hidden.wav", "Live.FLAC",
                           "talk.opus", "mix.m4a", "old.aiff", "cover.jpg", "flac"})
    Touch(Root() / name);

  // When the folder is listed, directly and as an expanded favourite
  const std::vector<FolderEntry> entries = CFolderListing::List(Q(Root()));
  QStringList names;
  for (const FolderEntry& entry : entries) names << entry.name;
  auto bar = MakeBar();
  bar->AddFavorite(Q(Root()), QStringLiteral("Root"));
  QTreeWidgetItem* favorite = Favorites(*bar)->topLevelItem(0);
  favorite->setExpanded(true);

  // Then folders come first, every name in byte order ("B" before "a"), and
  // "A.WAV" and "SONG.WAV" are sound files like "a.wav", and so are the
  // other formats the program opens
  const QStringList expected = {"A_dir",    "b_dir",    "empty",     "A.WAV",   "Live.FLAC", "SONG.WAV",
                                "a.wav",    "mix.m4a",  "old.aiff",  "take.Tvf", "talk.opus"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(ChildTexts(favorite), expected);
  // and only a folder with something to show offers to expand
  EXPECT_EQ(favorite->child(0)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
  EXPECT_EQ(favorite->child(2)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

TEST_F(TreeBarTest, AFolderDeletedOnDiskExpandsToNothing) {
  // Given a favourite folder whose sub-folder was listed while it existed
  Touch(Root() / "gone" / "x.wav");
  auto bar = MakeBar();
  bar->AddFavorite(Q(Root()), QStringLiteral("Root"));
  QTreeWidgetItem* favorite = Favorites(*bar)->topLevelItem(0);
  favorite->setExpanded(true);
  ASSERT_EQ(ChildTexts(favorite), QStringList{"gone"});
  QTreeWidgetItem* gone = favorite->child(0);

  // When it is deleted on disk and then expanded
  fs::remove_all(Root() / "gone");
  gone->setExpanded(true);

  // Then it has no children, and listing the missing folder gives nothing
  EXPECT_EQ(gone->childCount(), 0);
  EXPECT_TRUE(CFolderListing::List(Q(Root() / "gone")).empty());
  EXPECT_FALSE(CFolderListing::HasEntries(Q(Root() / "gone")));
}

TEST(MountListTest, OffersDisksSharesDiscsAndRamDisksByMountPoint) {
  const QByteArray table =
      "proc /proc proc rw 0 0\n"
      "sysfs /sys sysfs rw 0 0\n"
      "tmpfs /run/user/1000 tmpfs rw 0 0\n"
      "tmpfs /dev/shm tmpfs rw 0 0\n"
      "/dev/sda2 /home ext4 rw 0 0\n"
      "/dev/sda1 / ext4 rw 0 0\n"
      "server:/export /mnt/share nfs4 rw 0 0\n"
      "/dev/sr0 /media/cd iso9660 ro 0 0\n"
      "/dev/sdb1 /media/My\\040Disk vfat rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "tools /opt/sandbox/env tmpfs ro,nosuid,size=4k 0 0\n"
      "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
      "overlay / overlay rw 0 0\n";
  QStringList labels;
  for (const MountPoint& mount : CMountList::Parse(table)) labels << mount.Label();
  // "/" mounted twice is one root, shown as the later mount; the kernel's,
  // the devices' and the run-time file systems, squashfs images and
  // read-only RAM drives are none.
  EXPECT_EQ(labels, (QStringList{"Local Disk (/)", "Local Disk (/home)", "Local Disk (/media/My Disk)",
                                 "CD Drive (/media/cd)", "Remote Drive (/mnt/share)", "RAM Drive (/tmp)"}));
  for (const char* path : {"/proc", "/proc/1", "/sys", "/dev/shm", "/run", "/run/user/1000"})
    EXPECT_TRUE(CMountList::IsSystemPath(QString::fromLatin1(path))) << path;
  for (const char* path : {"/", "/home", "/processes", "/devices", "/srv/run"})
    EXPECT_FALSE(CMountList::IsSystemPath(QString::fromLatin1(path))) << path;
}

TEST_F(TreeBarTest, BrowseOffersTheStandardFoldersThenTheMountedDisks) {
  auto bar = MakeBar();
  auto* browse = Control<QTreeWidget>(*bar, IDC_BROWSE_TREE);
  ASSERT_GE(browse->topLevelItemCount(), 3);
  EXPECT_EQ(browse->topLevelItem(0)->text(0), "Desktop");
  EXPECT_EQ(browse->topLevelItem(1)->text(0), "My Documents");
  EXPECT_EQ(browse->topLevelItem(2)->text(0), "My Music");
  QStringList disks;
  for (const MountPoint& mount : CMountList::BrowseRoots(CMountList::Read(), CTreeBar::DiskSource::IsFolder))
    disks << mount.Label();
  QStringList shown;
  for (int i = 3; i < browse->topLevelItemCount(); ++i) shown << browse->topLevelItem(i)->text(0);
  EXPECT_EQ(shown, disks);
}

TEST_F(TreeBarTest, ANetworkShareIsListedWithoutLookingAtItWhileTheBarIsBuilt) {
  // Given a local disk, a local mount point that is no folder, and a network
  // share whose server does not answer: looking at it would hang
  const QString disk = Q(Root());
  const QString gone = Q(Root() / "gone");
  const QString share = QStringLiteral("/mnt/silent-share");
  QStringList asked;
  CTreeBar::DiskSource disks;
  disks.mounts = [&] {
    return std::vector<MountPoint>{{disk, MountKind::kLocal}, {gone, MountKind::kLocal}, {share, MountKind::kRemote}};
  };
  disks.isFolder = [&](const QString& path) {
    asked << path;
    // What a stalled share answers in the end, if it answers at all.
    return path != share && CTreeBar::DiskSource::IsFolder(path);
  };

  // When the explorer is built
  CTreeBar bar(disks);

  // Then only the local roots were looked at, and the share is offered all
  // the same, to be read when the user opens it
  EXPECT_EQ(asked, (QStringList{disk, gone}));
  auto* browse = Control<QTreeWidget>(bar, IDC_BROWSE_TREE);
  QStringList shown;
  for (int i = 3; i < browse->topLevelItemCount(); ++i) shown << browse->topLevelItem(i)->text(0);
  EXPECT_EQ(shown, (QStringList{"Local Disk (" + disk + ")", "Remote Drive (" + share + ")"}));
}

// ---- Favourites

TEST_F(TreeBarTest, FavoritesSurviveARestartWithCommasInPathsAndNames) {
  // Given favourites with a comma in a folder's path, in a name and in a
  // linked file's name
  fs::create_directories(Root() / "Live, 2024");
  fs::create_directories(Root() / "beats");
  Touch(Root() / "mix, final.WAV");
  {
    auto bar = MakeBar();
    bar->AddFavorite(Q(Root() / "Live, 2024"), QStringLiteral("Live, 2024"));
    bar->AddFavorite(Q(Root() / "beats"), QStringLiteral("beats, loops"));
    bar->AddFileLink(Q(Root() / "mix, final.WAV"));
    bar->AddFavorite(QStringLiteral("/"), QStringLiteral("Everything"));
  }

  // When the program starts again
  auto bar = MakeBar();

  // Then every favourite is back unchanged, folders before file links, each
  // group by name; the root keeps its single "/"
  const std::vector<Favorite> favorites = bar->favorites();
  ASSERT_EQ(favorites.size(), 4u);
  EXPECT_EQ(favorites[0].name, "beats, loops");
  EXPECT_EQ(favorites[0].path, Q(Root() / "beats") + "/");
  EXPECT_EQ(favorites[1].name, "Everything");
  EXPECT_EQ(favorites[1].path, "/");
  EXPECT_EQ(favorites[2].name, "Live, 2024");
  EXPECT_EQ(favorites[2].path, Q(Root() / "Live, 2024") + "/");
  EXPECT_EQ(favorites[3].name, "mix, final.WAV");
  EXPECT_EQ(favorites[3].path, Q(Root() / "mix, final.WAV") + "/");
  EXPECT_NE(Favorites(*bar)->topLevelItem(3)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
}

TEST_F(TreeBarTest, TheOlderCommaJoinedValueIsReadWhenNothingElseIsStored) {
  struct Case {
    const char* name;
    const char* value;
    std::vector<std::pair<const char*, const char*>> favorites;
  };
  const std::vector<Case> cases = {
      {"folder and file link", "/music/,Music,/takes/one.wav/,one.wav,",
       {{"/music/", "Music"}, {"/takes/one.wav/", "one.wav"}}},
      {"consecutive and leading commas count as one", ",/a/,,A,,", {{"/a/", "A"}}},
      {"a piece without its name is dropped", "/a/,A,/b/", {{"/a/", "A"}}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QSettings settings;
    settings.clear();
    settings.setValue("Settings/Custom Folders", QString::fromLatin1(c.value));
    settings.sync();
    auto bar = MakeBar();
    const std::vector<Favorite> favorites = bar->favorites();
    ASSERT_EQ(favorites.size(), c.favorites.size());
    for (size_t i = 0; i < favorites.size(); ++i) {
      EXPECT_EQ(favorites[i].path, c.favorites[i].first);
      EXPECT_EQ(favorites[i].name, c.favorites[i].second);
    }
  }
  // Once the exact form is stored, even empty, the older value is not read
  // again; it is still written for whatever reads it.
  QSettings settings;
  settings.clear();
  settings.setValue("Settings/Custom Folders", QStringLiteral("/a/,A,"));
  CFavoriteList::Save(settings, {});
  settings.setValue("Settings/Custom Folders", QStringLiteral("/a/,A,"));
  settings.sync();
  EXPECT_TRUE(MakeBar()->favorites().empty());
  CFavoriteList::Save(settings, {{"/x,y/", "x,y"}});
  EXPECT_EQ(settings.value("Settings/Custom Folders").toString(), "/x,y/,x,y,");
}

TEST_F(TreeBarTest, TheCustomTreeMenuDeletesOnlyAFavoriteItself) {
  Touch(Root() / "inner" / "a.wav");
  auto bar = MakeBar();
  bar->AddFavorite(Q(Root()), QStringLiteral("Root"));
  QTreeWidget* tree = Favorites(*bar);
  QTreeWidgetItem* favorite = tree->topLevelItem(0);
  favorite->setExpanded(true);
  ASSERT_EQ(favorite->childCount(), 1);

  auto deleteOn = [&](QTreeWidgetItem* item) {
    std::unique_ptr<QMenu> menu(bar->CreateCustomTreeMenu(item, bar.get()));
    EXPECT_EQ(menu->title(), "Custom Tree");
    QStringList texts;
    for (QAction* action : menu->actions())
      if (!action->isSeparator()) texts << action->text();
    EXPECT_EQ(texts, (QStringList{"Add New Folder...", "Add New File Link...", "Delete"}));
    return menu->findChild<QAction*>(CommandName(ID_CUSTOM_DELETE));
  };
  EXPECT_FALSE(deleteOn(nullptr)->isEnabled());
  EXPECT_FALSE(deleteOn(favorite->child(0))->isEnabled());

  std::unique_ptr<QMenu> menu(bar->CreateCustomTreeMenu(favorite, bar.get()));
  QAction* remove = menu->findChild<QAction*>(CommandName(ID_CUSTOM_DELETE));
  ASSERT_TRUE(remove->isEnabled());
  tree->setCurrentItem(favorite);
  remove->trigger();
  EXPECT_EQ(tree->topLevelItemCount(), 0);
  EXPECT_TRUE(MakeBar()->favorites().empty());
}

TEST_F(TreeBarTest, NewFolderAsksForAFolderAndAddsItByName) {
  fs::create_directories(Root() / "Samples");
  auto bar = MakeBar();
  QString title;
  gui_test::WhenModalShows([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    ChooseInFileDialog(dialog, Q(Root() / "Samples"));
  });
  Control<QPushButton>(*bar, IDC_NEW_FAVORITE_FOLDER)->click();
  EXPECT_EQ(title, "Select a Folder");
  const std::vector<Favorite> favorites = bar->favorites();
  ASSERT_EQ(favorites.size(), 1u);
  EXPECT_EQ(favorites[0].name, "Samples");
  EXPECT_EQ(favorites[0].path, Q(Root() / "Samples") + "/");
}

TEST_F(TreeBarTest, NewFileLinksASoundFileChosenThroughTheAudioFilter) {
  Touch(Root() / "pad.tvf");
  auto bar = MakeBar();
  QStringList filters;
  gui_test::WhenModalShows([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    filters = dialog->nameFilters();
    ChooseInFileDialog(dialog, Q(Root() / "pad.tvf"));
  });
  Control<QPushButton>(*bar, IDC_NEW_FAVORITE_FILE)->click();
  EXPECT_EQ(filters, (QStringList{AllSoundFilesFilter(), "Compatible Audio Files (*.wav *.tvf)", "Microsoft ACM Waveform (*.wav)",
                                  "Tarvo Document File (*.tvf)", "All Files (*.*)"}));
  const std::vector<Favorite> favorites = bar->favorites();
  ASSERT_EQ(favorites.size(), 1u);
  EXPECT_EQ(favorites[0].name, "pad.tvf");
  EXPECT_EQ(favorites[0].path, Q(Root() / "pad.tvf") + "/");
}

// ---- Search

TEST_F(TreeBarTest, SearchListsSoundFilesByPartOfTheirNameWithoutFollowingLinks) {
  // Given a tree with hits in any case, a non-sound file with the text, and
  // a link back up the tree
  Touch(Root() / "SONG.WAV", std::string(1234, 'x'));
  Touch(Root() / "song.txt");
  Touch(Root() / "sub" / "my_song.tvf");
  Touch(Root() / "sub" / "deeper" / "Songbook.wav");
  Touch(Root() / "sub" / "other.wav");
  Touch(Root() / "sub" / "Song_live.Flac");
  Touch(Root() / "sub" / "song.jpg");
  fs::create_directory_symlink(Root(), Root() / "sub" / "loop");
  auto bar = MakeBar();
  bar->SetSearchRoots({Q(Root())});
  QSignalSpy opened(bar.get(), &CTreeBar::openFileRequested);

  // When the search for "song" runs to its end
  SearchFor(*bar, QStringLiteral("song"));
  EXPECT_TRUE(bar->IsSearching());
  EXPECT_EQ(Find(*bar)->text(), "Cancel");
  ASSERT_TRUE(WaitFor([&] { return !bar->IsSearching(); }));

  // Then each hit is listed once, with its folder and size, and the bar is
  // ready for the next search
  QStringList names = ResultNames(*bar);
  names.sort();
  EXPECT_EQ(names, (QStringList{"SONG.WAV", "Song_live.Flac", "Songbook.wav", "my_song.tvf"}));
  const QTreeWidgetItem* first = Results(*bar)->topLevelItem(0);
  EXPECT_EQ(first->text(0), "SONG.WAV");  // a folder's files before its sub-folders
  EXPECT_EQ(first->text(1), Q(Root()) + "/");
  EXPECT_EQ(first->text(2), "1234");
  EXPECT_EQ(Find(*bar)->text(), "&Find...");
  EXPECT_EQ(Control<QLabel>(*bar, IDC_SEARCH_STATUS)->text(), "Search:");

  // and a double click on a result asks for that file
  emit Results(*bar)->doubleClickedAt(0);
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0][0].toString(), Q(Root() / "SONG.WAV"));
}

TEST_F(TreeBarTest, CancelStopsTheSearchAtOnceAndKeepsWhatItFound) {
  // Given a search held inside the folder after its first hit
  Touch(Root() / "first_take.wav");
  Touch(Root() / "sub" / "later_take.wav");
  Touch(Root() / "sub" / "deeper" / "last_take.wav");
  FolderGate gate("/sub/");
  auto bar = MakeBar();
  bar->SetSearchRoots({Q(Root())});
  bar->search().SetFolderHook(gate.Hook());
  SearchFor(*bar, QStringLiteral("take"));
  ASSERT_TRUE(WaitFor([&] { return gate.held() && Results(*bar)->topLevelItemCount() == 1; }));
  EXPECT_TRUE(Control<QLabel>(*bar, IDC_SEARCH_STATUS)->text().startsWith("Searching: "));

  // When Cancel is clicked while the worker is still busy in a folder
  Find(*bar)->click();

  // Then the bar is idle at once, and the hit found so far stays listed
  EXPECT_FALSE(bar->IsSearching());
  EXPECT_EQ(Find(*bar)->text(), "&Find...");
  gate.Release();
  bar->search().WaitForWorkers();
  QCoreApplication::processEvents();
  EXPECT_EQ(ResultNames(*bar), QStringList{"first_take.wav"});
  // and the worker went no further than the folder it was in
  EXPECT_EQ(gate.entered().back(), Q(Root() / "sub").toStdString() + "/");
}

TEST_F(TreeBarTest, AnEmptySearchTextLeavesTheResultsAlone) {
  Touch(Root() / "hit.wav");
  auto bar = MakeBar();
  bar->SetSearchRoots({Q(Root())});
  SearchFor(*bar, QStringLiteral("hit"));
  ASSERT_TRUE(WaitFor([&] { return !bar->IsSearching(); }));
  ASSERT_EQ(ResultNames(*bar), QStringList{"hit.wav"});

  SearchFor(*bar, QString());

  EXPECT_FALSE(bar->IsSearching());
  EXPECT_EQ(Find(*bar)->text(), "&Find...");
  EXPECT_EQ(ResultNames(*bar), QStringList{"hit.wav"});
}

TEST_F(TreeBarTest, ClosingDuringASearchIsRefusedWithSearchingCanceled) {
  Touch(Root() / "sub" / "a.wav");
  FolderGate gate("/sub/");
  auto bar = MakeBar();
  bar->SetSearchRoots({Q(Root())});
  bar->search().SetFolderHook(gate.Hook());

  // No search: nothing to refuse, no message
  bool refused = true;
  EXPECT_EQ(gui_test::AnswerMessageBox([&] { refused = bar->RefuseCloseWhileSearching(); }), QString());
  EXPECT_FALSE(refused);

  SearchFor(*bar, QStringLiteral("a"));
  ASSERT_TRUE(WaitFor([&] { return gate.held(); }));
  EXPECT_EQ(gui_test::AnswerMessageBox([&] { refused = bar->RefuseCloseWhileSearching(); }), "Searching canceled");
  EXPECT_TRUE(refused);
  EXPECT_FALSE(bar->IsSearching());
  EXPECT_EQ(Find(*bar)->text(), "&Find...");
  gate.Release();
}

// ---- Pages and opening files

TEST_F(TreeBarTest, EachTabShowsItsOwnControls) {
  auto bar = MakeBar();
  auto* tabs = Control<QTabWidget>(*bar, IDC_TREE_TAB);
  ASSERT_EQ(tabs->count(), 3);
  EXPECT_EQ(tabs->tabText(0), "Browse  ");
  EXPECT_EQ(tabs->tabText(1), "Favorites  ");
  EXPECT_EQ(tabs->tabText(2), "Search");
  const std::vector<std::vector<int>> shown = {
      {IDC_BROWSE_TREE},
      {IDC_FAVORITES_TREE, IDC_NEW_FAVORITE_FOLDER, IDC_NEW_FAVORITE_FILE},
      {IDC_SEARCH_RESULTS, IDC_SEARCH_STATUS, IDC_SEARCH_TEXT, IDC_SEARCH_FIND}};
  for (int tab = 0; tab < 3; ++tab) {
    tabs->setCurrentIndex(tab);
    for (int page = 0; page < 3; ++page) {
      for (int id : shown[page]) {
        QWidget* control = Control<QWidget>(*bar, id);
        EXPECT_EQ(control->isVisible(), page == tab) << "tab " << tab << " control " << id;
      }
    }
  }
  EXPECT_EQ(QApplication::focusWidget(), Control<QWidget>(*bar, IDC_SEARCH_TEXT));
  auto* results = Results(*bar);
  ASSERT_EQ(results->columnCount(), 3);
  EXPECT_EQ(results->headerItem()->text(0), "Name");
  EXPECT_EQ(results->headerItem()->text(1), "Location");
  EXPECT_EQ(results->headerItem()->text(2), "Size");
}

TEST_F(TreeBarTest, MyMusicIsTheUsersMusicFolderAndOpensItsFilesOnDoubleClick) {
  // Given a home whose Music folder holds a recording named in capitals
  const fs::path home = disk.path() / "home";
  Touch(home / "Music" / "Session" / "TAKE01.WAV");
  Touch(home / "Music" / "cover.jpg");
  const QByteArray savedHome = qgetenv("HOME");
  const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("HOME", QFile::encodeName(Q(home)));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(Q(home / ".config")));
  auto bar = MakeBar();
  qputenv("HOME", savedHome);
  if (savedConfig.isNull())
    qunsetenv("XDG_CONFIG_HOME");
  else
    qputenv("XDG_CONFIG_HOME", savedConfig);
  auto* browse = Control<QTreeWidget>(*bar, IDC_BROWSE_TREE);
  QSignalSpy opened(bar.get(), &CTreeBar::openFileRequested);

  // When "My Music" and its folder are opened and the file double-clicked
  QTreeWidgetItem* music = browse->topLevelItem(2);
  ASSERT_EQ(music->text(0), "My Music");
  EXPECT_EQ(music->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
  music->setExpanded(true);
  ASSERT_EQ(ChildTexts(music), QStringList{"Session"});
  music->child(0)->setExpanded(true);
  ASSERT_EQ(ChildTexts(music->child(0)), QStringList{"TAKE01.WAV"});
  emit browse->itemDoubleClicked(music->child(0), 0);
  emit browse->itemDoubleClicked(music->child(0)->child(0), 0);

  // Then only the file is asked for, by its full path
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0][0].toString(), Q(home / "Music" / "Session" / "TAKE01.WAV"));
}

TEST_F(TreeBarTest, DoubleClickOpensSoundFilesAndFileLinksOnly) {
  Touch(Root() / "Drums" / "KICK.WAV");
  Touch(Root() / "pad.tvf");
  auto bar = MakeBar();
  bar->AddFavorite(Q(Root()), QStringLiteral("Root"));
  bar->AddFileLink(Q(Root() / "pad.tvf"));
  QSignalSpy opened(bar.get(), &CTreeBar::openFileRequested);
  QTreeWidget* tree = Favorites(*bar);
  QTreeWidgetItem* folder = tree->topLevelItem(0);
  QTreeWidgetItem* link = tree->topLevelItem(1);
  folder->setExpanded(true);
  QTreeWidgetItem* drums = folder->child(0);
  drums->setExpanded(true);
  ASSERT_EQ(ChildTexts(drums), QStringList{"KICK.WAV"});

  for (QTreeWidgetItem* item : {folder, drums, drums->child(0), link}) emit tree->itemDoubleClicked(item, 0);

  ASSERT_EQ(opened.size(), 2);
  EXPECT_EQ(opened[0][0].toString(), Q(Root() / "Drums" / "KICK.WAV"));
  EXPECT_EQ(opened[1][0].toString(), Q(Root() / "pad.tvf"));
}

// ---- In the main window

TEST_F(TreeBarTest, TheMainWindowKeepsTheExplorerHiddenUntilViewExplorer) {
  Touch(Root() / "tune.wav");
  CMainFrame frame;
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  auto* bar = frame.findChild<CTreeBar*>();
  ASSERT_NE(bar, nullptr);
  QAction* toggle = frame.action(CommandId::kViewExplorer);
  ASSERT_NE(toggle, nullptr);
  EXPECT_EQ(frame.dockWidgetArea(bar), Qt::RightDockWidgetArea);
  EXPECT_FALSE(bar->isVisible());
  EXPECT_FALSE(toggle->isChecked());

  EXPECT_TRUE(frame.ExecuteCommand(CommandId::kViewExplorer));
  EXPECT_TRUE(bar->isVisible());
  EXPECT_TRUE(toggle->isChecked());
  // The three tabs fit the width the bar takes.
  auto* tabs = Control<QTabWidget>(*bar, IDC_TREE_TAB);
  EXPECT_GE(tabs->width(), tabs->tabBar()->sizeHint().width());

  // A file chosen in the bar goes the way of a dropped file.
  QSignalSpy opened(&frame, &CMainFrame::openFileRequested);
  bar->AddFileLink(Q(Root() / "tune.wav"));
  emit Favorites(*bar)->itemDoubleClicked(Favorites(*bar)->topLevelItem(0), 0);
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0][0].toString(), Q(Root() / "tune.wav"));

  EXPECT_TRUE(frame.ExecuteCommand(CommandId::kViewExplorer));
  EXPECT_FALSE(bar->isVisible());
  EXPECT_FALSE(toggle->isChecked());
}

}  // namespace
