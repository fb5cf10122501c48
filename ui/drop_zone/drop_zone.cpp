#include "ui/drop_zone/drop_zone.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

#include "ui/common/color_ref.h"
#include "ui/common/icons.h"

namespace fw {

DropZone::DropZone(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("DropZone"));
  // Not "Fetchwright": tools that look for the main window by its title must not find this.
  setWindowTitle(QStringLiteral("DropZone"));
  Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
  if (windowSystemPlaces()) flags |= Qt::WindowStaysOnTopHint;
  setWindowFlags(flags);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setFixedSize(kDropZoneWidth, kDropZoneHeight);
  setAcceptDrops(true);
  setToolTip(QStringLiteral("Drop a link here to download it"));
}

bool DropZone::windowSystemPlaces() {
  return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void DropZone::setLook(const DropZoneLook& look) {
  if (look == m_look) return;
  m_look = look;
  if (windowSystemPlaces()) setWindowOpacity(dropZoneOpacity(look.transparent, look.alpha));
  update();
}

void DropZone::addSpeed(int64_t bytesPerSecond) {
  m_history.add(bytesPerSecond);
  if (m_look.graph) update();
}

bool DropZone::offersText(const QMimeData* data) {
  if (!data || !data->hasText()) return false;
  // A file manager's file list reads as text too: the names of local files are no links.
  if (!data->hasUrls()) return true;
  const QList<QUrl> urls = data->urls();
  return std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return !u.isLocalFile(); });
}

bool DropZone::takeDrag(QDropEvent* event) {
  if (!offersText(event->mimeData())) {
    event->ignore();
    return false;
  }
  const Qt::DropActions offered = event->possibleActions();
  if (offered & Qt::CopyAction) {
    event->setDropAction(Qt::CopyAction);
  } else if (offered & Qt::LinkAction) {
    event->setDropAction(Qt::LinkAction);
  } else {
    event->ignore();
    return false;
  }
  event->accept();
  return true;
}

void DropZone::dragEnterEvent(QDragEnterEvent* event) {
  takeDrag(event);
}

void DropZone::dragMoveEvent(QDragMoveEvent* event) {
  takeDrag(event);
}

void DropZone::dropEvent(QDropEvent* event) {
  if (!takeDrag(event)) return;
  Q_EMIT textDropped(event->mimeData()->text());
}

void DropZone::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  // Wayland moves windows itself; elsewhere the window follows the cursor.
  if (!windowSystemPlaces() && windowHandle() && windowHandle()->startSystemMove()) return;
  m_dragging = true;
  m_grab = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void DropZone::mouseMoveEvent(QMouseEvent* event) {
  if (m_dragging && (event->buttons() & Qt::LeftButton))
    move(event->globalPosition().toPoint() - m_grab);
}

void DropZone::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) m_dragging = false;
}

void DropZone::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    m_dragging = false;
    Q_EMIT doubleClicked();
  }
}

void DropZone::contextMenuEvent(QContextMenuEvent* event) {
  Q_EMIT menuRequested(event->globalPos());
}

void DropZone::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  Q_EMIT moved(frameGeometry().topLeft());
}

void DropZone::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect inside = rect().adjusted(1, 1, -1, -1);
  p.fillRect(rect(), m_look.graph ? fromColorRef(m_look.graphBack) : palette().window().color());
  // The icon says what the window is for; under the graph it is only a shadow.
  const int side = 24;
  const QRect iconRect((width() - side) / 2, (height() - side) / 2, side, side);
  p.setOpacity(m_look.graph ? 0.35 : 1.0);
  p.drawPixmap(iconRect, icon(Icon::App).pixmap(side, side));
  p.setOpacity(1.0);
  if (m_look.graph) {
    const std::vector<int> bars =
        speedGraphBars(m_history.samples(), inside.width(), inside.height(), m_look.scaleKiB);
    const QColor fore = fromColorRef(m_look.graphFore);
    for (size_t i = 0; i < bars.size(); ++i)
      if (bars[i] > 0)
        p.fillRect(inside.left() + static_cast<int>(i), inside.bottom() + 1 - bars[i], 1, bars[i],
                   fore);
  }
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace fw
