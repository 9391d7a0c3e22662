// The shared generator controls, laid out in the three groups of both
// generator dialogs.
#include "gui/panes/generator_form.h"

#include <algorithm>

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QVBoxLayout>

#include "gui/base/resource_ids.h"

namespace {

// In the generator's own order: the combo's index is the function type.
const char* const kFunctions[] = {"Silence",     "Sine/Cosine Wave", "Ramp Wave", "Saw Wave",
                                  "Square Wave", "Triangle Wave",    "Noise"};

QSlider* MakeSlider(int id, int minimum, int maximum, QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setObjectName(ControlName(id));
  slider->setRange(minimum, maximum);
  slider->setPageStep(std::max(1, (maximum - minimum) / 10));
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(std::max(1, (maximum - minimum) / 10));
  slider->setMinimumWidth(180);
  return slider;
}

}  // namespace

CGeneratorForm::CGeneratorForm(const QString& nameLabel, int functionId, int lengthId, QWidget* parent)
    : QWidget(parent),
      m_name(new QLineEdit(this)),
      m_function(new QComboBox(this)),
      m_length(new QLineEdit(this)),
      m_intensity(MakeSlider(IDC_GEN_INTENSITY, 0, 100, this)),
      m_decay(MakeSlider(IDC_GEN_DECAY, 0, 50, this)),
      m_modulation(MakeSlider(IDC_GEN_MODULATION, 0, 20, this)),
      m_period(MakeSlider(IDC_GEN_PERIOD, 1, 20, this)),
      m_shift(MakeSlider(IDC_GEN_SHIFT, 0, 20, this)),
      m_distortion(MakeSlider(IDC_GEN_DISTORTION, 0, 20, this)) {
  m_name->setObjectName(ControlName(IDC_GEN_NAME));
  m_function->setObjectName(ControlName(functionId));
  for (const char* function : kFunctions) m_function->addItem(QString::fromLatin1(function));
  m_length->setObjectName(ControlName(lengthId));

  auto* specifics = new QGroupBox(QStringLiteral("Wave Specifics"), this);
  auto* specificsLayout = new QFormLayout(specifics);
  specificsLayout->addRow(nameLabel, m_name);
  specificsLayout->addRow(QStringLiteral("Function Type:"), m_function);
  auto* lengthRow = new QHBoxLayout;
  lengthRow->addWidget(m_length, 1);
  lengthRow->addWidget(new QLabel(QStringLiteral("Samples"), specifics));
  specificsLayout->addRow(QStringLiteral("Length:"), lengthRow);

  auto* amplitude = new QGroupBox(QStringLiteral("Amplitude"), this);
  auto* amplitudeLayout = new QFormLayout(amplitude);
  amplitudeLayout->addRow(QStringLiteral("Intensity:"), m_intensity);
  amplitudeLayout->addRow(QStringLiteral("Decay:"), m_decay);
  amplitudeLayout->addRow(QStringLiteral("Modulation:"), m_modulation);

  auto* phase = new QGroupBox(QStringLiteral("Phase"), this);
  auto* phaseLayout = new QFormLayout(phase);
  phaseLayout->addRow(QStringLiteral("Period:"), m_period);
  phaseLayout->addRow(QStringLiteral("Shift:"), m_shift);
  phaseLayout->addRow(QStringLiteral("Distortion:"), m_distortion);

  auto* sliders = new QHBoxLayout;
  sliders->addWidget(amplitude);
  sliders->addWidget(phase);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(specifics);
  layout->addLayout(sliders);
}

void CGeneratorForm::SetValues(const GeneratorParameters& parameters, const QString& name,
                               const QString& lengthText) {
  m_name->setText(name);
  m_function->setCurrentIndex(parameters.functionType >= 0 && parameters.functionType < m_function->count()
                                  ? parameters.functionType
                                  : 0);
  m_length->setText(lengthText);
  m_intensity->setValue(parameters.intensity);
  m_decay->setValue(parameters.decay);
  m_modulation->setValue(parameters.modulation);
  m_period->setValue(parameters.period);
  m_shift->setValue(parameters.shift);
  m_distortion->setValue(parameters.distortion);
}

GeneratorParameters CGeneratorForm::Values() const {
  GeneratorParameters values;
  values.functionType = m_function->currentIndex();
  values.length = 0;
  values.intensity = m_intensity->value();
  values.decay = m_decay->value();
  values.modulation = m_modulation->value();
  values.period = m_period->value();
  values.shift = m_shift->value();
  values.distortion = m_distortion->value();
  return values;
}

QString CGeneratorForm::name() const { return m_name->text(); }
QString CGeneratorForm::lengthText() const { return m_length->text(); }

void CGeneratorForm::Refuse(QWidget* dialog, QLineEdit* field, const QString& message) {
  QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), message, QMessageBox::Ok, dialog);
  box.exec();
  field->setFocus();
  field->selectAll();
}
