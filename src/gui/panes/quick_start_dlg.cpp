// The Common Tasks dialog: a header picture, a white panel holding the task
// buttons (flat, picture beside text) and the start-up box with "Close".
#include "gui/panes/quick_start_dlg.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/base/artwork.h"
#include "gui/base/resource_ids.h"

namespace {

struct TaskButton {
  int id;
  int picture;
  const char* text;
  CommonTask task;
};

// In the panel's reading order: open and record on the first row, the two
// ways to a new sound on the second.
const TaskButton kTasks[] = {
    {IDC_TASK_OPEN, IDB_TASK_OPEN, "Open Existing File", kTaskOpenExistingFile},
    {IDC_TASK_RECORD, IDB_TASK_RECORD, "Begin Recording", kTaskBeginRecording},
    {IDC_TASK_BLANK, IDB_TASK_BLANK, "Create a blank file", kTaskCreateBlankFile},
    {IDC_TASK_TONE, IDB_TASK_TONE, "Generate a tone", kTaskGenerateTone},
};

}  // namespace

CQuickStartDlg::CQuickStartDlg(bool showAtStartup, QWidget* parent)
    : QDialog(parent), m_showAtStartup(new QCheckBox(QStringLiteral("Show this at startup"), this)) {
  setWindowTitle(QStringLiteral("Common Tasks"));
  setObjectName(ControlName(IDD_COMMON_TASKS));

  auto* header = new QLabel(this);
  header->setPixmap(ArtworkPixmap(IDB_COMMON_TASKS));
  header->setObjectName(QStringLiteral("CommonTasksPicture"));

  auto* panel = new QFrame(this);
  panel->setObjectName(ControlName(IDC_TASK_PANEL));
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  panel->setAutoFillBackground(true);
  QPalette white = panel->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::Button, Qt::white);
  white.setColor(QPalette::ButtonText, QColor(0x1d, 0x35, 0x57));
  panel->setPalette(white);
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(14, 14, 14, 14);
  grid->setSpacing(10);
  for (int i = 0; i < 4; ++i) {
    auto* button = new QToolButton(panel);
    button->setObjectName(ControlName(kTasks[i].id));
    button->setText(QString::fromLatin1(kTasks[i].text));
    button->setIcon(ArtworkIcon(kTasks[i].picture));
    button->setIconSize(QSize(48, 48));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    const CommonTask task = kTasks[i].task;
    connect(button, &QToolButton::clicked, this, [this, task] {
      m_task = task;
      accept();
    });
    grid->addWidget(button, i / 2, i % 2);
  }

  m_showAtStartup->setObjectName(ControlName(IDC_TASK_SHOW_AT_STARTUP));
  m_showAtStartup->setChecked(showAtStartup);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(ControlName(IDCANCEL));
  connect(close, &QPushButton::clicked, this, &CQuickStartDlg::reject);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(m_showAtStartup);
  bottom->addStretch();
  bottom->addWidget(close);
  auto* body = new QVBoxLayout;
  body->setContentsMargins(12, 10, 12, 12);
  body->setSpacing(10);
  body->addWidget(panel, 1);
  body->addLayout(bottom);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(header);
  layout->addLayout(body, 1);
}

bool CQuickStartDlg::showAtStartup() const { return m_showAtStartup->isChecked(); }
