// The waveform view's mouse handling: the press that picks a layer and a
// zone, the three drags as press/move/release state machines, the two
// context menus and the cursor shapes.
#include "gui/panes/view_mouse.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTimerEvent>

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "gui/base/resource_ids.h"
#include "core/model/selection.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/view_hit_zones.h"
#include "gui/panes/wavedesk_view.h"

ViewMouse::ViewMouse(CWavedeskView& view) : QObject(&view), m_view(view) {}

ViewMouse::~ViewMouse() = default;

// ---------------------------------------------------------------------------
// Press, move, release

void ViewMouse::Press(const QMouseEvent& event) {
  if (event.button() != Qt::LeftButton || m_drag != Drag::None) return;
  CSound& sound = m_view.document()->sound();
  if (sound.IsPlaying()) return;
  const ViewGeometry geometry = m_view.viewGeometry();
  const QPoint client = event.position().toPoint();
  // Truncation toward zero makes the rows of the top ruler just above the
  // first band count as layer 0.
  const int index = geometry.LayerAt(client.y());
  if (index < 0) return;

  const bool wasActive = sound.activeLayerIndex == index;
  (void)m_view.document()->editor().ActivateLayer(index, SelectionOnActivate::kCursorUnlessInside);
  m_layerIndex = index;
  m_layer = sound.layers[static_cast<size_t>(index)].get();
  m_view.NotifyOtherViews(UpdateHint::kSelection);

  const int64_t contentX = static_cast<int64_t>(client.x()) + geometry.scroll;
  const int node = ViewHitZones::NodeAt(geometry, *m_layer, index, contentX, client.y());
  if (node >= 0)
    StartNodeDrag(node);
  else if (ViewHitZones::InHeader(geometry, *m_layer, contentX))
    StartLayerMove(client.x());
  else
    StartSelection(wasActive, contentX);
}

void ViewMouse::Move(const QMouseEvent& event) {
  const QPoint client = event.position().toPoint();
  if (m_drag == Drag::None) {
    UpdateCursorShape(client);
    return;
  }
  // The release was lost (another window took the mouse): the drag is over.
  if (!(event.buttons() & Qt::LeftButton)) {
    EndDrag();
    return;
  }
  if (!DraggedLayerAlive()) {
    EndDrag();
    return;
  }
  switch (m_drag) {
    case Drag::Node: NodePass(client); break;
    case Drag::Layer: LayerPass(client.x()); break;
    case Drag::Selection: SelectionPass(client.x()); break;
    case Drag::None: break;
  }
}

void ViewMouse::Release(const QMouseEvent& event) {
  if (event.button() != Qt::LeftButton || m_drag == Drag::None) return;
  // The release point is the drag's last pass.
  if (DraggedLayerAlive()) {
    const QPoint client = event.position().toPoint();
    switch (m_drag) {
      case Drag::Node: NodePass(client); break;
      case Drag::Layer: LayerPass(client.x()); break;
      case Drag::Selection: SelectionPass(client.x()); break;
      case Drag::None: break;
    }
  }
  EndDrag();
}

bool ViewMouse::DraggedLayerAlive() const {
  const auto& layers = m_view.document()->sound().layers;
  return m_layerIndex >= 0 && static_cast<size_t>(m_layerIndex) < layers.size() &&
         layers[static_cast<size_t>(m_layerIndex)].get() == m_layer;
}

void ViewMouse::EndDrag() {
  const Drag drag = m_drag;
  m_drag = Drag::None;
  m_autoScroll.stop();
  if (!DraggedLayerAlive()) {
    m_layer = nullptr;
    return;
  }
  // The editor marked the document modified as the node or the layer moved.
  if (drag == Drag::Layer) {
    // The sound's length follows the layer's new end.
    m_view.UpdateScrollRange();
    m_view.RepaintFully();
    if (m_layer->offset != m_offsetAtPress) m_view.NotifyOtherViews(UpdateHint::kLayers);
  }
  m_layer = nullptr;
}

// ---------------------------------------------------------------------------
// Node drag

void ViewMouse::StartNodeDrag(int node) {
  m_drag = Drag::Node;
  m_node = node;
  m_nodeAtPress = m_layer->nodes[static_cast<size_t>(node)];
  const ViewGeometry geometry = m_view.viewGeometry();
  const int64_t nodeX = geometry.NodeContentX(m_layer->offset, m_nodeAtPress.position) - geometry.scroll;
  m_lastNodePoint = QPoint(static_cast<int>(nodeX), geometry.NodeY(m_layerIndex, m_nodeAtPress.level));
  // The press may have made this layer active.
  m_view.RepaintFully();
}

void ViewMouse::NodePass(QPoint client) {
  std::vector<EnvelopeNode>& nodes = m_layer->nodes;
  const size_t k = static_cast<size_t>(m_node);
  if (k >= nodes.size()) return;
  // The window may have been resized since the last pass.
  const ViewGeometry geometry = m_view.viewGeometry();
  const int i = m_layerIndex;
  const int band = geometry.BandHeight();
  const int64_t offset = m_layer->offset;

  // The node's x stays between its neighbours: the previous node or the
  // layer's start, and the next node or the layer's last frame.
  int64_t x = static_cast<int64_t>(client.x()) + geometry.scroll;
  const int64_t lower =
      k == 0 ? geometry.ContentX(offset) : geometry.NodeContentX(m_layer->offset, nodes[k - 1].position);
  const int64_t upper = k + 1 == nodes.size()
                            ? (static_cast<int64_t>(m_layer->length() / 2) + offset / 2 - 2) / 2 / geometry.zoom +
                                  ViewGeometry::kHeaderWidth
                            : geometry.NodeContentX(m_layer->offset, nodes[k + 1].position);
  if (lower >= x) x = lower;
  if (x >= upper) x = upper;

  // Level +1 five pixels below the band's top, -1 five above its bottom.
  int y = client.y();
  if (i * band + 20 >= y) y = i * band + 20;
  if (y >= (i + 1) * band + 10) y = (i + 1) * band + 10;

  // A column spans 4 x zoom bytes, so the column of a neighbour starts
  // before the neighbour itself: the editor holds the byte position between
  // the neighbours too, which keeps the nodes in order.
  const int64_t position = geometry.Position(x) - offset;
  // A band too low for the 5-pixel margins has no level scale; the level
  // then stays as it was rather than becoming infinite.
  const int scale = band / 2 - 5;
  const double level = scale > 0
                           ? -static_cast<double>(y - band / 2 - i * band - ViewGeometry::kRulerHeight) / scale
                           : nodes[k].level;
  const EnvelopeNode moved = m_view.document()->editor().MoveNode(m_layerIndex, k, position, level);

  const QPoint point(static_cast<int>(geometry.NodeContentX(m_layer->offset, moved.position) - geometry.scroll),
                     geometry.NodeY(i, moved.level));
  if (point != m_lastNodePoint) {
    m_lastNodePoint = point;
    m_view.RepaintFully();
  }
}

// ---------------------------------------------------------------------------
// Layer move

void ViewMouse::StartLayerMove(int clientX) {
  m_view.RepaintFully();
  m_drag = Drag::Layer;
  m_pressClientX = clientX;
  m_offsetAtPress = m_layer->offset;
  m_lastDelta = 0;
}

void ViewMouse::LayerPass(int clientX) {
  const int64_t delta = static_cast<int64_t>(clientX) - m_pressClientX;
  const int64_t bytes = delta * m_view.zoom() * WorkingFormat().blockAlign;
  // The editor holds the offset within the positions a sound has and moves
  // the selection by what the layer really moved.
  (void)m_view.document()->editor().MoveLayer(m_layerIndex, int64_t{m_offsetAtPress} + bytes);
  if (delta != m_lastDelta) {
    m_lastDelta = delta;
    m_view.RepaintFully();
  }
}

// ---------------------------------------------------------------------------
// Selection

void ViewMouse::StartSelection(bool wasActive, int64_t contentX) {
  CSound& sound = m_view.document()->sound();
  const ViewGeometry geometry = m_view.viewGeometry();
  m_drag = Drag::Selection;
  m_position = geometry.Position(contentX);
  m_lastClientX = static_cast<int>(contentX - geometry.scroll);
  // A press on an edge of the active layer's selection drags that edge; the
  // other edge stays.
  if (wasActive && ViewHitZones::AtEdge(geometry, sound.selectionStart, contentX)) {
    m_anchor = sound.selectionEnd;
  } else if (wasActive && ViewHitZones::AtEdge(geometry, sound.selectionEnd, contentX)) {
    m_anchor = sound.selectionStart;
  } else {
    m_position = ClampToLayer(m_position, *m_layer, 2);
    m_anchor = m_position;
    m_view.document()->editor().Select(Selection::Cursor(m_position));
  }
  m_view.RepaintFully();
  m_autoScroll.start(kAutoScrollInterval, this);
}

void ViewMouse::SelectionPass(int clientX) {
  m_lastClientX = clientX;
  CSound& sound = m_view.document()->sound();
  const ViewGeometry geometry = m_view.viewGeometry();
  const int64_t wanted = geometry.Position(static_cast<int64_t>(clientX) + geometry.scroll);
  if (wanted == m_position) return;
  m_position = ClampToLayer(wanted, *m_layer, 2);
  const Selection selection = Selection::Range(m_position, m_anchor);
  if (selection != Selection::Of(sound)) {
    m_view.document()->editor().Select(selection);
    m_view.RepaintFully();
  }
}

void ViewMouse::AutoScrollPass() {
  // Past the window's edges the selection runs on by itself: a pass, then a
  // step of scrolling, for as long as the mouse stays out there.
  const int width = m_view.clientWidth();
  if (m_lastClientX <= width && m_lastClientX >= 0) return;
  if (!DraggedLayerAlive()) return;
  SelectionPass(m_lastClientX);
  const int scroll = m_view.scrollPosition();
  if (m_lastClientX > width)
    m_view.ScrollTo(static_cast<int64_t>(scroll) + kAutoScrollStep);
  else
    m_view.ScrollTo(static_cast<int64_t>(scroll) - kAutoScrollStep);
}

void ViewMouse::timerEvent(QTimerEvent* event) {
  if (event->timerId() == m_autoScroll.timerId() && m_drag == Drag::Selection) {
    AutoScrollPass();
    return;
  }
  QObject::timerEvent(event);
}

// ---------------------------------------------------------------------------
// Context menus

void ViewMouse::ContextMenu(const QContextMenuEvent& event) {
  if (m_drag != Drag::None) return;
  CSound& sound = m_view.document()->sound();
  if (sound.IsPlaying()) return;
  const ViewGeometry geometry = m_view.viewGeometry();
  const QPoint client = event.pos();
  const int index = geometry.LayerAt(client.y());
  if (index < 0) return;
  const CSoundLayer& layer = *sound.layers[static_cast<size_t>(index)];
  const int64_t contentX = static_cast<int64_t>(client.x()) + geometry.scroll;
  // Unlike a left press, a right click beyond the layer puts the cursor on
  // the layer's end itself.
  const int32_t position = static_cast<int32_t>(ClampToLayer(geometry.Position(contentX), layer, 0));

  // A right click inside the active layer's selection keeps it, so that
  // the menu's commands act on it.
  if (index != sound.activeLayerIndex || position < sound.selectionStart || position > sound.selectionEnd) {
    const int32_t previousStart = sound.selectionStart;
    const int32_t previousEnd = sound.selectionEnd;
    const int previousLayer = sound.activeLayerIndex;
    DocumentEditor& editor = m_view.document()->editor();
    (void)editor.ActivateLayer(index, SelectionOnActivate::kCursorUnlessInside);
    editor.Select(Selection::Cursor(position));
    m_view.UpdateSelectionByInversion(previousStart, previousEnd, previousLayer);
  }
  m_view.NotifyOtherViews(UpdateHint::kSelection);

  const int active = sound.activeLayerIndex;
  const int node = ViewHitZones::NodeAt(geometry, *sound.layers[static_cast<size_t>(active)], active, contentX,
                                        client.y());
  if (node < 0)
    ShowEditPopup(event.globalPos());
  else
    ShowNodeMenu(node, event.globalPos());
}

QAction* ViewMouse::FindCommand(const QMenu& menu, CommandId id) {
  for (QAction* action : menu.actions()) {
    if (action->data().isValid() && action->data().toInt() == ToInt(id)) return action;
    if (const QMenu* sub = action->menu()) {
      if (QAction* found = FindCommand(*sub, id)) return found;
    }
  }
  return nullptr;
}

void ViewMouse::ShowEditPopup(QPoint globalPosition) {
  // The main window hands the view its Edit menu; a view on its own has none.
  QMenu* menu = m_view.hooks().editMenu ? m_view.hooks().editMenu() : nullptr;
  if (menu == nullptr) return;
  QPointer<ViewMouse> alive(this);
  m_view.SetBusy(true);
  m_view.viewport()->setCursor(Qt::ArrowCursor);

  // The zoom items that would change nothing are greyed while the popup is
  // open; the main menu's own state comes back afterwards.
  struct Greyed {
    QPointer<QAction> action;
    bool wasEnabled;
  };
  std::vector<Greyed> greyed;
  auto grey = [&](CommandId id, bool possible) {
    if (QAction* action = FindCommand(*menu, id)) {
      greyed.push_back({action, action->isEnabled()});
      action->setEnabled(action->isEnabled() && possible);
    }
  };
  grey(CommandId::kZoomIn, m_view.CanZoomIn());
  grey(CommandId::kZoomOut, m_view.CanZoomOut());

  // The chosen command is carried out as the menu closes; the view must no
  // longer be busy by then, or a zoom could not scroll.
  CWavedeskView* view = &m_view;
  const QMetaObject::Connection hidden =
      connect(menu, &QMenu::aboutToHide, view, [view] { view->SetBusy(false); });
  menu->exec(globalPosition);
  disconnect(hidden);
  for (const Greyed& item : greyed) {
    if (item.action) item.action->setEnabled(item.wasEnabled);
  }
  if (!alive) return;
  m_view.SetBusy(false);
  m_view.viewport()->unsetCursor();
}

void ViewMouse::ShowNodeMenu(int node, QPoint globalPosition) {
  QPointer<ViewMouse> alive(this);
  QMenu menu(&m_view);
  menu.setObjectName(QStringLiteral("NodeMenu"));
  QAction* remove = menu.addAction(tr("Delete Node"));
  remove->setData(ToInt(CommandId::kDeleteNode));
  remove->setObjectName(CommandName(CommandId::kDeleteNode));
  // The menu hands back its choice; nothing is sent anywhere.
  QAction* chosen = menu.exec(globalPosition);
  if (!alive || chosen != remove) return;
  CWavedeskDoc* document = m_view.document();
  document->editor().RemoveNode(document->sound().activeLayerIndex, static_cast<size_t>(node));
  m_view.RepaintFully();
}

// ---------------------------------------------------------------------------
// Cursor shape

void ViewMouse::UpdateCursorShape(QPoint client) {
  QWidget* viewport = m_view.viewport();
  if (m_view.isBusy()) return;
  const ViewGeometry geometry = m_view.viewGeometry();
  const auto shape = ViewHitZones::CursorShapeAt(geometry, m_view.document()->sound(),
                                                 static_cast<int64_t>(client.x()) + geometry.scroll, client.y());
  if (shape)
    viewport->setCursor(*shape);
  else
    viewport->unsetCursor();
}
