// The new-wave dialog. The values live in the members, not in the controls:
// the controls are filled from them whenever the dialog starts over, and
// written back only by an OK that passed validation.
#include "gui/panes/dialog_new.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "gui/base/resource_ids.h"
#include "gui/panes/generator_form.h"

namespace {

// A number as the length box has always taken it: blanks around it are
// allowed, anything else after it is not, and it must fit a float.
bool ParseLength(const QString& text, float* length) {
  bool ok = false;
  const double value = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value) || std::fabs(value) > FLT_MAX) return false;
  *length = static_cast<float>(value);
  return true;
}

QString LengthText(float length) { return QString::number(static_cast<double>(length), 'g', FLT_DIG); }

}  // namespace

CDialogNew::CDialogNew(QWidget* parent)
    : QDialog(parent),
      m_form(new CGeneratorForm(QStringLiteral("Name:"), IDC_GEN_FUNCTION_NEW, IDC_GEN_LENGTH_NEW, this)) {
  setWindowTitle(QStringLiteral("New Wave Generation..."));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(ControlName(IDOK));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(ControlName(IDCANCEL));
  connect(buttons, &QDialogButtonBox::accepted, this, &CDialogNew::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CDialogNew::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_form);
  layout->addWidget(buttons);
  // The name box takes no more than 20 characters, typed or pasted; the
  // check on OK stays for names put there any other way.
  m_form->nameEdit()->setMaxLength(kMaxNameLength);
  LoadControls();
}

void CDialogNew::LoadControls() { m_form->SetValues(m_values, m_name, LengthText(m_length)); }

GeneratorParameters CDialogNew::Parameters() const {
  GeneratorParameters parameters = m_values;
  // Truncated toward zero like the float-to-integer conversion always was,
  // but held to what a frame count can be.
  const double frames = std::trunc(static_cast<double>(m_length));
  parameters.length = frames <= 0.0 ? 0 : frames >= INT32_MAX ? INT32_MAX : static_cast<int32_t>(frames);
  return parameters;
}

void CDialogNew::SetBlankDefaults() {
  m_values = GeneratorParameters{};
  m_values.functionType = kGenerateSilence;
  m_length = 40000.0f;
  m_name = QStringLiteral("Untitled.wav");
  LoadControls();
}

void CDialogNew::accept() {
  const QString name = m_form->name();
  if (name.size() > kMaxNameLength) {
    CGeneratorForm::Refuse(this, m_form->nameEdit(),
                           QStringLiteral("Please enter no more than %1 characters.").arg(kMaxNameLength));
    return;
  }
  float length = 0;
  if (!ParseLength(m_form->lengthText(), &length)) {
    CGeneratorForm::Refuse(this, m_form->lengthEdit(), QStringLiteral("Please enter a number."));
    return;
  }
  m_name = name;
  m_length = length;
  m_values = m_form->Values();
  QDialog::accept();
}

void CDialogNew::reject() {
  LoadControls();
  QDialog::reject();
}
