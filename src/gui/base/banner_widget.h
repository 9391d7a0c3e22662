// The strip across the top of a dialog that names it: a bold title, one line
// of text below it and an icon on the right, on the base colour with a rule
// under it. Dialogs put it first in their layout.
#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>

class CBannerWidget : public QWidget {
  Q_OBJECT

 public:
  CBannerWidget(const QString& title, const QString& text, const QIcon& icon, QWidget* parent = nullptr);

  const QString& title() const { return m_title; }
  const QString& text() const { return m_text; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QFont TitleFont() const;

  QString m_title;
  QString m_text;
  QIcon m_icon;
};
