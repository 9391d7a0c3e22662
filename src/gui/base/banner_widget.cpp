// The dialog banner, painted in one pass: background, rule, icon, texts.
#include "gui/base/banner_widget.h"

#include <QPainter>

namespace {
constexpr int kMargin = 10;      // around the texts and the icon
constexpr int kTextIndent = 14;  // the line of text sits under the title, indented
constexpr int kIconSize = 32;
constexpr int kLineGap = 4;
}  // namespace

CBannerWidget::CBannerWidget(const QString& title, const QString& text, const QIcon& icon, QWidget* parent)
    : QWidget(parent), m_title(title), m_text(text), m_icon(icon) {
  setObjectName(QStringLiteral("CBannerWidget"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAccessibleName(title);
  setAccessibleDescription(text);
}

QFont CBannerWidget::TitleFont() const {
  QFont bold = font();
  bold.setBold(true);
  return bold;
}

QSize CBannerWidget::sizeHint() const {
  const QFontMetrics titleMetrics(TitleFont());
  const int textHeight = titleMetrics.height() + kLineGap + fontMetrics().height();
  const int height = qMax(textHeight, kIconSize) + 2 * kMargin + 2;  // + the rule
  const int width = qMax(titleMetrics.horizontalAdvance(m_title), kTextIndent + fontMetrics().horizontalAdvance(m_text)) +
                    3 * kMargin + kIconSize;
  return {width, height};
}

QSize CBannerWidget::minimumSizeHint() const { return {kIconSize + 2 * kMargin, sizeHint().height()}; }

void CBannerWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect area = rect();
  p.fillRect(area, palette().base());
  // An etched rule along the bottom edge separates the banner from the form.
  p.setPen(palette().color(QPalette::Mid));
  p.drawLine(area.left(), area.bottom() - 1, area.right(), area.bottom() - 1);
  p.setPen(palette().color(QPalette::Light));
  p.drawLine(area.left(), area.bottom(), area.right(), area.bottom());

  const QRect iconRect(area.right() - kMargin - kIconSize + 1, (area.height() - 2 - kIconSize) / 2, kIconSize, kIconSize);
  m_icon.paint(&p, iconRect);

  const int textRight = iconRect.left() - kMargin;
  p.setPen(palette().color(QPalette::Text));
  p.setFont(TitleFont());
  const QFontMetrics titleMetrics(p.font());
  const QRect titleRect(kMargin, kMargin, textRight - kMargin, titleMetrics.height());
  p.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter, titleMetrics.elidedText(m_title, Qt::ElideRight, titleRect.width()));
  p.setFont(font());
  const QRect textRect(kMargin + kTextIndent, titleRect.bottom() + 1 + kLineGap, textRight - kMargin - kTextIndent,
                       fontMetrics().height());
  p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
             fontMetrics().elidedText(m_text, Qt::ElideRight, textRect.width()));
}
