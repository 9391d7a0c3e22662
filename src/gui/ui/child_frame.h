// A document window: the waveform view above the side panel in a two-row
// splitter, with the four zoom buttons laid over the view's bottom right
// corner. It lives inside a QMdiSubWindow of the main frame.
#pragma once

#include <QWidget>

class CSoundFormView;
class CWavedeskDoc;
class CWavedeskView;
class QSplitter;

class CChildFrame : public QWidget {
  Q_OBJECT

 public:
  // The frame takes ownership of the document.
  explicit CChildFrame(CWavedeskDoc* document, QWidget* parent = nullptr);
  ~CChildFrame() override;

  CWavedeskDoc* document() const { return m_document; }
  CWavedeskView* view() const { return m_view; }
  CSoundFormView* formView() const { return m_formView; }

  // Runs the first update of both panes once the document has its sound.
  void OnInitialUpdate();

 private:
  CWavedeskDoc* m_document;
  QSplitter* m_splitter;
  CWavedeskView* m_view;
  CSoundFormView* m_formView;
};
