// The remote's window: its shape from the skin, the buttons wired to the
// record dialog, and the drag with snapping (done here rather than by the
// window manager, which knows nothing of a frameless window's caption).
#include "gui/panes/remote_dlg.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <cstdlib>

#include "gui/base/artwork.h"
#include "gui/base/resource_ids.h"
#include "gui/base/led_progress_ctrl.h"
#include "gui/base/remote_artwork.h"
#include "gui/base/skin_button.h"
#include "gui/base/skin_region.h"

namespace {

const QColor kIdleLow(0, 0, 255);
const QColor kIdleHigh(0, 227, 255);
const QColor kRecordingLow(255, 0, 0);
const QColor kRecordingHigh(255, 227, 0);
const QColor kBarBackground(221, 221, 221);

}  // namespace

CRemoteDlg::CRemoteDlg(Controls controls)
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_controls(std::move(controls)),
      m_skin(remote_artwork::Picture(IDB_REMOTE_SKIN)) {
  setObjectName(ControlName(IDD_REMOTE));
  setWindowTitle(tr("Recording Remote"));
  m_left = new CLEDPRogressCtrl(Qt::Horizontal, this);
  m_right = new CLEDPRogressCtrl(Qt::Horizontal, this);
  m_left->setObjectName(ControlName(IDC_REMOTE_LEFT));
  m_right->setObjectName(ControlName(IDC_REMOTE_RIGHT));
  m_left->setGeometry(remote_artwork::LevelBarRect(false));
  m_right->setGeometry(remote_artwork::LevelBarRect(true));
  auto button = [this](int id, int over, int away, QRgb transparent, const QString& tip) {
    auto* b = new CSkinButton(remote_artwork::Picture(over), remote_artwork::Picture(away), transparent, this);
    b->setObjectName(ControlName(id));
    b->move(remote_artwork::ButtonRect(id).topLeft());
    if (!tip.isEmpty()) b->setToolTip(tip);
    return b;
  };
  m_record = button(IDC_REMOTE_RECORD, IDB_REMOTE_RECORD_OVER, IDB_REMOTE_RECORD_AWAY, kPureGreen, tr("Record"));
  m_stop = button(IDC_REMOTE_STOP, IDB_REMOTE_STOP_OVER, IDB_REMOTE_STOP_AWAY, kPureGreen, tr("Stop"));
  m_preview = button(IDC_REMOTE_PREVIEW, IDB_REMOTE_PREVIEW_OVER, IDB_REMOTE_PREVIEW_AWAY, kPureGreen,
                     tr("Preview Recorded Audio"));
  m_close = button(IDC_REMOTE_CLOSE, IDB_REMOTE_CLOSE_OVER, IDB_REMOTE_CLOSE_AWAY, qRgb(0, 0, 0), {});
  connect(m_record, &QAbstractButton::clicked, this, [this] {
    m_controls.record();
    // Record does nothing while a preview plays; the colours say what happened.
    SetScheme(m_controls.isRecording());
    m_left->StepIt();
    m_right->StepIt();
  });
  connect(m_stop, &QAbstractButton::clicked, this, [this] {
    m_controls.stop();
    SetScheme(m_controls.isRecording());
    m_left->StepIt();
    m_right->StepIt();
  });
  connect(m_preview, &QAbstractButton::clicked, this, [this] { m_controls.preview(); });
  connect(m_close, &QAbstractButton::clicked, this, &QDialog::accept);
}

int CRemoteDlg::Run() {
  OnInitDialog();
  return exec();
}

void CRemoteDlg::OnInitDialog() {
  const QRegion region = CreateSkinRegion(m_skin, kPureGreen, false);
  if (!region.isEmpty()) {
    setFixedSize(region.boundingRect().size());
    setMask(region);
  }
  for (CLEDPRogressCtrl* bar : {m_left, m_right}) {
    bar->SetRange(0, 100);
    bar->SetPos(50);
  }
  SetScheme(m_controls.isRecording());
  if (m_controls.isRecording()) {
    m_left->StepIt();
    m_right->StepIt();
  }
}

void CRemoteDlg::SetLevels(int left, int right) {
  m_left->SetPos(left);
  m_right->SetPos(right);
}

void CRemoteDlg::SetScheme(bool recording) {
  for (CLEDPRogressCtrl* bar : {m_left, m_right}) {
    bar->SetColors(recording ? kRecordingLow : kIdleLow, recording ? kRecordingHigh : kIdleHigh, kBarBackground);
  }
}

QRect CRemoteDlg::SnapToWorkArea(const QRect& window, const QRect& workArea, int distance) {
  QRect r = window;
  // Edges as the screen counts them: right and bottom one past the last pixel.
  const int workRight = workArea.x() + workArea.width();
  const int workBottom = workArea.y() + workArea.height();
  if (std::abs(r.x() - workArea.x()) <= distance) r.moveLeft(workArea.x());
  if (std::abs(r.x() + r.width() - workRight) <= distance) r.moveLeft(workRight - r.width());
  if (std::abs(r.y() - workArea.y()) <= distance) r.moveTop(workArea.y());
  if (std::abs(r.y() + r.height() - workBottom) <= distance) r.moveTop(workBottom - r.height());
  return r;
}

void CRemoteDlg::MoveSnapped(const QPoint& topLeft) {
  QRect proposed(topLeft, size());
  QScreen* nearest = QGuiApplication::screenAt(proposed.center());
  if (nearest == nullptr) nearest = screen();
  if (nearest == nullptr) nearest = QGuiApplication::primaryScreen();
  if (nearest != nullptr) proposed = SnapToWorkArea(proposed, nearest->availableGeometry());
  move(proposed.topLeft());
}

void CRemoteDlg::paintEvent(QPaintEvent* event) {
  if (m_skin.isNull()) {
    QDialog::paintEvent(event);
    return;
  }
  QPainter p(this);
  p.drawImage(0, 0, m_skin);
}

void CRemoteDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QDialog::mousePressEvent(event);
  m_dragging = true;
  m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CRemoteDlg::mouseMoveEvent(QMouseEvent* event) {
  if (!m_dragging) return QDialog::mouseMoveEvent(event);
  MoveSnapped(event->globalPosition().toPoint() - m_dragOffset);
}

void CRemoteDlg::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) m_dragging = false;
  QDialog::mouseReleaseEvent(event);
}
