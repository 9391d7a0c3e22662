// The controls the two generator dialogs share ("New Wave Generation..." and
// "New Layer Generation"): the name, function and length boxes in "Wave
// Specifics", and the six sliders in "Amplitude" and "Phase". The dialogs
// differ only in the ids of the function and length boxes, the name's label
// and how they read the length, so the form leaves the length as text.
#pragma once

#include <QString>
#include <QWidget>

#include "core/model/wave_generator.h"

class QComboBox;
class QLineEdit;
class QSlider;

class CGeneratorForm : public QWidget {
  Q_OBJECT

 public:
  CGeneratorForm(const QString& nameLabel, int functionId, int lengthId, QWidget* parent = nullptr);

  // Puts the values into the controls; the sliders keep each value within
  // their range. `parameters.length` is not used: the length goes as text.
  void SetValues(const GeneratorParameters& parameters, const QString& name, const QString& lengthText);
  // The function type and the six slider values; length is left at 0.
  GeneratorParameters Values() const;
  QString name() const;
  QString lengthText() const;

  // Shows a validation message over `dialog` and puts the focus back into
  // the box that failed, its text selected.
  static void Refuse(QWidget* dialog, QLineEdit* field, const QString& message);

  QLineEdit* nameEdit() const { return m_name; }
  QLineEdit* lengthEdit() const { return m_length; }

 private:
  QLineEdit* m_name;
  QComboBox* m_function;
  QLineEdit* m_length;
  QSlider* m_intensity;
  QSlider* m_decay;
  QSlider* m_modulation;
  QSlider* m_period;
  QSlider* m_shift;
  QSlider* m_distortion;
};
