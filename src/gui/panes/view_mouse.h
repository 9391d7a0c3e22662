// The mouse on the waveform view: a left press chooses the layer under it and
// then drags an envelope node, moves the layer by its header, or places the
// cursor and selects (dragging an edge of the selection when it starts on
// one); a right click places the cursor and opens the Edit menu, or the node
// menu over a node; moving shows the cursor shape of the zone underneath.
//
// Each drag is a small state machine: the press starts it and holds the
// mouse (the press's implicit grab sends every move and the release to the
// view, wherever the pointer goes, until the button is up); every move (and,
// while a selection is dragged past the window's edges, every tick of the
// auto-scroll timer) is one pass; the release of the left button ends it. Between passes the event loop runs on, so the
// play timer and other windows keep going during a drag.
//
// Mouse edits change the sound directly and repaint at once; they record no
// history entry, but node drags, node deletions and layer moves mark the
// document modified so that closing asks to save them.
#pragma once

#include <QBasicTimer>
#include <QObject>
#include <QPoint>

#include <cstdint>

#include "core/edit/command_id.h"
#include "core/model/envelope_node.h"

class CSoundLayer;
class CWavedeskView;
class QAction;
class QContextMenuEvent;
class QMenu;
class QMouseEvent;

class ViewMouse : public QObject {
  Q_OBJECT

 public:
  // Pixels and interval of one auto-scroll step while a selection is dragged
  // beyond the left or right edge of the window.
  static constexpr int kAutoScrollStep = 5;
  static constexpr int kAutoScrollInterval = 20;  // ms

  explicit ViewMouse(CWavedeskView& view);
  ~ViewMouse() override;

  // Events of the view's viewport, positions in client coordinates. All are
  // ignored while the sound plays, except moves that only change the cursor
  // shape and the passes of a drag already under way.
  void Press(const QMouseEvent& event);
  void Move(const QMouseEvent& event);
  void Release(const QMouseEvent& event);
  void ContextMenu(const QContextMenuEvent& event);

  bool isDragging() const { return m_drag != Drag::None; }

  // The main window's Edit menu: the top menu of its menu bar that holds the
  // Zoom In command. Null when the view has no such window.
  // The action carrying command `id` in `menu` or its sub-menus.
  static QAction* FindCommand(const QMenu& menu, CommandId id);

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  enum class Drag { None, Node, Layer, Selection };

  void StartNodeDrag(int node);
  void StartLayerMove(int clientX);
  void StartSelection(bool wasActive, int64_t contentX);
  void NodePass(QPoint client);
  void LayerPass(int clientX);
  void SelectionPass(int clientX);
  void AutoScrollPass();
  void EndDrag();
  // Whether the dragged layer is still in the sound at its index; a command
  // reached from the keyboard during a drag may have removed it.
  bool DraggedLayerAlive() const;
  void ShowEditPopup(QPoint globalPosition);
  void ShowNodeMenu(int node, QPoint globalPosition);
  void UpdateCursorShape(QPoint client);

  CWavedeskView& m_view;
  Drag m_drag = Drag::None;
  CSoundLayer* m_layer = nullptr;  // the layer under the press
  int m_layerIndex = -1;

  // Node drag: the node, its state at the press, and its last client point.
  int m_node = -1;
  EnvelopeNode m_nodeAtPress;
  QPoint m_lastNodePoint;

  // Layer move: the press's client x and what it moves from.
  int m_pressClientX = 0;
  int32_t m_offsetAtPress = 0;
  int64_t m_lastDelta = 0;

  // Selection: the moving end (before clamping, as the last pass computed it)
  // and the end that stays.
  int64_t m_position = 0;
  int64_t m_anchor = 0;
  int m_lastClientX = 0;
  QBasicTimer m_autoScroll;
};
