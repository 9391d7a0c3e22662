// The side panel: its four pages, the rows it writes from the sound and the
// history, and the layer and tag edits it asks the document's editor for.
#include "gui/panes/sound_form_view.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>

#include "core/edit/command_table.h"
#include "core/edit/document_editor.h"
#include "core/model/file_properties.h"
#include "core/model/sound.h"
#include "gui/base/resource_ids.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/layer_properties_dlg.h"
#include "gui/base/stored_text.h"
#include "gui/base/wavedesk_list_ctrl.h"
#include "gui/base/icon_painter.h"

namespace {

// The image list, in the order of the history kinds.
constexpr int kImageIds[] = {IDI_LAYER,          IDI_HISTORY_OPEN,          IDI_HISTORY_NEW,
                             IDI_HISTORY_CUT,    IDI_HISTORY_PASTE,         IDI_HISTORY_NEW_LAYER,
                             IDI_HISTORY_REMOVE_LAYER, IDI_HISTORY_MERGE};

const QString kRule = QStringLiteral("---------------------------");

// Properties rows whose values change with the sound.
enum PropertyRow : int {
  kRowFileName = 2,
  kRowBitDepth = 3,
  kRowChannels = 4,
  kRowSampleRate = 5,
  kRowBlockAlign = 8,
  kRowTotalSamples = 9,
  kRowApproxLength = 10,
  kRowTotalBytes = 11,
  kRowAvgBytes = 12,
  kRowFileType = 15,
  kRowFormatTag = 16,
  kRowFormatChunkSize = 17,
};

// Column 0 of the properties list; rows 1, 7 and 14 head a group and carry
// the rule as their value.
const char* const kPropertyLabels[] = {
    "",
    "General: ",
    "Wave Filename",
    "Bit Depth (container size)",
    "Channels",
    "Sample Rate",
    "",
    "Technical:",
    "Block Align (atomic size)",
    "Total Samples",
    "Approx. Length",
    "Bytes of total data:",
    "Avg. Bytes per Sec.",
    "",
    "Identity:",
    "File Type",
    "Format Tag",
    "Format Chunk Size",
};

struct TagRow {
  const char* label;
  TagIndex tag;
};
// Rows 1-9 of the tags list; row 0 stays empty and cannot be edited.
constexpr TagRow kTagRows[] = {
    {"Wave Title:", kTagTitle},   {"Artist:", kTagArtist},       {"Genre:", kTagGenre},
    {"Keywords:", kTagKeywords},  {"Subject:", kTagSubject},     {"Copyright:", kTagCopyright},
    {"Comments:", kTagComments},  {"Engineer:", kTagEngineer},   {"Technician:", kTagTechnician},
};

QPushButton* MakeButton(const QString& text, int id, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(ControlName(id));
  // 100 pixels from one button's left edge to the next.
  button->setFixedWidth(92);
  return button;
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->setSpacing(8);
  for (QPushButton* button : buttons) row->addWidget(button);
  row->addStretch(1);
  return row;
}

QVBoxLayout* PageLayout(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->setSpacing(6);
  return layout;
}

}  // namespace

CSoundFormView::CSoundFormView(CWavedeskDoc* document, QWidget* parent) : QWidget(parent), m_document(document) {
  setObjectName(QStringLiteral("CSoundFormView"));
  for (const int id : kImageIds) m_images.append(PaintedIcon(id));
  CreatePages();
}

CSoundFormView::~CSoundFormView() = default;

void CSoundFormView::CreatePages() {
  m_tab = new QTabWidget(this);
  m_tab->setObjectName(ControlName(IDC_TAB));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(3, 3, 3, 3);
  outer->addWidget(m_tab);

  auto makeList = [](int id, QWidget* page) {
    auto* list = new CWavedeskListCtrl(page);
    list->setObjectName(ControlName(id));
    return list;
  };

  auto* propertiesPage = new QWidget(m_tab);
  m_propertiesList = makeList(IDC_PROPERTIES_LIST, propertiesPage);
  PageLayout(propertiesPage)->addWidget(m_propertiesList);

  auto* layersPage = new QWidget(m_tab);
  m_layersList = makeList(IDC_LAYER_LIST, layersPage);
  m_layersList->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  m_addLayer = MakeButton(QStringLiteral("Add Layer"), IDC_ADD_LAYER, layersPage);
  m_deleteLayer = MakeButton(QStringLiteral("Delete Layer"), IDC_DELETE_LAYER, layersPage);
  m_mergeLayers = MakeButton(QStringLiteral("Merge Layers"), IDC_MERGE_LAYERS, layersPage);
  m_mergeLayers->hide();  // merging is offered by the Layer menu only
  QVBoxLayout* layersLayout = PageLayout(layersPage);
  layersLayout->addWidget(m_layersList);
  layersLayout->addLayout(ButtonRow({m_addLayer, m_deleteLayer, m_mergeLayers}));

  auto* tagsPage = new QWidget(m_tab);
  m_tagsList = makeList(IDC_TAGS_LIST, tagsPage);
  m_tagValue = new QPlainTextEdit(tagsPage);
  m_tagValue->setObjectName(ControlName(IDC_TAG_VALUE));
  m_tagValue->setTabChangesFocus(true);
  m_tagValue->setMinimumHeight(m_tagValue->fontMetrics().lineSpacing() + 10);
  m_tagUpdate = MakeButton(QStringLiteral("Update"), IDC_TAG_UPDATE, tagsPage);
  m_tagRevert = MakeButton(QStringLiteral("Revert"), IDC_TAG_REVERT, tagsPage);
  m_tagUpdate->setEnabled(false);
  m_tagRevert->setEnabled(false);
  QVBoxLayout* tagsLayout = PageLayout(tagsPage);
  tagsLayout->addWidget(m_tagsList, 3);
  tagsLayout->addWidget(m_tagValue, 1);
  tagsLayout->addLayout(ButtonRow({m_tagUpdate, m_tagRevert}));

  auto* historyPage = new QWidget(m_tab);
  m_historyList = makeList(IDC_HISTORY_LIST, historyPage);
  m_undo = MakeButton(QStringLiteral("Undo"), IDC_UNDO, historyPage);
  m_redo = MakeButton(QStringLiteral("Redo"), IDC_REDO, historyPage);
  m_undo->setEnabled(false);
  m_redo->setEnabled(false);
  QVBoxLayout* historyLayout = PageLayout(historyPage);
  historyLayout->addWidget(m_historyList);
  historyLayout->addLayout(ButtonRow({m_undo, m_redo}));

  m_propertiesList->SetColumns({{"Wave Property", 200}, {"Value", 250}});
  m_tagsList->SetColumns({{"Processed Tags", 130}, {"Value (Contents)", 300}});
  m_layersList->SetColumns({{"Layer Name", 130}, {"Envelope On", 300}});
  m_historyList->SetColumns({{"Action", 250}, {"Time", 130}});
  for (CWavedeskListCtrl* list : {m_propertiesList, m_tagsList, m_layersList, m_historyList})
    list->MeasureStripes();

  m_tab->addTab(propertiesPage, QStringLiteral("File Properties"));
  m_tab->addTab(layersPage, QStringLiteral("Audio Layers"));
  m_tab->addTab(tagsPage, QStringLiteral("Information Tags"));
  m_tab->addTab(historyPage, QStringLiteral("Action History"));
  m_tab->setCurrentIndex(0);

  connect(m_tagsList, &QTreeWidget::itemSelectionChanged, this, &CSoundFormView::OnTagSelectionChanged);
  connect(m_tagUpdate, &QPushButton::clicked, this, &CSoundFormView::OnTagUpdate);
  connect(m_tagRevert, &QPushButton::clicked, this, &CSoundFormView::OnTagRevert);
  connect(m_layersList, &CWavedeskListCtrl::clickedAt, this, &CSoundFormView::SelectLayer);
  connect(m_layersList, &CWavedeskListCtrl::rightClickedAt, this, [this](int row, const QPoint& globalPos) {
    SelectLayer(row);
    ShowLayerMenu(globalPos);
  });
  connect(m_layersList, &CWavedeskListCtrl::doubleClickedAt, this, [this](int row) {
    SelectLayer(row);
    EditLayerProperties();
  });
  connect(m_layersList, &QTreeWidget::itemChanged, this, &CSoundFormView::OnLayerItemChanged);
  connect(m_addLayer, &QPushButton::clicked, this, [this] { RunCommand(CommandId::kAddBlankLayer); });
  connect(m_deleteLayer, &QPushButton::clicked, this, [this] { RunCommand(CommandId::kDeleteLayer); });
  connect(m_historyList, &QTreeWidget::itemSelectionChanged, this, &CSoundFormView::OnHistorySelectionChanged);
  connect(m_undo, &QPushButton::clicked, this, [this] { RunCommand(CommandId::kUndo); });
  connect(m_redo, &QPushButton::clicked, this, [this] { RunCommand(CommandId::kRedo); });
  connect(m_document, &CWavedeskDoc::historyChanged, this, [this] {
    if (m_initialised) WriteHistoryRows();
  });
}

void CSoundFormView::RunCommand(CommandId id) {
  if (m_hooks.runCommand) m_hooks.runCommand(id);
}

void CSoundFormView::OnInitialUpdate() {
  if (m_initialised) return;
  m_initialised = true;
  WritePropertiesLabels();
  WriteTagsLabels();
  WriteHistoryRows();
  m_tab->setCurrentIndex(0);
  m_document->SetViews(m_document->view(), this);
  Refresh();
}

void CSoundFormView::OnUpdate(UpdateHint) {
  if (m_initialised) Refresh();
}

void CSoundFormView::WritePropertiesLabels() {
  m_writingRows = true;
  m_propertiesList->clear();
  for (const char* label : kPropertyLabels) {
    auto* item = new QTreeWidgetItem(m_propertiesList, QStringList(QString::fromLatin1(label)));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  }
  for (const int row : {1, 7, 14}) m_propertiesList->topLevelItem(row)->setText(1, kRule);
  m_writingRows = false;
}

void CSoundFormView::WriteTagsLabels() {
  m_writingRows = true;
  m_tagsList->clear();
  new QTreeWidgetItem(m_tagsList, QStringList(QString()));
  for (const TagRow& row : kTagRows) {
    auto* item = new QTreeWidgetItem(m_tagsList, QStringList(QString::fromLatin1(row.label)));
    item->setData(0, Qt::UserRole, static_cast<int>(row.tag));
  }
  m_writingRows = false;
}

void CSoundFormView::WriteHistoryRows() {
  const CActionHistory& history = m_document->history();
  m_writingRows = true;
  m_historyList->clear();
  for (const HistoryRow& row : history.rows()) {
    auto* item = new QTreeWidgetItem(
        m_historyList, QStringList{QString::fromStdString(row.name()), QString::fromStdString(row.timeText)});
    item->setIcon(0, m_images.value(row.icon()));
    item->setData(0, Qt::UserRole, row.icon());
  }
  m_currentHistoryIndex = history.currentIndex();
  if (m_currentHistoryIndex >= 0) m_historyList->setCurrentItem(m_historyList->topLevelItem(m_currentHistoryIndex));
  m_writingRows = false;
  m_undo->setEnabled(history.CanUndo());
  m_redo->setEnabled(history.CanRedo());
}

void CSoundFormView::OnHistorySelectionChanged() {
  if (m_writingRows || m_currentHistoryIndex < 0) return;
  // The highlighted row always shows the entry in effect.
  QTreeWidgetItem* current = m_historyList->topLevelItem(m_currentHistoryIndex);
  const QList<QTreeWidgetItem*> selected = m_historyList->selectedItems();
  if (selected.size() == 1 && selected.front() == current) return;
  m_writingRows = true;
  m_historyList->setCurrentItem(current);
  m_writingRows = false;
}

void CSoundFormView::Refresh() {
  RefreshProperties();
  RefreshTags();
  RefreshLayers();
}

QString CSoundFormView::FormatTagName(uint16_t formatTag) { return QString::fromStdString(FormatTagText(formatTag)); }

QString CSoundFormView::ApproximateLengthText(uint64_t milliseconds) {
  if (milliseconds >= 1000) return QStringLiteral("%1 seconds").arg(milliseconds / 1000);
  return QStringLiteral("%1 milliseconds").arg(milliseconds);
}

void CSoundFormView::RefreshProperties() {
  const CSound& sound = m_document->sound();
  auto set = [this](int row, const QString& value) { m_propertiesList->topLevelItem(row)->setText(1, value); };
  set(kRowFileName, QString::fromStdString(sound.path));
  if (!sound.media.empty())
    RefreshMediaProperties();
  else
    RefreshWaveProperties();
  // The columns start at their set widths and widen to show every label and
  // value whole: the format names are longer than the value column's 250
  // pixels in most fonts, and an elided "Uncompressed P..." says nothing.
  // (QTreeView hides the measure its base class offers publicly.)
  const QAbstractItemView* view = m_propertiesList;
  for (int column = 0; column < 2; ++column) {
    const int wanted = view->sizeHintForColumn(column);
    if (wanted > m_propertiesList->columnWidth(column)) m_propertiesList->setColumnWidth(column, wanted);
  }
}

QString CSoundFormView::ChannelsText(uint32_t channels) {
  if (channels > 2) return QStringLiteral("%1 (%1 channels)").arg(channels);
  return QStringLiteral("%1 %2").arg(channels).arg(channels < 2 ? QStringLiteral("(Mono)") : QStringLiteral("(Stereo)"));
}

void CSoundFormView::RefreshMediaProperties() {
  const CSound& sound = m_document->sound();
  const MediaStreamInfo& media = sound.media;
  const FileProperties figures = WorkOutMediaProperties(media, sound.GetLength());
  const FileIdentity identity = DescribeMediaStream(media);
  auto set = [this](int row, const QString& value) { m_propertiesList->topLevelItem(row)->setText(1, value); };
  set(kRowBitDepth, QString::fromStdString(identity.bitDepth));
  set(kRowChannels, ChannelsText(media.channels));
  set(kRowSampleRate, QStringLiteral("%1 Hz").arg(media.sampleRate));
  // Only plain samples come in blocks of a fixed size.
  const bool plain = media.codecName.rfind("pcm_", 0) == 0 && media.bitsPerSample != 0;
  set(kRowBlockAlign, plain ? QStringLiteral("%1 bytes").arg(media.channels * ((media.bitsPerSample + 7u) / 8u))
                            : tr("None (compressed stream)"));
  set(kRowTotalSamples, QStringLiteral("%1 samples through each channel").arg(figures.totalSamples));
  set(kRowApproxLength, ApproximateLengthText(figures.milliseconds));
  set(kRowTotalBytes, QStringLiteral("%1 bytes").arg(figures.totalBytes));
  set(kRowAvgBytes, media.bitRate > 0 ? QStringLiteral("%1 bps (%2 kbit/s)").arg(media.bitRate / 8).arg(media.bitRate / 1000)
                                      : tr("Not stated (variable)"));
  set(kRowFileType, QString::fromStdString(identity.fileType));
  set(kRowFormatTag, QString::fromStdString(identity.formatTag));
  set(kRowFormatChunkSize, tr("None (not a wave file)"));
}

void CSoundFormView::RefreshWaveProperties() {
  const CSound& sound = m_document->sound();
  const WaveFormat format = ParseWaveFormat(sound.fileFormat);
  // The layers hold the working format; the figures describe the file.
  const FileProperties figures = WorkOutFileProperties(sound.fileFormat, sound.GetLength());
  auto set = [this](int row, const QString& value) { m_propertiesList->topLevelItem(row)->setText(1, value); };
  const FileIdentity identity = DescribeFile(sound.path, sound.riffId, sound.waveId, sound.fileFormat);
  set(kRowBitDepth, QString::fromStdString(identity.bitDepth));
  set(kRowChannels, QStringLiteral("%1 %2").arg(format.channels).arg(format.channels < 2 ? QStringLiteral("(Mono)")
                                                                                          : QStringLiteral("(Stereo)")));
  set(kRowSampleRate, QStringLiteral("%1 Hz").arg(format.samplesPerSec));
  set(kRowBlockAlign, QStringLiteral("%1 bytes").arg(format.blockAlign));
  set(kRowTotalSamples, QStringLiteral("%1 samples through each channel").arg(figures.totalSamples));
  set(kRowApproxLength, ApproximateLengthText(figures.milliseconds));
  set(kRowTotalBytes, QStringLiteral("%1 bytes").arg(figures.totalBytes));
  set(kRowAvgBytes, QStringLiteral("%1 bps").arg(format.avgBytesPerSec));
  set(kRowFileType, QString::fromStdString(identity.fileType));
  set(kRowFormatTag, QString::fromStdString(identity.formatTag));
  set(kRowFormatChunkSize, QStringLiteral("%1 bytes").arg(sound.formatSize));
}

void CSoundFormView::RefreshTags() {
  const CSound& sound = m_document->sound();
  for (int row = 1; row < m_tagsList->topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = m_tagsList->topLevelItem(row);
    item->setText(1, DecodeStoredText(sound.tags[static_cast<size_t>(item->data(0, Qt::UserRole).toInt())]));
  }
}

void CSoundFormView::RefreshLayers() {
  CSound& sound = m_document->sound();
  m_writingRows = true;
  m_layersList->clear();
  for (const auto& layer : sound.layers) {
    auto* item = new QTreeWidgetItem(m_layersList, QStringList{DecodeStoredText(layer->name),
                                                               layer->envelopeOn != 0 ? QStringLiteral("True")
                                                                                      : QStringLiteral("False")});
    item->setIcon(0, m_images.value(0));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
  m_writingRows = false;
  SelectActiveLayerRow();
  m_deleteLayer->setEnabled(sound.activeLayerIndex >= 1);
}

void CSoundFormView::SelectActiveLayerRow() {
  QTreeWidgetItem* item = m_layersList->topLevelItem(m_document->sound().activeLayerIndex);
  m_writingRows = true;
  if (item != nullptr)
    m_layersList->setCurrentItem(item);
  else
    m_layersList->clearSelection();
  m_writingRows = false;
}

void CSoundFormView::SelectLayer(int row) {
  DocumentEditor& editor = m_document->editor();
  // A click below the last row keeps the active layer and holds the
  // selection inside it all the same.
  if (!editor.ActivateLayer(row, SelectionOnActivate::kClampInside))
    (void)editor.ActivateLayer(m_document->sound().activeLayerIndex, SelectionOnActivate::kClampInside);
  SelectActiveLayerRow();
  m_document->UpdateAllViews(UpdateHint::kSelection);
}

void CSoundFormView::ShowLayerMenu(const QPoint& globalPos) {
  if (QMenu* menu = m_hooks.layerMenu ? m_hooks.layerMenu() : nullptr) {
    menu->popup(globalPos);
    return;
  }
  // Without a main window (a panel on its own) the panel offers the Layer
  // menu's commands itself, through the same route as its buttons.
  QMenu menu(this);
  for (const CommandInfo& command : CommandTable()) {
    if (std::strcmp(command.menu, "&Layer") != 0) continue;
    const CommandId id = command.id;
    menu.addAction(QString::fromLatin1(command.menuText), this, [this, id] {
      if (id == CommandId::kLayerProperties)
        EditLayerProperties();
      else
        RunCommand(id);
    });
  }
  menu.exec(globalPos);
}

bool CSoundFormView::EditLayerProperties() {
  CSoundLayer* layer = m_document->sound().activeLayer();
  if (layer == nullptr) return false;
  CLayerPropertiesDlg dialog(DecodeStoredText(layer->name), layer->waveColor, layer->envelopeColor,
                             layer->envelopeOn, this);
  if (dialog.exec() != QDialog::Accepted) return false;
  LayerLook look;
  look.name = EncodeStoredText(dialog.layerName());
  look.waveColor = dialog.waveColor();
  look.envelopeColor = dialog.envelopeColor();
  look.envelopeOn = dialog.envelopeOn() != 0;
  // The dialog may have outlived the layer only if something closed the
  // document meanwhile: the editor looks the active layer up again.
  m_document->editor().SetLayerLook(m_document->sound().activeLayerIndex, look);
  m_document->UpdateAllViews(UpdateHint::kLayers);
  return true;
}

void CSoundFormView::OnLayerItemChanged(QTreeWidgetItem* item, int column) {
  if (m_writingRows || column != 0) return;
  m_document->editor().RenameLayer(m_layersList->indexOfTopLevelItem(item), EncodeStoredText(item->text(0)));
}

int CSoundFormView::MarkedTagRow() const {
  const QList<QTreeWidgetItem*> selected = m_tagsList->selectedItems();
  return selected.isEmpty() ? -1 : m_tagsList->indexOfTopLevelItem(selected.front());
}

void CSoundFormView::OnTagSelectionChanged() {
  const int row = MarkedTagRow();
  const bool editable = row > 0;
  if (editable) m_tagValue->setPlainText(TagText(row));
  m_tagUpdate->setEnabled(editable);
  m_tagRevert->setEnabled(editable);
}

void CSoundFormView::OnTagUpdate() {
  const int row = MarkedTagRow();
  if (row <= 0) return;
  // An empty box is the empty tag; the editor stores it as such.
  m_document->editor().SetTag(m_tagsList->topLevelItem(row)->data(0, Qt::UserRole).toInt(),
                              EncodeStoredText(m_tagValue->toPlainText()));
  Refresh();
}

void CSoundFormView::OnTagRevert() {
  const int row = MarkedTagRow();
  if (row <= 0) return;
  m_tagValue->setPlainText(TagText(row));
}

QString CSoundFormView::TagText(int row) const {
  // The list shows "(empty)" for an empty tag; the box it is edited in
  // starts empty, so that typing gives the new text alone.
  const std::string& stored =
      m_document->sound().tags[static_cast<size_t>(m_tagsList->topLevelItem(row)->data(0, Qt::UserRole).toInt())];
  return stored == kEmptyTag ? QString() : DecodeStoredText(stored);
}
