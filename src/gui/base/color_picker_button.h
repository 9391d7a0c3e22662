// A push button that drops down a choice of colours: a "Default" entry (its
// text and colour set by the owner), forty named colours, and a custom entry
// that opens QColorDialog. The dialog's sixteen custom colours persist in the
// settings section named by the picker, as values "CUSTOM_COLOR_0" ...
// "CUSTOM_COLOR_15" holding 0x00BBGGRR colour values (white when absent).
#pragma once

#include <QColor>
#include <QString>
#include <QToolButton>
#include <cstdint>

class QMenu;

// Colour values are 0x00BBGGRR: red in the low byte, the form the layers keep.
QColor ColorFromValue(uint32_t value);
uint32_t ColorValue(const QColor& color);

class CColorPickerButton : public QToolButton {
  Q_OBJECT

 public:
  explicit CColorPickerButton(QWidget* parent = nullptr);

  QColor color() const { return m_color; }
  void SetColor(const QColor& color);

  // The entry at the top of the drop-down and the colour it gives.
  void SetDefault(const QString& text, const QColor& color);
  QColor defaultColor() const { return m_defaultColor; }
  // The entry at the bottom that opens the colour dialog.
  void SetCustomText(const QString& text);
  // The settings section that keeps the colour dialog's custom colours.
  void SetPickerName(const QString& name) { m_pickerName = name; }
  const QString& pickerName() const { return m_pickerName; }

  // The sixteen custom colours of QColorDialog from and to settings `section`.
  static void LoadCustomColors(const QString& section);
  static void SaveCustomColors(const QString& section);

 public slots:
  void ChooseDefault();
  // Runs the colour dialog on the current colour; the custom colours are
  // read from the settings before and written back after, whichever way the
  // dialog ends.
  void ChooseCustomColor();

 signals:
  void colorChanged(const QColor& color);

 private:
  void BuildMenu();
  void ShowColor();

  QMenu* m_menu;
  QAction* m_defaultAction = nullptr;
  QAction* m_customAction = nullptr;
  QColor m_color = Qt::black;
  QColor m_defaultColor = Qt::black;
  QString m_pickerName = QStringLiteral("ColorPicker");
};
