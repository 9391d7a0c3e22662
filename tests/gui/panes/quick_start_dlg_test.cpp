// "Common Tasks": each task button ends the dialog with its task number,
// "Close" ends it without a task, and the start-up box is read either way.
#include <QAbstractButton>
#include <QCheckBox>
#include <gtest/gtest.h>

#include "gui/panes/quick_start_dlg.h"
#include "gui/base/resource_ids.h"

namespace {

struct TaskCase {
  const char* name;
  int button;
  const char* text;
  int task;
};

class QuickStartTaskTest : public testing::TestWithParam<TaskCase> {};

TEST_P(QuickStartTaskTest, TaskButtonEndsWithOkAndItsTask) {
  // Given the dialog shown with the start-up box ticked
  CQuickStartDlg dialog(true);
  dialog.show();
  auto* button = dialog.findChild<QAbstractButton*>(ControlName(GetParam().button));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), QString::fromLatin1(GetParam().text));
  // When the task button is pressed
  button->click();
  // Then the dialog ends with OK and the caller reads the task
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.task(), GetParam().task);
  EXPECT_TRUE(dialog.showAtStartup());
}

INSTANTIATE_TEST_SUITE_P(
    CommonTasks, QuickStartTaskTest,
    testing::Values(TaskCase{"BeginRecording", IDC_TASK_RECORD, "Begin Recording", kTaskBeginRecording},
                    TaskCase{"OpenExistingFile", IDC_TASK_OPEN, "Open Existing File", kTaskOpenExistingFile},
                    TaskCase{"CreateABlankFile", IDC_TASK_BLANK, "Create a blank file", kTaskCreateBlankFile},
                    TaskCase{"GenerateATone", IDC_TASK_TONE, "Generate a tone", kTaskGenerateTone}),
    [](const testing::TestParamInfo<TaskCase>& info) { return std::string(info.param.name); });

TEST(QuickStartDlg, CloseAfterUntickingKeepsTheUntickedBox) {
  // Given the dialog started from a set "show at start" flag
  CQuickStartDlg dialog(true);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Common Tasks"));
  auto* box = dialog.findChild<QCheckBox*>(ControlName(IDC_TASK_SHOW_AT_STARTUP));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), QStringLiteral("Show this at startup"));
  EXPECT_TRUE(box->isChecked());
  // When the box is unticked and "Close" pressed
  box->setChecked(false);
  auto* close = dialog.findChild<QAbstractButton*>(ControlName(IDCANCEL));
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->text(), QStringLiteral("Close"));
  close->click();
  // Then no task is chosen and the unticked state is there to be stored
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(dialog.task(), kNoCommonTask);
  EXPECT_FALSE(dialog.showAtStartup());
}

}  // namespace
