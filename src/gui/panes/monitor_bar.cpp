// The meter bar's client (template 165), its tick and its timer policy.
#include "gui/panes/monitor_bar.h"

#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QTimerEvent>

#include "core/model/settings_record.h"
#include "gui/base/resource_ids.h"
#include "gui/base/led_progress_ctrl.h"
#include "gui/panes/record_dlg.h"

namespace {

constexpr int kTickMs = 50;
constexpr int kBarHeight = 14;
constexpr int kClientHeight = 36;

const SettingsRecord& Defaults() {
  static const SettingsRecord defaults;
  return defaults;
}

}  // namespace

CMonitorBar::CMonitorBar(const SettingsRecord* settings, Services services, QWidget* parent)
    : QDockWidget(parent), m_settings(settings), m_services(std::move(services)) {
  setObjectName(QStringLiteral("Monitor"));
  setWindowTitle(tr("Audio Meter"));
  setFeatures(QDockWidget::NoDockWidgetFeatures);
  setAllowedAreas(Qt::BottomDockWidgetArea);
  setTitleBarWidget(new QWidget(this));
  // Without a file the levels still show; Record then has nowhere to write
  // and the dialog says so.
  if (!RecordingFile::Create(QDir::tempPath().toStdString(), &m_file)) m_file.reset();

  m_client = new QWidget(this);
  m_client->setObjectName(ControlName(IDD_MONITOR_BAR));
  m_client->setMinimumHeight(kClientHeight);
  m_left = new CLEDPRogressCtrl(Qt::Horizontal, m_client);
  m_right = new CLEDPRogressCtrl(Qt::Horizontal, m_client);
  m_left->setObjectName(ControlName(IDC_MONITOR_LEFT));
  m_right->setObjectName(ControlName(IDC_MONITOR_RIGHT));
  m_left->SetRange(0, 100);
  m_right->SetRange(0, 100);
  m_left->setGeometry(4, 2, 400, kBarHeight);
  m_right->setGeometry(4, 20, 400, kBarHeight);
  m_leftLabel = new QLabel(tr("L - Channel Output"), m_client);
  m_rightLabel = new QLabel(tr("R - Channel Output"), m_client);
  m_leftLabel->setObjectName(ControlName(IDC_MONITOR_LEFT_LABEL));
  m_rightLabel->setObjectName(ControlName(IDC_MONITOR_RIGHT_LABEL));
  for (QLabel* label : {m_leftLabel, m_rightLabel}) {
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    label->resize(label->sizeHint().width() + 4, kBarHeight + 2);
  }
  m_client->installEventFilter(this);
  setWidget(m_client);
  m_recordDlg = std::make_unique<CRecordDlg>(this);
}

CMonitorBar::~CMonitorBar() {
  m_timer.stop();
  // The dialog reaches back into the bar while it goes.
  m_recordDlg.reset();
}

const SettingsRecord& CMonitorBar::settings() const { return m_settings != nullptr ? *m_settings : Defaults(); }

void CMonitorBar::StartMeterTimer() {
  m_timerWanted = true;
  UpdateTimer();
}

void CMonitorBar::KillMeterTimer() {
  m_timerWanted = false;
  UpdateTimer();
}

void CMonitorBar::UpdateTimer() {
  const bool run = m_timerWanted && (!isHidden() || m_recordDialogOpen || m_poll.recording());
  if (run && !m_timer.isActive()) m_timer.start(kTickMs, this);
  if (!run && m_timer.isActive()) m_timer.stop();
}

void CMonitorBar::SetRecordDialogOpen(bool open) {
  m_recordDialogOpen = open;
  UpdateTimer();
}

void CMonitorBar::setVisible(bool visible) {
  QDockWidget::setVisible(visible);
  UpdateTimer();
  emit shownChanged(!isHidden());
}

void CMonitorBar::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_timer.timerId()) return QDockWidget::timerEvent(event);
  OnMeterTimer();
}

void CMonitorBar::OnMeterTimer() {
  SoundCaptureBuffer* ring = m_services.captureRing ? m_services.captureRing() : nullptr;
  const CapturePoll::Tick tick = m_poll.Poll(ring, m_file.get());
  if (!tick.ran) return;
  const int left = CapturePoll::LevelValue(tick.peakLeft);
  const int right = CapturePoll::LevelValue(tick.peakRight);
  m_left->SetPos(left);
  m_right->SetPos(right);
  if (m_recordDialogOpen) m_recordDlg->OnMeterTick(tick, left, right);
  // A recording that ends with the dialog no longer needs the tick.
  UpdateTimer();
}

void CMonitorBar::RunRecordDialog() { m_recordDlg->Run(); }

bool CMonitorBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_client && event->type() == QEvent::Resize) LayOutClient();
  return QDockWidget::eventFilter(watched, event);
}

void CMonitorBar::LayOutClient() {
  const int width = m_client->width();
  for (CLEDPRogressCtrl* bar : {m_left, m_right}) bar->resize(std::max(0, width - 130), kBarHeight);
  m_leftLabel->move(width - 120, 1);
  m_rightLabel->move(width - 120, 20);
}
