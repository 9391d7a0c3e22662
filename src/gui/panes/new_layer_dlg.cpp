// The new-layer dialog. Like the new-wave dialog it keeps its values in
// members and refills the controls when it starts over; its length is an
// integer from the start.
#include "gui/panes/new_layer_dlg.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/base/resource_ids.h"
#include "gui/panes/generator_form.h"

CNewLayerDlg::CNewLayerDlg(QWidget* parent)
    : QDialog(parent),
      m_form(new CGeneratorForm(QStringLiteral("Layer Name:"), IDC_GEN_FUNCTION_LAYER, IDC_GEN_LENGTH_LAYER, this)) {
  setWindowTitle(QStringLiteral("New Layer Generation"));
  m_values.intensity = 75;
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(ControlName(IDOK));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(ControlName(IDCANCEL));
  connect(buttons, &QDialogButtonBox::accepted, this, &CNewLayerDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CNewLayerDlg::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_form);
  layout->addWidget(buttons);
  LoadControls();
}

void CNewLayerDlg::LoadControls() { m_form->SetValues(m_values, m_name, QString::number(m_values.length)); }

GeneratorParameters CNewLayerDlg::Parameters() const {
  GeneratorParameters parameters = m_values;
  parameters.length = std::max(0, parameters.length);
  return parameters;
}

void CNewLayerDlg::SetLayerName(const QString& name) {
  m_name = name;
  LoadControls();
}

void CNewLayerDlg::accept() {
  bool ok = false;
  const int length = m_form->lengthText().trimmed().toInt(&ok, 10);
  if (!ok) {
    CGeneratorForm::Refuse(this, m_form->lengthEdit(), QStringLiteral("Please enter an integer."));
    return;
  }
  m_values = m_form->Values();
  m_values.length = length;
  m_name = m_form->name();
  QDialog::accept();
}

void CNewLayerDlg::reject() {
  LoadControls();
  QDialog::reject();
}

void CNewLayerDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  m_form->nameEdit()->setFocus();
  m_form->nameEdit()->setSelection(0, 8);
}
