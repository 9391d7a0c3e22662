// The clipboard manager's bar: the list and its four buttons, the preview on
// the sound output, and the two directions of the system clipboard.
#include "gui/panes/clipboard_dlg.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMainWindow>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <new>

#include "core/edit/clip_columns.h"
#include "core/model/settings_record.h"
#include "gui/base/resource_ids.h"
#include "gui/base/clip_mime.h"
#include "gui/base/wavedesk_list_ctrl.h"

namespace {

// The bar's height when first shown: about six rows, so that it does not take
// the documents' room. The user can drag it taller.
constexpr int kFirstHeight = 170;

Qt::Alignment AlignmentOf(ClipColumnAlignment alignment) {
  switch (alignment) {
    case ClipColumnAlignment::kRight:
      return Qt::AlignRight | Qt::AlignVCenter;
    case ClipColumnAlignment::kCentre:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case ClipColumnAlignment::kLeft:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

QPushButton* MakeButton(int id, const QString& text, QStyle::StandardPixmap image, QWidget* parent) {
  auto* button = new QPushButton(parent->style()->standardIcon(image), text, parent);
  button->setObjectName(ControlName(id));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

CClipboardDlg::CClipboardDlg(const SettingsRecord* settings, std::string folder, QWidget* parent)
    : QDockWidget(parent),
      m_settings(settings != nullptr ? settings : &DefaultSettings()),
      m_store(folder.empty() ? QDir::tempPath().toStdString() : std::move(folder)) {
  setObjectName(ControlName(IDD_CLIPBOARD));
  setWindowTitle(tr("Clipboard Manager"));
  // A bar of the main window's bottom edge: it neither floats, moves to
  // another edge nor closes itself; the View command shows and hides it.
  setFeatures(QDockWidget::NoDockWidgetFeatures);
  setAllowedAreas(Qt::BottomDockWidgetArea);

  auto* client = new QWidget(this);
  m_list = new CWavedeskListCtrl(client);
  m_list->setObjectName(ControlName(IDC_CLIP_LIST));
  m_list->SetColumns({{kClipColumns[0].heading.data(), kClipColumns[0].width},
                      {kClipColumns[1].heading.data(), kClipColumns[1].width},
                      {kClipColumns[2].heading.data(), kClipColumns[2].width},
                      {kClipColumns[3].heading.data(), kClipColumns[3].width}});
  for (int column = 0; column < static_cast<int>(kClipColumns.size()); ++column)
    m_list->headerItem()->setTextAlignment(column, AlignmentOf(kClipColumns[column].alignment));
  m_list->SetGridLines(true);
  m_list->MeasureStripes();

  auto* clearAll = MakeButton(IDC_CLIP_CLEAR_ALL, tr("Clear All"), QStyle::SP_DialogResetButton, client);
  auto* remove = MakeButton(IDC_CLIP_REMOVE, tr("Remove"), QStyle::SP_TrashIcon, client);
  m_pasteButton = MakeButton(IDC_CLIP_PASTE, tr("Paste"), QStyle::SP_ArrowDown, client);
  m_previewButton = MakeButton(IDC_CLIP_PREVIEW, tr("Preview"), QStyle::SP_MediaPlay, client);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {clearAll, remove, m_pasteButton, m_previewButton}) buttons->addWidget(button);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(client);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(m_list, 1);
  layout->addLayout(buttons);
  setWidget(client);

  connect(clearAll, &QPushButton::clicked, this, &CClipboardDlg::OnClearAll);
  connect(remove, &QPushButton::clicked, this, &CClipboardDlg::OnRemove);
  connect(m_pasteButton, &QPushButton::clicked, this, &CClipboardDlg::OnPaste);
  connect(m_previewButton, &QPushButton::clicked, this, &CClipboardDlg::OnPreview);
  connect(m_list, &CWavedeskListCtrl::clickedAt, this, &CClipboardDlg::OnListClicked);
  connect(m_list, &CWavedeskListCtrl::rightClickedAt, this, [this](int row, const QPoint&) { OnListClicked(row); });
  // Keys move the highlight too; the clip Paste takes must be the one that
  // shows selected.
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (m_refreshing) return;
    const QList<QTreeWidgetItem*> chosen = m_list->selectedItems();
    if (!chosen.isEmpty()) m_store.Select(m_list->indexOfTopLevelItem(chosen.front()));
  });

  m_previewTimer.setInterval(PreviewPlayer::kPollMilliseconds);
  connect(&m_previewTimer, &QTimer::timeout, this, &CClipboardDlg::OnPreviewTimer);

  if (QClipboard* clipboard = QGuiApplication::clipboard())
    connect(clipboard, &QClipboard::dataChanged, this, &CClipboardDlg::OnSystemClipboardChanged);
  UpdateButtons();
}

CClipboardDlg::~CClipboardDlg() { StopPreview(); }

void CClipboardDlg::setVisible(bool visible) {
  QDockWidget::setVisible(visible);
  emit shownChanged(!isHidden());
}

void CClipboardDlg::showEvent(QShowEvent* event) {
  QDockWidget::showEvent(event);
  if (m_sized) return;
  TakeHeight(m_restoredSize.isValid() ? m_restoredSize.height() : kFirstHeight);
}

void CClipboardDlg::TakeHeight(int height) {
  if (auto* frame = qobject_cast<QMainWindow*>(parentWidget())) {
    m_sized = true;
    frame->resizeDocks({this}, {height}, Qt::Vertical);
  }
}

void CClipboardDlg::RestoreSize(const QSize& size) {
  m_restoredSize = size;
  if (m_sized && size.isValid()) TakeHeight(size.height());
}

QSize CClipboardDlg::RememberedSize() const { return m_sized ? size() : m_restoredSize; }

bool CClipboardDlg::AddCopiedClip(const uint8_t* bytes, uint64_t length) {
  if (!m_store.AddClip(bytes, length)) return false;
  RefreshList();
  if (m_settings->showClipboardOnCopy != 0) show();
  OfferNewestClip();
  return true;
}

void CClipboardDlg::OfferNewestClip() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr || m_store.empty()) return;
  // The clip file is the complete wave file other programs expect, header
  // and all; reading it back keeps one writer of that header.
  QFile file(QString::fromStdString(m_store.rows().front().path));
  if (!file.open(QIODevice::ReadOnly)) return;
  QByteArray wave;
  try {
    wave = file.readAll();
  } catch (const std::bad_alloc&) {
    // A clip too large to hold twice stays in the manager only.
    return;
  }
  if (wave.size() != file.size()) return;
  QMimeData* mime = MakeWaveMimeData(wave);
  // Known before the clipboard announces the change, which it may do at once.
  m_offered = mime;
  m_offeredPath = m_store.rows().front().path;
  m_offeredSize = wave.size();
  clipboard->setMimeData(mime, QClipboard::Clipboard);
}

void CClipboardDlg::OnSystemClipboardChanged() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* mime = clipboard->mimeData(QClipboard::Clipboard);
  // Our own clip is listed already.
  if (mime == nullptr || clipboard->ownsClipboard() || (m_offered != nullptr && mime == m_offered)) return;
  const QByteArray wave = WaveFileOf(mime);
  if (wave.isEmpty() || IsOurOfferedClip(wave)) return;
  // Data that is no wave file, or that cannot be written, is not listed.
  if (m_store.AddWaveFile(reinterpret_cast<const uint8_t*>(wave.constData()), static_cast<uint64_t>(wave.size())))
    RefreshList();
}

bool CClipboardDlg::IsOurOfferedClip(const QByteArray& wave) const {
  // Only data of the very size is read back, so foreign clips cost nothing.
  if (wave.size() != m_offeredSize) return false;
  QFile file(QString::fromStdString(m_offeredPath));
  if (!file.open(QIODevice::ReadOnly)) return false;
  constexpr qint64 kChunk = 1 << 20;
  for (qint64 at = 0; at < wave.size(); at += kChunk) {
    const QByteArray part = file.read(kChunk);
    if (part.isEmpty() || part != QByteArrayView(wave).sliced(at, std::min(kChunk, wave.size() - at))) return false;
  }
  return true;
}

void CClipboardDlg::PasteClip(int index) {
  m_store.Select(index);
  ShowSelection();
  OnPaste();
}

void CClipboardDlg::OnClearAll() {
  m_store.ClearAll();
  RefreshList();
}

void CClipboardDlg::OnRemove() {
  m_store.Remove();
  RefreshList();
}

void CClipboardDlg::OnPaste() { emit pasteRequested(m_store.selected()); }

void CClipboardDlg::OnListClicked(int row) {
  // A click below the last row keeps the clip that was selected.
  m_store.Select(row);
  ShowSelection();
}

void CClipboardDlg::OnPreview() {
  if (IsPreviewing()) {
    StopPreview();
    return;
  }
  if (m_store.selected() < 0) return;
  SoundOutputDevice* device = m_outputSource ? m_outputSource() : nullptr;
  if (device == nullptr) return;
  std::unique_ptr<uint8_t[]> bytes;
  uint64_t length = 0;
  if (m_store.GetSelectedClip(&bytes, &length) != ClipResult::kOk) return;
  if (m_preview.Play(device, bytes.get(), length) != PreviewStart::kPlaying) return;
  m_previewTimer.start();
  SetPreviewButton(true);
}

void CClipboardDlg::OnPreviewTimer() {
  if (m_preview.HasEnded()) StopPreview();
}

void CClipboardDlg::StopPreview() {
  m_previewTimer.stop();
  m_preview.Stop();
  SetPreviewButton(false);
}

void CClipboardDlg::SetPreviewButton(bool playing) {
  m_previewButton->setText(playing ? tr("Stop") : tr("Preview"));
  m_previewButton->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
  UpdateButtons();
}

void CClipboardDlg::RefreshList() {
  m_refreshing = true;
  m_list->clear();
  const QIcon icon = style()->standardIcon(QStyle::SP_MediaVolume);
  for (const ClipRow& row : m_store.rows()) {
    auto* item = new QTreeWidgetItem(m_list);
    for (int column = 0; column < static_cast<int>(kClipColumns.size()); ++column) {
      item->setText(column, QString::fromStdString(ClipColumnText(row, column)));
      item->setTextAlignment(column, AlignmentOf(kClipColumns[column].alignment));
    }
    item->setIcon(0, icon);
    item->setData(0, Qt::UserRole, QString::fromStdString(row.path));
  }
  ShowSelection();
  m_refreshing = false;
  emit clipsChanged();
}

void CClipboardDlg::ShowSelection() {
  const bool refreshing = m_refreshing;
  m_refreshing = true;
  QTreeWidgetItem* item = m_store.selected() >= 0 ? m_list->topLevelItem(m_store.selected()) : nullptr;
  if (item != nullptr) {
    m_list->setCurrentItem(item);
    item->setSelected(true);
  } else {
    m_list->clearSelection();
  }
  m_refreshing = refreshing;
  UpdateButtons();
}

void CClipboardDlg::UpdateButtons() {
  const bool clip = m_store.selected() >= 0;
  m_pasteButton->setEnabled(clip);
  m_previewButton->setEnabled(clip || IsPreviewing());
}
