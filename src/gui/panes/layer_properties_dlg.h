// "Layer Properties": the name, the two display colours and the envelope
// switch of one layer. The caller fills it from the layer, runs it modally
// and copies the values back only when it ends with OK.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

class CColorPickerButton;
class QCheckBox;
class QLineEdit;

class CLayerPropertiesDlg : public QDialog {
  Q_OBJECT

 public:
  // Colours are 0x00BBGGRR values; `envelopeOn` is 0 or 1.
  CLayerPropertiesDlg(const QString& layerName, uint32_t waveColor, uint32_t envelopeColor, int envelopeOn,
                      QWidget* parent = nullptr);

  // The values as the user left them; read them after OK.
  const QString& layerName() const { return m_layerName; }
  uint32_t waveColor() const { return m_waveColor; }
  uint32_t envelopeColor() const { return m_envelopeColor; }
  int envelopeOn() const { return m_envelopeOn; }

  void accept() override;

 private:
  QString m_layerName;
  uint32_t m_waveColor;
  uint32_t m_envelopeColor;
  int m_envelopeOn;
  QLineEdit* m_nameEdit;
  QCheckBox* m_envelopeCheck;
  CColorPickerButton* m_wavePicker;
  CColorPickerButton* m_envelopePicker;
};
