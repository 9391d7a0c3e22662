// "New Layer Generation": the generator settings for a layer added to an open
// sound. Each document's side panel keeps one, so its values persist per
// document; the layer name is preset by the command for each use.
#pragma once

#include <QDialog>
#include <QString>

#include "core/model/wave_generator.h"

class CGeneratorForm;

class CNewLayerDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CNewLayerDlg(QWidget* parent = nullptr);

  // The values for the generator; a negative length counts as 0.
  GeneratorParameters Parameters() const;
  const QString& layerName() const { return m_name; }
  void SetLayerName(const QString& name);

  // The length must be an integer; otherwise a message, and the dialog
  // stays open.
  void accept() override;
  void reject() override;

 protected:
  // Selects the first eight characters of the name and puts the focus there.
  void showEvent(QShowEvent* event) override;

 private:
  void LoadControls();

  CGeneratorForm* m_form;
  GeneratorParameters m_values;
  QString m_name;
};
