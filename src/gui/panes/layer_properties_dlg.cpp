// The layer properties dialog: banner, name, envelope switch and the two
// colour pickers, whose "Default" entries give the layer's own defaults.
#include "gui/panes/layer_properties_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/model/sound_layer.h"
#include "gui/base/resource_ids.h"
#include "gui/base/banner_widget.h"
#include "gui/base/color_picker_button.h"
#include "gui/base/icon_painter.h"

namespace {

CColorPickerButton* MakePicker(int id, uint32_t color, uint32_t defaultColor, QWidget* parent) {
  auto* picker = new CColorPickerButton(parent);
  picker->setObjectName(ControlName(id));
  picker->SetCustomText(QStringLiteral("Select Custom Color..."));
  picker->SetDefault(QStringLiteral("Default"), ColorFromValue(defaultColor));
  picker->SetPickerName(QStringLiteral("ColorPicker"));
  picker->SetColor(ColorFromValue(color));
  return picker;
}

}  // namespace

CLayerPropertiesDlg::CLayerPropertiesDlg(const QString& layerName, uint32_t waveColor, uint32_t envelopeColor,
                                         int envelopeOn, QWidget* parent)
    : QDialog(parent),
      m_layerName(layerName),
      m_waveColor(waveColor),
      m_envelopeColor(envelopeColor),
      m_envelopeOn(envelopeOn != 0 ? 1 : 0) {
  setObjectName(ControlName(IDD_LAYER_PROPERTIES));
  setWindowTitle(QStringLiteral("Layer Properties"));

  auto* banner = new CBannerWidget(QStringLiteral("Layer Properties"),
                                   QStringLiteral("You may change the functionality and appearance of this layer"),
                                   PaintedIcon(IDI_LAYER_PROPERTIES), this);

  m_nameEdit = new QLineEdit(m_layerName, this);
  m_nameEdit->setObjectName(ControlName(IDC_LAYER_NAME));
  m_envelopeCheck = new QCheckBox(QStringLiteral("Envelope On"), this);
  m_envelopeCheck->setObjectName(ControlName(IDC_LAYER_ENVELOPE_ON));
  m_envelopeCheck->setChecked(m_envelopeOn != 0);
  m_wavePicker = MakePicker(IDC_LAYER_WAVE_COLOR, waveColor, kDefaultWaveColor, this);
  m_envelopePicker = MakePicker(IDC_LAYER_ENVELOPE_COLOR, envelopeColor, kDefaultEnvelopeColor, this);

  auto* nameLabel = new QLabel(QStringLiteral("Layer Name:"), this);
  nameLabel->setBuddy(m_nameEdit);
  auto* form = new QGridLayout;
  form->setContentsMargins(12, 8, 12, 0);
  form->setHorizontalSpacing(10);
  form->addWidget(nameLabel, 0, 0);
  form->addWidget(m_nameEdit, 0, 1, 1, 2);
  form->addWidget(new QLabel(QStringLiteral("Wave Color:"), this), 1, 0);
  form->addWidget(m_wavePicker, 1, 1);
  form->addWidget(new QLabel(QStringLiteral("Envelope Color:"), this), 2, 0);
  form->addWidget(m_envelopePicker, 2, 1);
  form->addWidget(m_envelopeCheck, 3, 0, 1, 3);
  form->setColumnStretch(2, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(ControlName(IDOK));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(ControlName(IDCANCEL));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 10);
  layout->addWidget(banner);
  layout->addLayout(form);
  layout->addStretch(1);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->setContentsMargins(12, 0, 12, 0);
  buttonRow->addWidget(buttons);
  layout->addLayout(buttonRow);
}

void CLayerPropertiesDlg::accept() {
  m_waveColor = ColorValue(m_wavePicker->color());
  m_envelopeColor = ColorValue(m_envelopePicker->color());
  m_layerName = m_nameEdit->text();
  m_envelopeOn = m_envelopeCheck->isChecked() ? 1 : 0;
  QDialog::accept();
}
