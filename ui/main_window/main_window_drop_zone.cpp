// The main window's side of the DropZone: it creates the window at start-up, keeps its
// place in the "WDropX"/"WDropY" settings, feeds it the overall speed each second with
// the Graph/Log settings, and acts on what it reports.

#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>

#include "store/url_hand_in.h"
#include "ui/drop_zone/drop_zone.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/menus.h"
#include "ui/main_window/url_offer.h"

namespace fw {

namespace {

// "Flag" of the Graph/Log settings.
constexpr uint32_t kLookTransparent = 0x01;
constexpr uint32_t kLookGraph = 0x02;

DropZoneLook lookOf(const ColorSettings& c) {
  DropZoneLook look;
  look.graph = (c.flag & kLookGraph) != 0;
  look.transparent = (c.flag & kLookTransparent) != 0;
  look.alpha = c.alpha;
  look.scaleKiB = c.scale;
  look.graphBack = c.graphBack;
  look.graphFore = c.graphFore;
  return look;
}

}  // namespace

void MainWindow::buildDropZone() {
  if (m_dropZone) return;
  m_dropZone = std::make_unique<DropZone>();
  DropZone* zone = m_dropZone.get();
  zone->setLook(lookOf(m_session.settings().color));
  GeneralSettings& g = m_session.settings().general;
  if (DropZone::windowSystemPlaces()) {
    PlainRect desktop{0, 0, 0, 0};
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect r = screen->virtualGeometry();
      desktop = PlainRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    const ZonePlace at = dropZoneStartPlace(g.wDropX, g.wDropY, desktop);
    zone->move(at.x, at.y);
    g.wDropX = at.x;
    g.wDropY = at.y;
    connect(zone, &DropZone::moved, this, [this](const QPoint& corner) {
      GeneralSettings& s = m_session.settings().general;
      s.wDropX = corner.x() < 0 ? GeneralSettings::kWDropNegativeFallback : corner.x();
      s.wDropY = corner.y() < 0 ? GeneralSettings::kWDropNegativeFallback : corner.y();
    });
  }
  connect(zone, &DropZone::textDropped, this, &MainWindow::onDropZoneText);
  connect(zone, &DropZone::doubleClicked, this, [this] { m_commands->run(cmd::kOpenHide); });
  connect(zone, &DropZone::menuRequested, this, [this](const QPoint& at) {
    if (m_modalDepth > 0) return;
    if (!m_trayMenu) m_trayMenu = buildTrayMenu(*m_commands, this);
    refreshCommands();
    m_trayMenu->popup(at);
  });
  zone->setVisible(m_dropZoneShown);
}

void MainWindow::showDropZone(bool shown) {
  m_dropZoneShown = shown;
  saveLayout();
  if (m_dropZone) m_dropZone->setVisible(shown);
}

void MainWindow::refreshDropZone() {
  if (!m_dropZone) return;
  m_dropZone->setLook(lookOf(m_session.settings().color));
  QueueMonitor& monitor = m_session.monitor();
  m_dropZone->addSpeed(monitor.running().empty() ? 0 : monitor.overallSpeed());
}

void MainWindow::onDropZoneText(const QString& text) {
  if (m_closing || m_session.closing()) return;
  std::vector<AddJobRequest> requests;
  for (std::string& url : droppedUrls(text.toStdString(), kHandInMaxJobs)) {
    AddJobRequest r;
    r.url = std::move(url);
    requests.push_back(std::move(r));
  }
  if (requests.empty()) {
    statusBar()->showMessage(QStringLiteral("No URL in the dropped text"), 5000);
    return;
  }
  offerUrls(requests, UrlSource::DropZone);
  updateStatusCounts();
  refreshCommands();
}

}  // namespace fw
