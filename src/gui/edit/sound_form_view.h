// The side panel below the waveform view: file properties, audio layers,
// information tags and the action history, in four tabs.
#pragma once

#include <QWidget>

class CWavedeskDoc;

class CSoundFormView : public QWidget {
  Q_OBJECT

 public:
  explicit CSoundFormView(CWavedeskDoc* document, QWidget* parent = nullptr);
  ~CSoundFormView() override;

  CWavedeskDoc* document() const { return m_document; }

  void OnInitialUpdate();
  // The document changed; `hint` is an UpdateHint.
  void OnUpdate(int hint);

 private:
  CWavedeskDoc* m_document;
};
