// The waveform view: every layer of the document's sound in its own band,
// with the rulers, the selection and the envelopes, at any zoom. It owns the
// zoom factor and the horizontal scroll position.
#pragma once

#include <QAbstractScrollArea>

class CWavedeskDoc;

class CWavedeskView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit CWavedeskView(CWavedeskDoc* document, QWidget* parent = nullptr);
  ~CWavedeskView() override;

  CWavedeskDoc* document() const { return m_document; }

  // First update after the document was read: scroll range, zoom to fit when
  // the preference says so.
  void OnInitialUpdate();
  // The document changed; `hint` is an UpdateHint.
  void OnUpdate(int hint);

  int zoom() const { return m_zoom; }
  void ZoomIn();
  void ZoomOut();
  void ZoomOutMax();
  void ZoomInMax();

 signals:
  // After every full repaint: the child frame places its zoom buttons.
  void repainted();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CWavedeskDoc* m_document;
  int m_zoom = 4;
};
