#pragma once
// The DropZone: a small frameless window that stays above the others, onto which a link
// or any text is dragged to make download jobs. It is moved by dragging it anywhere,
// its right button opens the tray menu and a double click shows or hides the main
// window; it can draw the overall speed of the last minute. What it receives and asks
// for goes out as signals: the main window decides what happens.
//
// Where the window system does not let a program place its windows, keep them on top or
// draw them translucent (Wayland), it is an ordinary small window moved by the window
// system.
//
// Main (GUI) thread only.

#include <QWidget>

class QMimeData;

#include "ui/drop_zone/drop_zone_logic.h"

namespace fw {

struct DropZoneLook {
  bool graph = false;        // "Display Graph At DropZone"
  bool transparent = false;  // "Transparent"
  uint32_t alpha = 128;
  uint32_t scaleKiB = 7;
  uint32_t graphBack = 0x000000;  // 0x00BBGGRR
  uint32_t graphFore = 0x57FF18;
  bool operator==(const DropZoneLook&) const = default;
};

class DropZone : public QWidget {
  Q_OBJECT

 public:
  explicit DropZone(QWidget* parent = nullptr);

  // True where the window system honours a program's own window places, stay-on-top and
  // translucency (not on Wayland).
  static bool windowSystemPlaces();

  // True for data with text in it; false without, and for a list of local files only.
  static bool offersText(const QMimeData* data);

  void setLook(const DropZoneLook& look);
  const DropZoneLook& look() const { return m_look; }
  // One more second of the overall speed.
  void addSpeed(int64_t bytesPerSecond);
  const SpeedHistory& history() const { return m_history; }

 Q_SIGNALS:
  // A drop with text: the text as it came.
  void textDropped(const QString& text);
  void menuRequested(const QPoint& globalPos);
  void doubleClicked();
  // The window's top-left corner after a move.
  void moved(const QPoint& topLeft);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // Takes a drag that offers text, as a copy: a drop must never make the source (an
  // editor) delete the text it gave.
  bool takeDrag(QDropEvent* event);

  DropZoneLook m_look;
  SpeedHistory m_history;
  bool m_dragging = false;
  QPoint m_grab;  // the cursor's offset from the window's corner while moving
};

}  // namespace fw
