// "Select Format": the lists come from the format catalogue, the chooser
// starts at the given format (or the working format), and Cancel leaves the
// record alone so that the save can stop.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/model/codec_format.h"
#include "core/model/format_catalogue.h"
#include "gui/panes/format_chooser_dlg.h"
#include "gui/base/resource_ids.h"

namespace {

QComboBox* List(const QWidget& dialog, int id) {
  QComboBox* list = dialog.findChild<QComboBox*>(ControlName(id));
  EXPECT_NE(list, nullptr) << "no list " << id;
  return list;
}

TEST(FormatChooserDlg, StartsAtTheWorkingFormatForAnEmptyRecord) {
  // Given the zero-filled record the save starts from
  CFormatChooserDlg dialog(FormatRecord(50, 0));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select Format"));
  // Then every format name is offered, PCM is chosen and the record is the working format
  QStringList names;
  for (const std::string& name : CatalogueFormatNames()) names << QString::fromStdString(name);
  QStringList listed;
  for (int i = 0; i < List(dialog, IDC_FORMAT_TAG)->count(); ++i) listed << List(dialog, IDC_FORMAT_TAG)->itemText(i);
  EXPECT_EQ(listed, names);
  EXPECT_EQ(List(dialog, IDC_FORMAT_TAG)->currentText(), QStringLiteral("PCM"));
  EXPECT_TRUE(List(dialog, IDC_FORMAT_ATTRIBUTES)->currentText().startsWith(QStringLiteral("44,100 Hz, 16 Bit, Stereo")));
  EXPECT_TRUE(AreEqualFormats(dialog.chosenRecord(), MakeFormatRecord(WorkingFormat())));
}

TEST(FormatChooserDlg, StartsAtAGivenCatalogueFormat) {
  const CatalogueFormat* ima = nullptr;
  for (const CatalogueFormat& format : FormatCatalogue()) {
    if (format.formatTag == kFormatIMAADPCM && format.channels == 1) ima = &format;
  }
  ASSERT_NE(ima, nullptr);
  CFormatChooserDlg dialog(ima->record);
  EXPECT_EQ(List(dialog, IDC_FORMAT_TAG)->currentText(), QString::fromStdString(ima->formatName));
  EXPECT_EQ(dialog.chosenRecord(), ima->record);
}

TEST(FormatChooserDlg, ChangingTheTagListsItsAttributes) {
  // Given the chooser at PCM
  CFormatChooserDlg dialog(FormatRecord{});
  // When the layer-3 format is picked
  QComboBox* tags = List(dialog, IDC_FORMAT_TAG);
  tags->setCurrentIndex(tags->findText(QStringLiteral("MPEG Layer-3")));
  // Then the attributes are the catalogue's layer-3 entries and the record is a layer-3 one
  int expected = 0;
  for (const CatalogueFormat& format : FormatCatalogue()) expected += format.formatTag == kFormatMPEGLayer3;
  EXPECT_EQ(List(dialog, IDC_FORMAT_ATTRIBUTES)->count(), expected);
  EXPECT_EQ(ParseWaveFormat(dialog.chosenRecord()).formatTag, kFormatMPEGLayer3);
}

TEST(FormatChooserDlg, OkReplacesTheRecordCancelKeepsIt) {
  // Given a record the save passes in
  FormatRecord record(50, 0);
  // When the user cancels
  {
    QTimer::singleShot(0, [] {
      auto* chooser = qobject_cast<CFormatChooserDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(chooser, nullptr);
      chooser->findChild<QPushButton*>(ControlName(IDCANCEL))->click();
    });
    EXPECT_FALSE(CFormatChooserDlg::ChooseFormat(nullptr, &record));
  }
  // Then the record is unchanged
  EXPECT_EQ(record, FormatRecord(50, 0));
  // When the user picks A-law and presses OK
  QTimer::singleShot(0, [] {
    auto* chooser = qobject_cast<CFormatChooserDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(chooser, nullptr);
    QComboBox* tags = chooser->findChild<QComboBox*>(ControlName(IDC_FORMAT_TAG));
    tags->setCurrentIndex(tags->findText(QStringLiteral("CCITT A-Law")));
    chooser->findChild<QPushButton*>(ControlName(IDOK))->click();
  });
  ASSERT_TRUE(CFormatChooserDlg::ChooseFormat(nullptr, &record));
  // Then the record is the chosen one
  EXPECT_EQ(ParseWaveFormat(record).formatTag, kFormatALaw);
}

}  // namespace
