// The preferences dialog. The boxes are listed in the record's byte order,
// so one table ties each box to its flag.
#include "gui/panes/preferences_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/base/artwork.h"
#include "gui/base/resource_ids.h"
#include "gui/base/banner_widget.h"

namespace {

struct PreferenceBox {
  int id;
  const char* text;
  uint8_t SettingsRecord::*flag;
};

const PreferenceBox kBoxes[SettingsRecord::kSize] = {
    {IDC_PREF_COMMON_TASKS, "Show Common Tasks on Application start", &SettingsRecord::showCommonTasksAtStart},
    {IDC_PREF_AUTO_ENVELOPE, "Automatically create an envelope for new layers", &SettingsRecord::autoCreateEnvelope},
    {IDC_PREF_FLASH_RECORD, "Flash Recording Studio window while recording", &SettingsRecord::flashRecordDialog},
    {IDC_PREF_CLIPBOARD_ON_COPY, "Show Clipboard Manager on Copy or Cut", &SettingsRecord::showClipboardOnCopy},
    {IDC_PREF_QUICK_SAVE, "Quick save in .wav format (use 44.1 kHz 16-bit Stereo when saving .wav files)",
     &SettingsRecord::quickSaveAsWave},
    {IDC_PREF_ZOOM_TO_FIT, "Zoom to fit when opening file", &SettingsRecord::zoomToFitOnOpen},
};

}  // namespace

CPreferencesDlg::CPreferencesDlg(SettingsRecord& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
  setWindowTitle(QStringLiteral("Preferences"));
  setObjectName(ControlName(IDD_PREFERENCES));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new CBannerWidget(QStringLiteral("Preferences"),
                                      QStringLiteral("You may change the functionality of the application here"),
                                      ArtworkIcon(IDI_PREFERENCES), this));
  auto* boxes = new QVBoxLayout;
  boxes->setContentsMargins(16, 10, 16, 6);
  for (int i = 0; i < SettingsRecord::kSize; ++i) {
    m_boxes[i] = new QCheckBox(QString::fromLatin1(kBoxes[i].text), this);
    m_boxes[i]->setObjectName(ControlName(kBoxes[i].id));
    m_boxes[i]->setChecked(m_settings.*kBoxes[i].flag != 0);
    boxes->addWidget(m_boxes[i]);
  }
  layout->addLayout(boxes);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(ControlName(IDOK));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(ControlName(IDCANCEL));
  connect(buttons, &QDialogButtonBox::accepted, this, &CPreferencesDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CPreferencesDlg::reject);
  auto* buttonRow = new QVBoxLayout;
  buttonRow->setContentsMargins(12, 0, 12, 12);
  buttonRow->addWidget(buttons);
  layout->addLayout(buttonRow);
}

void CPreferencesDlg::accept() {
  for (int i = 0; i < SettingsRecord::kSize; ++i) {
    m_settings.*kBoxes[i].flag = m_boxes[i]->isChecked() ? 1 : 0;
  }
  QDialog::accept();
}
