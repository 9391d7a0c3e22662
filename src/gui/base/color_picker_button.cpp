// The colour picker's drop-down (default entry, named colours, custom entry)
// and the custom colours' round trip through the settings.
#include "gui/base/color_picker_button.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QMenu>
#include <QPainter>
#include <QSettings>
#include <QWidgetAction>
#include <iterator>

namespace {

struct NamedColor {
  const char* name;
  QRgb rgb;
};

// Five rows of eight, dark to light.
constexpr NamedColor kNamedColors[] = {
    {"Black", 0x000000},         {"Brown", 0x993300},       {"Dark Olive Green", 0x333300},
    {"Dark Green", 0x003300},    {"Dark Teal", 0x003366},   {"Dark Blue", 0x000080},
    {"Indigo", 0x333399},        {"Gray-80%", 0x333333},    {"Dark Red", 0x800000},
    {"Orange", 0xFF6600},        {"Dark Yellow", 0x808000}, {"Green", 0x008000},
    {"Teal", 0x008080},          {"Blue", 0x0000FF},        {"Blue-Gray", 0x666699},
    {"Gray-50%", 0x808080},      {"Red", 0xFF0000},         {"Light Orange", 0xFF9900},
    {"Lime", 0x99CC00},          {"Sea Green", 0x339966},   {"Aqua", 0x33CCCC},
    {"Light Blue", 0x3366FF},    {"Violet", 0x800080},      {"Gray-40%", 0x969696},
    {"Pink", 0xFF00FF},          {"Gold", 0xFFCC00},        {"Yellow", 0xFFFF00},
    {"Bright Green", 0x00FF00},  {"Turquoise", 0x00FFFF},   {"Sky Blue", 0x00CCFF},
    {"Plum", 0x993366},          {"Gray-25%", 0xC0C0C0},    {"Rose", 0xFF99CC},
    {"Tan", 0xFFCC99},           {"Light Yellow", 0xFFFF99}, {"Light Green", 0xCCFFCC},
    {"Light Turquoise", 0xCCFFFF}, {"Pale Blue", 0x99CCFF}, {"Lavender", 0xCC99FF},
    {"White", 0xFFFFFF},
};
constexpr int kColumns = 8;
constexpr int kCustomColorCount = 16;
constexpr int kSwatchSize = 14;

QIcon SwatchIcon(const QColor& color, int size = kSwatchSize) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QColor(96, 96, 96));
  p.setBrush(color);
  p.drawRect(0, 0, size - 1, size - 1);
  return QIcon(pixmap);
}

QString CustomColorKey(int index) { return QStringLiteral("CUSTOM_COLOR_%1").arg(index); }

}  // namespace

QColor ColorFromValue(uint32_t value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

uint32_t ColorValue(const QColor& color) {
  const QRgb rgb = color.rgb();
  return static_cast<uint32_t>(qRed(rgb)) | (static_cast<uint32_t>(qGreen(rgb)) << 8) |
         (static_cast<uint32_t>(qBlue(rgb)) << 16);
}

CColorPickerButton::CColorPickerButton(QWidget* parent) : QToolButton(parent), m_menu(new QMenu(this)) {
  setText(tr("Select..."));
  setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  setPopupMode(QToolButton::InstantPopup);
  setMenu(m_menu);
  BuildMenu();
  ShowColor();
}

void CColorPickerButton::BuildMenu() {
  m_defaultAction = m_menu->addAction(SwatchIcon(m_defaultColor), QStringLiteral("Automatic"));
  m_defaultAction->setObjectName(QStringLiteral("DefaultColor"));
  connect(m_defaultAction, &QAction::triggered, this, &CColorPickerButton::ChooseDefault);
  m_menu->addSeparator();

  auto* grid = new QWidget(m_menu);
  auto* layout = new QGridLayout(grid);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(2);
  int index = 0;
  for (const NamedColor& named : kNamedColors) {
    const QColor color = QColor::fromRgb(named.rgb);
    auto* swatch = new QToolButton(grid);
    swatch->setAutoRaise(true);
    swatch->setIcon(SwatchIcon(color));
    swatch->setIconSize(QSize(kSwatchSize, kSwatchSize));
    swatch->setToolTip(QString::fromLatin1(named.name));
    swatch->setObjectName(QString::fromLatin1(named.name));
    connect(swatch, &QToolButton::clicked, this, [this, color] {
      m_menu->close();
      SetColor(color);
    });
    layout->addWidget(swatch, index / kColumns, index % kColumns);
    ++index;
  }
  auto* gridAction = new QWidgetAction(m_menu);
  gridAction->setDefaultWidget(grid);
  m_menu->addAction(gridAction);

  m_menu->addSeparator();
  m_customAction = m_menu->addAction(QStringLiteral("More Colors..."));
  m_customAction->setObjectName(QStringLiteral("CustomColor"));
  connect(m_customAction, &QAction::triggered, this, &CColorPickerButton::ChooseCustomColor);
}

void CColorPickerButton::SetColor(const QColor& color) {
  const bool changed = color.rgb() != m_color.rgb();
  m_color = QColor::fromRgb(color.rgb());
  ShowColor();
  if (changed) emit colorChanged(m_color);
}

void CColorPickerButton::SetDefault(const QString& text, const QColor& color) {
  m_defaultColor = QColor::fromRgb(color.rgb());
  m_defaultAction->setText(text);
  m_defaultAction->setIcon(SwatchIcon(m_defaultColor));
}

void CColorPickerButton::SetCustomText(const QString& text) { m_customAction->setText(text); }

void CColorPickerButton::ShowColor() {
  setIcon(SwatchIcon(m_color));
  setToolTip(m_color.name(QColor::HexRgb));
}

void CColorPickerButton::ChooseDefault() { SetColor(m_defaultColor); }

void CColorPickerButton::ChooseCustomColor() {
  LoadCustomColors(m_pickerName);
  QColorDialog dialog(m_color, this);
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  SaveCustomColors(m_pickerName);
  if (accepted) SetColor(dialog.selectedColor());
}

void CColorPickerButton::LoadCustomColors(const QString& section) {
  QSettings settings;
  settings.beginGroup(section);
  for (int i = 0; i < kCustomColorCount; ++i) {
    bool ok = false;
    const uint32_t value = settings.value(CustomColorKey(i)).toUInt(&ok);
    QColorDialog::setCustomColor(i, ok ? ColorFromValue(value) : QColor(Qt::white));
  }
}

void CColorPickerButton::SaveCustomColors(const QString& section) {
  QSettings settings;
  settings.beginGroup(section);
  for (int i = 0; i < kCustomColorCount; ++i) settings.setValue(CustomColorKey(i), ColorValue(QColorDialog::customColor(i)));
}
