// The DropZone: where it opens, its graph's scaling, its opacity and the URLs of a dropped
// text (table-driven); a drop with and without text on the window; and a drop on the
// program's own DropZone becoming a job, with the window's place kept across a restart.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMimeData>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QUrl>

#include <cstdlib>

#include "platform/paths.h"
#include "store/job_database.h"
#include "support/temp_dir.h"
#include "ui/drop_zone/drop_zone.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/url_offer.h"

namespace fw {
namespace {

TEST(DropZoneLogic, StartPlace) {
  const PlainRect screen{0, 0, 1280, 800};
  const PlainRect twoScreens{-1920, 0, 1280, 1080};
  struct Case {
    const char* what;
    int x, y;
    PlainRect desktop;
    ZonePlace want;
  } cases[] = {
      {"the defaults", 6, 5, screen, {6, 5}},
      {"17 left of the right edge stays", 1263, 100, screen, {1263, 100}},
      {"16 left of the right edge moves 20 left", 1264, 100, screen, {1244, 100}},
      {"10 left of the right edge moves 20 left", 1270, 100, screen, {1250, 100}},
      {"partly beyond the edge is only moved 20", 1290, 100, screen, {1270, 100}},
      {"on a screen that has gone", 3000, 2000, screen, {1240, 762}},
      {"above the desktop", 100, -500, screen, {100, 0}},
      {"on the left of two screens", -1500, 300, twoScreens, {-1500, 300}},
  };
  for (const Case& c : cases) EXPECT_EQ(dropZoneStartPlace(c.x, c.y, c.desktop), c.want) << c.what;
}

TEST(DropZoneLogic, GraphLevelsAndBars) {
  struct Level {
    int64_t speed;
    uint32_t scale;
    int want;
  } levels[] = {
      {0, 7, 0},
      {1, 7, 4},
      {7 * 1024 * 10, 7, 10},
      {7 * 1024 * 300, 7, 255},
      {100 * 1024, 1, 100},
      {100 * 1024, 0, 100},  // a scale of 0 counts as 1
  };
  for (const Level& l : levels)
    EXPECT_EQ(speedGraphLevel(l.speed, l.scale), l.want) << l.speed << " at " << l.scale;

  auto history = [](std::initializer_list<int64_t> speeds) {
    SpeedHistory h;
    for (int64_t s : speeds) h.add(s);
    return h.samples();
  };
  const int64_t twenty = 20LL * 7 * 1024;  // 20 pixels at the default scale
  struct Bars {
    const char* what;
    std::deque<int64_t> samples;
    int columns, height;
    uint32_t scale;
    std::vector<int> want;
  } bars[] = {
      {"nothing measured", {}, 4, 36, 7, {0, 0, 0, 0}},
      {"the newest second at the right", history({twenty}), 4, 36, 7, {0, 0, 0, 20}},
      {"a trickle still shows", history({1}), 3, 36, 7, {0, 0, 4}},
      {"cut at the top", history({twenty * 5}), 2, 36, 7, {0, 36}},
      {"a larger scale lowers the bars", history({twenty}), 2, 36, 14, {0, 10}},
      {"a column shows its highest second", history({twenty, 0, 0}), 30, 36, 7,
       [] {
         std::vector<int> v(30, 0);
         v[28] = 20;  // two seconds a column: the oldest of three is in the last but one
         return v;
       }()},
  };
  for (const Bars& b : bars)
    EXPECT_EQ(speedGraphBars(b.samples, b.columns, b.height, b.scale), b.want) << b.what;

  SpeedHistory h;
  for (int i = 0; i < 100; ++i) h.add(i);
  ASSERT_EQ(h.samples().size(), SpeedHistory::kSamples) << "only the last minute is kept";
  EXPECT_EQ(h.samples().front(), 40);
}

TEST(DropZoneLogic, Opacity) {
  struct Case {
    bool transparent;
    uint32_t alpha;
    double want;
  } cases[] = {{false, 0, 1.0},
               {true, 255, 1.0},
               {true, 128, 128 / 255.0},
               {true, 0, 24 / 255.0},
               {true, 9999, 1.0}};
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(dropZoneOpacity(c.transparent, c.alpha), c.want) << c.alpha;
}

TEST(DropZoneLogic, UrlsOfADroppedText) {
  using V = std::vector<std::string>;
  struct Case {
    const char* what;
    std::string text;
    V want;
  } cases[] = {
      {"a link from a browser", "http://h.example/a.zip", {"http://h.example/a.zip"}},
      {"with a line end", "https://h.example/a.zip\r\n", {"https://h.example/a.zip"}},
      {"lines of an editor",
       "ftp://f.example/x.iso\nnot a link\nHTTP://H.example/y",
       {"ftp://f.example/x.iso", "HTTP://H.example/y"}},
      {"inside a sentence, in brackets and quotes",
       "get <http://h.example/a.zip> or \"http://h.example/b.zip\" (http://h.example/c)",
       {"http://h.example/a.zip", "http://h.example/b.zip", "http://h.example/c"}},
      {"up to the first NUL",
       std::string("http://h.example/a\0http://h.example/b", 37),
       {"http://h.example/a"}},
      {"once each", "http://h.example/a http://h.example/a", {"http://h.example/a"}},
      {"no web or FTP address", "file:///home/u/a.zip mailto:x@y javascript:alert(1)", {}},
      {"only text", "hello world", {}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(droppedUrls(c.text), c.want) << c.what;
  EXPECT_EQ(droppedUrls("http://h/1 http://h/2 http://h/3", 2), (V{"http://h/1", "http://h/2"}));
}

// A drag of `data` offering `actions`, proposing a move as file managers and editors do.
bool dragEntered(DropZone& zone, const QMimeData& data, Qt::DropActions actions,
                 Qt::DropAction* taken) {
  QDragEnterEvent enter(QPoint(5, 5), actions, &data, Qt::LeftButton, Qt::NoModifier);
  enter.setDropAction(Qt::MoveAction);
  QApplication::sendEvent(&zone, &enter);
  *taken = enter.dropAction();
  return enter.isAccepted();
}

TEST(DropZoneWindow, TakesTextAndRefusesAFileList) {
  DropZone zone;
  QSignalSpy dropped(&zone, &DropZone::textDropped);
  Qt::DropAction taken = Qt::IgnoreAction;

  QMimeData text;
  text.setText(QStringLiteral("http://h.example/a.zip"));
  EXPECT_TRUE(dragEntered(zone, text, Qt::CopyAction | Qt::MoveAction, &taken));
  EXPECT_EQ(taken, Qt::CopyAction) << "a move would make the source delete its text";
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(&zone, &drop);
  EXPECT_TRUE(drop.isAccepted());
  ASSERT_EQ(dropped.count(), 1);
  EXPECT_EQ(dropped.at(0).at(0).toString(), QStringLiteral("http://h.example/a.zip"));

  EXPECT_FALSE(dragEntered(zone, text, Qt::MoveAction, &taken)) << "only a move is offered";

  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.zip"))});
  EXPECT_FALSE(dragEntered(zone, files, Qt::CopyAction | Qt::MoveAction, &taken));
  QDropEvent fileDrop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&zone, &fileDrop);
  EXPECT_FALSE(fileDrop.isAccepted());
  EXPECT_EQ(dropped.count(), 1);
}

TEST(DropZoneWindow, ADropOnTheProgramsZoneAddsTheJobAndItsPlaceIsKept) {
  test::TempDir home("fw-dropzone");
  setenv("FETCHWRIGHT_HOME", home.path().c_str(), 1);
  makeDirs(dataDir(), 0700);
  {
    CategoryTree tree;
    buildDefaultTree(tree, downloadDir());
    ASSERT_EQ(saveJobDatabase(defaultDatabasePath(dataDir()), tree), 1);
  }
  const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
  const int right = desktop.left() + desktop.width();
  auto run = [&](const std::function<void(DesktopSession&, MainWindow&)>& body) {
    DesktopSession::Options o;
    o.roleEntry = [](RoleRecord&) {};
    DesktopSession session(o);
    session.loadSettings();
    MainWindow window(session);
    std::string error;
    ASSERT_TRUE(session.openStartupDatabase("", nullptr, &error)) << error;
    window.startUp();
    body(session, window);
    window.quitQuietly();
  };

  run([&](DesktopSession& session, MainWindow& window) {
    DropZone* zone = window.dropZone();
    ASSERT_NE(zone, nullptr);
    EXPECT_FALSE(zone->isVisible()) << "shown once asked for";
    EXPECT_EQ(zone->pos(), QPoint(6, 5));
    window.commands().run(cmd::kDropZone);
    EXPECT_TRUE(zone->isVisible());
    // Moving it is stored; the place next start is 10 pixels left of the right edge.
    zone->move(right - 10, 40);
    for (int i = 0; i < 100 && session.settings().general.wDropX != right - 10; ++i)
      QTest::qWait(10);
    EXPECT_EQ(session.settings().general.wDropX, right - 10);

    auto dropText = [zone](const QString& what) {
      QMimeData text;
      text.setText(what);
      Qt::DropAction taken = Qt::IgnoreAction;
      ASSERT_TRUE(dragEntered(*zone, text, Qt::CopyAction, &taken));
      QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(zone, &drop);
    };
    // "When a URL is dropped on the DropZone" on: the property sheet is due, nothing added.
    uint32_t& other = session.settings().general.otherFlag;
    other |= kConfirmDropBit;
    dropText(QStringLiteral("http://h.example/asked.zip"));
    EXPECT_EQ(session.tree().findJobByUrl("http://h.example/asked.zip"), nullptr);
    // Off: the job is added at once, without a window.
    other &= ~kConfirmDropBit;
    dropText(QStringLiteral("http://h.example/dropped.zip\n"));
    const CategoryRecord* queue = session.tree().findCategory(kCategoryDownload);
    ASSERT_NE(queue->firstJob, nullptr) << window.statusBar()->currentMessage().toStdString();
    EXPECT_EQ(queue->firstJob->url, "http://h.example/dropped.zip");
    EXPECT_EQ(queue->firstJob->fileName, "dropped.zip");
  });
  run([&](DesktopSession&, MainWindow& window) {
    DropZone* zone = window.dropZone();
    EXPECT_TRUE(zone->isVisible()) << "shown stays shown";
    EXPECT_EQ(zone->pos(), QPoint(right - 30, 40));
    window.refreshCommands();
    EXPECT_TRUE(window.commands().action(cmd::kDropZone)->isChecked());
    window.commands().run(cmd::kDropZone);
    EXPECT_FALSE(zone->isVisible());
    window.refreshCommands();
    EXPECT_FALSE(window.commands().action(cmd::kDropZone)->isChecked());
  });
}

}  // namespace
}  // namespace fw
