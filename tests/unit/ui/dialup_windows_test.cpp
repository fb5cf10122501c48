// The Dialing window through a scripted dial (a failure, a redial, a dropped line and
// the reconnect), the "Check Newest Version" window against a local nginx and a server
// that never answers, and the sound player loading a WAV without playing it aloud.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSoundEffect>
#include <QTest>

#include <chrono>
#include <thread>

#include "jobs/dial_manager.h"
#include "jobs/update_check.h"
#include "platform/dialup/simulated_dialup.h"
#include "platform/fake_clock.h"
#include "support/nginx_server.h"
#include "support/server_process.h"
#include "support/temp_dir.h"
#include "ui/common/qt_sound_player.h"
#include "ui/dialogs/dialing_dialog.h"
#include "ui/dialogs/update_dialogs.h"

namespace fw {
namespace {

using namespace std::chrono_literals;

// Lets Qt delete what was closed.
void flushQt() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

QStringList shownLines(const DialingDialog& d) {
  QStringList out;
  for (int i = 0; i < d.statusList()->count(); ++i) out << d.statusList()->item(i)->text();
  return out;
}

// Opens a real DialingDialog for every dial and records what the manager asks.
struct DialogHost : DialManagerHost {
  DialingView* openDialingView(DialingWindow& window) override {
    dialog = new DialingDialog(window);
    dialog->show();
    ++opened;
    return dialog;
  }
  void stopAllJobs(int code) override { stops.push_back(code); }
  void openDialUpOptions() override {}
  QPointer<DialingDialog> dialog;
  int opened = 0;
  std::vector<int> stops;
};

TEST(DialingDialogTest, ShowsAFailedAttemptRedialsAndReconnectsUnderTheEstablishCaption) {
  FakeClock clock;
  MessageLoop loop(clock);
  DialScript script;
  std::string error;
  ASSERT_TRUE(
      parseDialScript("text 691 Access denied.\n"
                      "attempt\nafter 100 state 0\nafter 100 fail 691\n"
                      "attempt\nafter 100 state 5\nafter 100 connect\nafter 3000 drop\n"
                      "attempt\nafter 100 state 2\n",
                      script, error))
      << error;
  SimulatedDialup sim(loop, script);
  DialogHost host;
  DialConfig config;
  config.inUse = true;
  config.entry = "ISP Dial";
  config.times = 3;
  config.waitSeconds = 2;
  config.establish = "Establish line";
  DialManager manager(loop, sim, host, config);
  auto advance = [&](int ms) {
    for (int t = 0; t < ms; t += 100) {
      clock.advanceMs(100);
      loop.processPending();
    }
    flushQt();
  };

  manager.requestDial(0);
  advance(300);
  ASSERT_TRUE(host.dialog);
  EXPECT_EQ(host.dialog->windowTitle(), "Dialing");
  EXPECT_TRUE(host.dialog->isVisible());
  EXPECT_EQ(shownLines(*host.dialog), (QStringList{"Start dialing...", "Opening the port...",
                                                   "Access denied.", "Wait 2 second for retry."}));

  // The redial after "WTime" connects: the window closes itself, the line stays up.
  advance(2500);
  EXPECT_FALSE(host.dialog) << "the window deletes itself once the line is up";
  EXPECT_TRUE(manager.lineUpEvent().isSet());
  EXPECT_EQ(sim.dialCount(), 2);
  EXPECT_TRUE(host.stops.empty());

  // The line drops: a reconnect opens a second window with the "Establish" caption, and
  // Cancel abandons that dial and stops every job.
  advance(3500);
  ASSERT_TRUE(host.dialog);
  EXPECT_EQ(host.opened, 2);
  EXPECT_EQ(host.dialog->windowTitle(), "Establish line");
  EXPECT_EQ(shownLines(*host.dialog).front(), "Start dialing...");
  QTest::mouseClick(host.dialog->cancelButton(), Qt::LeftButton);
  flushQt();
  EXPECT_FALSE(host.dialog);
  EXPECT_EQ(manager.dialingWindow(), nullptr);
  EXPECT_EQ(manager.dialState(), kDialUserClosed);
  EXPECT_FALSE(manager.lineUpEvent().isSet());
  EXPECT_EQ(host.stops, (std::vector<int>{-2}));
  EXPECT_EQ(sim.openLines(), 0u) << "the abandoned dial is hung up";
}

// The window manager's close box, and the dialog going with its parent, end the dial
// as Cancel does.
TEST(DialingDialogTest, ClosingOrDeletingTheDialogMidDialClosesTheDialingWindow) {
  for (bool deleteIt : {false, true}) {
    SCOPED_TRACE(deleteIt ? "deleted" : "close box");
    FakeClock clock;
    MessageLoop loop(clock);
    DialScript script;
    std::string error;
    ASSERT_TRUE(
        parseDialScript("attempt\nafter 100 state 2\nafter 60000 connect\n", script, error));
    SimulatedDialup sim(loop, script);
    DialogHost host;
    DialConfig config;
    config.inUse = true;
    config.entry = "ISP Dial";
    DialManager manager(loop, sim, host, config);
    manager.requestDial(0);
    loop.processPending();
    ASSERT_TRUE(host.dialog);
    if (deleteIt)
      delete host.dialog.data();
    else
      EXPECT_TRUE(host.dialog->close());
    flushQt();
    EXPECT_FALSE(host.dialog);
    EXPECT_EQ(manager.dialingWindow(), nullptr);
    EXPECT_EQ(manager.dialState(), kDialUserClosed);
    clock.advanceMs(1000);
    loop.processPending();  // a status arriving now must not reach a deleted view
    EXPECT_EQ(sim.openLines(), 0u);
  }
}

// Runs the loop in real time until `done`, 10 s at most.
bool pumpUntil(MessageLoop& loop, const std::function<bool()>& done) {
  auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    loop.processPending();
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

UpdateEndpoint endpointAt(int port, const std::string& path) {
  UpdateEndpoint e;
  e.host = "127.0.0.1";
  e.port = static_cast<uint16_t>(port);
  e.path = path;
  e.downloadPage = "http://127.0.0.1/download.html";
  e.homePage = "http://127.0.0.1/";
  return e;
}

TEST(UpdateDialogTest, ShowsEachAnswerAndMoreInfoOpensTheDownloadPage) {
  FW_REQUIRE_BINARY(path, "nginx");
  test::NginxServer nginx;
  nginx.addFile("latest/Update.ini", "ver=1.827\r\n");
  nginx.addFile("newer/Update.ini", "ver=1.830\r\n");
  nginx.addFile("plain/Update.ini", "Fetchwright 1.830\r\n");
  ASSERT_TRUE(nginx.start(path)) << nginx.error();
  const struct {
    const char* path;
    const char* text;
    bool moreInfo;
  } cases[] = {
      {"/latest/Update.ini", "You already have the latest version of Fetchwright.", false},
      {"/newer/Update.ini", "A newer version of Fetchwright was found.", true},
      {"/plain/Update.ini", "Can't get update information.", true},
      {"/missing/Update.ini", "Can't get update information.", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    MessageLoop loop;
    UpdateChecker checker(loop, endpointAt(nginx.httpPort(), c.path));
    std::vector<std::string> opened;
    QPointer<UpdateDialog> d = new UpdateDialog(
        loop, checker, nullptr, [&](const std::string& url) { opened.push_back(url); });
    d->show();
    EXPECT_EQ(d->windowTitle(), "Check Newest Version");
    EXPECT_EQ(d->text(), "Downloading the update information...");
    EXPECT_FALSE(d->moreInfoButton()->isVisible());
    ASSERT_TRUE(pumpUntil(loop, [&] { return d->window().answered(); }));
    EXPECT_EQ(d->text(), c.text);
    EXPECT_EQ(d->moreInfoButton()->isVisible(), c.moreInfo);
    if (c.moreInfo) {
      QTest::mouseClick(d->moreInfoButton(), Qt::LeftButton);
      EXPECT_EQ(opened, (std::vector<std::string>{"http://127.0.0.1/download.html"}));
    }
    QTest::mouseClick(d->closeButton(), Qt::LeftButton);
    flushQt();
    EXPECT_FALSE(d) << "Close deletes the window";
  }
  nginx.stop();
}

TEST(UpdateDialogTest, GivesUpAfterThirtyOneTicksWithoutAnAnswer) {
  // A server that takes the connection and never answers.
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(fd, 4), 0);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);

  FakeClock clock;
  MessageLoop loop(clock);
  {
    UpdateChecker checker(loop, endpointAt(ntohs(addr.sin_port), "/images/Update.ini"));
    auto* d = new UpdateDialog(loop, checker, nullptr, [](const std::string&) {});
    QPointer<UpdateDialog> guard = d;
    d->show();
    for (int tick = 1; tick <= 31; ++tick) {
      clock.advanceMs(1000);
      loop.processPending();
    }
    EXPECT_EQ(d->text(), "Downloading the update information...") << "31 ticks still wait";
    clock.advanceMs(1000);
    loop.processPending();
    EXPECT_EQ(d->text(),
              "Can't get update information. Please visit http://127.0.0.1/ for the newest "
              "version.");
    EXPECT_TRUE(d->moreInfoButton()->isVisible());
    delete d;  // before the checker, which stops its thread within 50 ms
  }
  ::close(fd);
}

TEST(UpdateDialogTest, WithoutAnUpdateHostSaysSoAtOnce) {
  MessageLoop loop;
  UpdateChecker checker(loop, UpdateEndpoint{});
  UpdateDialog d(loop, checker, nullptr, [](const std::string&) {});
  EXPECT_EQ(d.text(), "Can't get update information.");
  EXPECT_FALSE(d.moreInfoButton()->isVisibleTo(&d)) << "no download page to open";
  EXPECT_FALSE(checker.running());
}

// A RIFF WAVE file of `samples` 8-bit mono samples at 8000 Hz.
std::string waveFile(uint32_t samples) {
  auto le32 = [](uint32_t v) {
    return std::string{char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff),
                       char((v >> 24) & 0xff)};
  };
  std::string fmt = le32(16) + std::string("\x01\x00\x01\x00", 4) + le32(8000) + le32(8000) +
                    std::string("\x01\x00\x08\x00", 4);
  std::string data(samples, '\x80');
  return "RIFF" + le32(4 + 8 + 16 + 8 + samples) + "WAVE" + "fmt " + fmt + "data" + le32(samples) +
         data;
}

TEST(QtSoundPlayerTest, LoadsAWaveFileAndDropsOneThatIsNot) {
  test::TempDir dir("fw-sound");
  const struct {
    const char* name;
    std::string bytes;
    QSoundEffect::Status expect;
  } cases[] = {
      {"done.wav", waveFile(800), QSoundEffect::Ready},
      {"broken.wav", "this is not a sound", QSoundEffect::Error},
  };
  QtSoundPlayer player(/*muted=*/true);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    player.play(dir.write(c.name, c.bytes));
    ASSERT_NE(player.current(), nullptr);
    QSoundEffect* effect = player.current();
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while ((effect->status() == QSoundEffect::Loading || effect->status() == QSoundEffect::Null) &&
           std::chrono::steady_clock::now() < deadline)
      QTest::qWait(10);
    EXPECT_EQ(effect->status(), c.expect);
  }
  QSoundEffect* last = player.current();
  player.play("");
  EXPECT_EQ(player.current(), last) << "no sound file set: nothing is played";
}

}  // namespace
}  // namespace fw
