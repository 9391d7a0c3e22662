// "New Wave Generation...": the generator settings for new documents. The
// application keeps one of these for its whole run, so the values chosen
// last are offered next time; "New Blank File" resets them to silence
// without showing the dialog.
#pragma once

#include <QDialog>
#include <QString>

#include "core/model/wave_generator.h"

class CGeneratorForm;

class CDialogNew : public QDialog {
  Q_OBJECT

 public:
  explicit CDialogNew(QWidget* parent = nullptr);

  // The values for the generator, the length truncated toward zero and kept
  // within 0 .. 2^31 − 1 frames.
  GeneratorParameters Parameters() const;
  float length() const { return m_length; }
  const QString& name() const { return m_name; }

  // The values of a new blank file: silence, otherwise as at construction.
  void SetBlankDefaults();

  // The length must be a number and the name at most 20 characters (the
  // name box takes no more while typing); otherwise a message, and the
  // dialog stays open.
  void accept() override;
  // Puts the kept values back into the controls.
  void reject() override;

  static constexpr int kMaxNameLength = 20;

 private:
  void LoadControls();

  CGeneratorForm* m_form;
  GeneratorParameters m_values;  // the function type and the six sliders
  float m_length = 40000.0f;
  QString m_name = QStringLiteral("Untitled.wav");
};
