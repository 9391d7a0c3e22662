// The format chooser. Both lists come from the format catalogue, the same
// table the converter's targets are built from, so every entry offered can
// be written. An attribute item carries the index of its catalogue entry.
#include "gui/panes/format_chooser_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/model/codec_format.h"
#include "core/model/format_catalogue.h"
#include "gui/base/resource_ids.h"

namespace {

int EntryFor(const FormatRecord& record) {
  const std::vector<CatalogueFormat>& catalogue = FormatCatalogue();
  const FormatRecord working = MakeFormatRecord(WorkingFormat());
  int fallback = 0;
  for (size_t i = 0; i < catalogue.size(); ++i) {
    if (record.size() >= 16 && AreEqualFormats(catalogue[i].record, record)) return static_cast<int>(i);
    if (AreEqualFormats(catalogue[i].record, working)) fallback = static_cast<int>(i);
  }
  return fallback;
}

}  // namespace

CFormatChooserDlg::CFormatChooserDlg(const FormatRecord& initial, QWidget* parent)
    : QDialog(parent), m_formatTag(new QComboBox(this)), m_attributes(new QComboBox(this)) {
  setWindowTitle(QStringLiteral("Select Format"));
  m_formatTag->setObjectName(ControlName(IDC_FORMAT_TAG));
  m_attributes->setObjectName(ControlName(IDC_FORMAT_ATTRIBUTES));
  m_attributes->setMinimumContentsLength(34);
  m_attributes->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  for (const std::string& name : CatalogueFormatNames()) m_formatTag->addItem(QString::fromStdString(name));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Format:"), m_formatTag);
  form->addRow(QStringLiteral("&Attributes:"), m_attributes);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(ControlName(IDOK));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(ControlName(IDCANCEL));
  connect(buttons, &QDialogButtonBox::accepted, this, &CFormatChooserDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CFormatChooserDlg::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  if (FormatCatalogue().empty()) return;
  const int entry = EntryFor(initial);
  const int tagIndex = m_formatTag->findText(QString::fromStdString(FormatCatalogue()[entry].formatName));
  m_formatTag->setCurrentIndex(tagIndex);
  FillAttributes(tagIndex, entry);
  connect(m_formatTag, &QComboBox::currentIndexChanged, this, [this](int index) { FillAttributes(index, -1); });
}

void CFormatChooserDlg::FillAttributes(int formatTagIndex, int selectEntry) {
  const std::string name = m_formatTag->itemText(formatTagIndex).toStdString();
  const std::vector<CatalogueFormat>& catalogue = FormatCatalogue();
  m_attributes->clear();
  for (size_t i = 0; i < catalogue.size(); ++i) {
    if (catalogue[i].formatName != name) continue;
    m_attributes->addItem(QString::fromStdString(catalogue[i].attributes + "   " + catalogue[i].bytesPerSecond),
                          static_cast<int>(i));
    if (static_cast<int>(i) == selectEntry) m_attributes->setCurrentIndex(m_attributes->count() - 1);
  }
}

FormatRecord CFormatChooserDlg::chosenRecord() const {
  const QVariant entry = m_attributes->currentData();
  if (!entry.isValid()) return {};
  return FormatCatalogue()[static_cast<size_t>(entry.toInt())].record;
}

bool CFormatChooserDlg::ChooseFormat(QWidget* parent, FormatRecord* record) {
  CFormatChooserDlg chooser(*record, parent);
  if (chooser.exec() != Accepted) return false;
  const FormatRecord chosen = chooser.chosenRecord();
  if (chosen.empty()) return false;
  *record = chosen;
  return true;
}
