// The Save As dialog: the "|"-separated filter pairs become Qt name filters,
// and picking another type changes the extension of the typed name.
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QTreeView>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "gui/base/type_file_dialog.h"

namespace {

const QString kSaveFilter = QStringLiteral("ACM Waveform (*.wav)|*.wav|Audio Document File (*.tvf)|*.tvf||");

struct FilterCase {
  const char* name;
  const char* pairs;
  QStringList nameFilters;
};

class FilterPairsTest : public testing::TestWithParam<FilterCase> {};

TEST_P(FilterPairsTest, BecomeNameFiltersThatShowThePatternsOnce) {
  EXPECT_EQ(CTypeFileDialog::NameFiltersFromPairs(QString::fromUtf8(GetParam().pairs)), GetParam().nameFilters);
}

INSTANTIATE_TEST_SUITE_P(
    SaveAs, FilterPairsTest,
    testing::Values(
        // The description already names its patterns: shown as it stands.
        FilterCase{"DescriptionEndsInItsPatterns", "Microsoft ACM Waveform (*.wav)|*.wav|Audio Document File (*.tvf)|*.tvf||",
                   {"Microsoft ACM Waveform (*.wav)", "Audio Document File (*.tvf)"}},
        // Without them, the patterns are added, semicolons turned to blanks.
        FilterCase{"PatternsAdded", "Compatible Audio Files |*.wav; *.tvf|All Files (*.*)|*.*||",
                   {"Compatible Audio Files (*.wav *.tvf)", "All Files (*.*)"}},
        // Other words in parentheses are not the patterns.
        FilterCase{"OtherParentheses", "Raw (8-bit)|*.raw||", {"Raw (8-bit) (*.raw)"}},
        FilterCase{"DifferentPatterns", "Wave (*.wav)|*.wav;*.wave||", {"Wave (*.wav) (*.wav *.wave)"}}),
    [](const testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

struct ExtensionCase {
  const char* name;
  const char* fileName;
  const char* pattern;
  const char* result;
};

class TypeChangeTest : public testing::TestWithParam<ExtensionCase> {};

TEST_P(TypeChangeTest, NameTakesThePatternsExtension) {
  EXPECT_EQ(CTypeFileDialog::NameWithPatternExtension(QString::fromUtf8(GetParam().fileName),
                                                      QString::fromUtf8(GetParam().pattern)),
            QString::fromUtf8(GetParam().result));
}

INSTANTIATE_TEST_SUITE_P(
    SaveAs, TypeChangeTest,
    testing::Values(ExtensionCase{"WaveToDocument", "take1.wav", "*.tvf", "take1.tvf"},
                    ExtensionCase{"NoExtensionYet", "take1", "*.wav", "take1.wav"},
                    ExtensionCase{"OnlyTheLastExtension", "take.one.wav", "*.tvf", "take.one.tvf"},
                    ExtensionCase{"DotInAFolderName", "songs.old/take1", "*.tvf", "songs.old/take1.tvf"},
                    ExtensionCase{"WildcardPatternLeavesTheName", "take1.wav", "*.*", "take1.wav"},
                    ExtensionCase{"SeveralPatternsKeepANameOfOneOfThem", "take1.wav", "*.wav; *.tvf", "take1.wav"},
                    ExtensionCase{"SeveralPatternsGiveTheFirst", "take1.flac", "*.aif;*.aiff", "take1.aif"},
                    ExtensionCase{"ExtensionOfAnyCaseIsKept", "TAKE1.AIFF", "*.aif;*.aiff", "TAKE1.AIFF"}),
    [](const testing::TestParamInfo<ExtensionCase>& info) { return std::string(info.param.name); });

// Qt's file dialog keeps its history in the user's settings: point them at a
// folder of the test's own.
class TypeFileDialogLive : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_home = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, s_home->path());
  }
  static void TearDownTestSuite() { s_home.reset(); }

  static std::unique_ptr<QTemporaryDir> s_home;
};
std::unique_ptr<QTemporaryDir> TypeFileDialogLive::s_home;

TEST_F(TypeFileDialogLive, PickingTheDocumentTypeRenamesTheTypedFile) {
  // Given the save dialog with "take1.wav" typed
  CTypeFileDialog dialog(true, QStringLiteral("wav"), QStringLiteral("take1.wav"), kSaveFilter);
  dialog.setDirectory(s_home->path());
  dialog.show();
  QLineEdit* name = dialog.fileNameEdit();
  ASSERT_NE(name, nullptr);
  name->setText(QStringLiteral("take1.wav"));
  // When the user picks the document type in the type list
  auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  ASSERT_NE(types, nullptr);
  types->setCurrentIndex(1);
  emit types->activated(1);
  // Then the name carries the new extension
  EXPECT_EQ(name->text(), QStringLiteral("take1.tvf"));
}

TEST_F(TypeFileDialogLive, StartsAtTheTypeOfTheProposedName) {
  // Given the save dialog proposing "song.aiff" among several types
  const QString filter = kSaveFilter.chopped(1) + QStringLiteral("MP3 (*.mp3)|*.mp3|AIFF (*.aif *.aiff)|*.aif;*.aiff||");
  CTypeFileDialog dialog(true, QStringLiteral("wav"), QStringLiteral("song.aiff"), filter);
  // Then the AIFF type is chosen, and a name typed without an extension
  // gets the first of its extensions
  EXPECT_EQ(dialog.selectedNameFilter(), QStringLiteral("AIFF (*.aif *.aiff)"));
  EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("aif"));
  // And a name of no listed type leaves the first type chosen
  CTypeFileDialog other(true, QStringLiteral("wav"), QStringLiteral("song.caf"), filter);
  EXPECT_EQ(other.selectedNameFilter(), QStringLiteral("ACM Waveform (*.wav)"));
  EXPECT_EQ(other.defaultSuffix(), QStringLiteral("wav"));
}

TEST_F(TypeFileDialogLive, DetailsShowTheWholeSizeTypeAndDate) {
  // Given a folder with a wave file
  QTemporaryDir folder;
  QFile file(folder.filePath(QStringLiteral("take1.wav")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(132300, '\0'));
  file.close();
  // When the save dialog shows it in its details view
  CTypeFileDialog dialog(true, QStringLiteral("wav"), QStringLiteral("take2.wav"), kSaveFilter);
  dialog.setDirectory(folder.path());
  dialog.show();
  auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  ASSERT_NE(details, nullptr);
  QElapsedTimer waited;
  waited.start();
  while (details->model()->rowCount(details->rootIndex()) == 0 && waited.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  ASSERT_EQ(details->model()->rowCount(details->rootIndex()), 1);
  QCoreApplication::processEvents();
  // Then the dialog is roomy and no detail column is cut short
  EXPECT_GE(dialog.width(), 800);
  EXPECT_GE(dialog.height(), 500);
  for (int column = 1; column < details->header()->count(); ++column) {
    if (details->header()->isSectionHidden(column)) continue;
    EXPECT_GE(details->header()->sectionSize(column), static_cast<QAbstractItemView*>(details)->sizeHintForColumn(column)) << "column " << column;
  }
}

}  // namespace
