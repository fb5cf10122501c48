// The "Options" sheet: each page's checks in their order with their warnings, what the
// pages store (and keep of bits they do not own), the presets, the proxy list, the tree
// of the "Other" page; then the sheet itself on the offscreen platform, alone and opened
// from the main window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>

#include "platform/paths.h"
#include "store/job_database.h"
#include "store/settings_io.h"
#include "support/temp_dir.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/main_window.h"
#include "ui/options/options_forms.h"
#include "ui/options/options_sheet.h"
#include "ui/options/proxy_list_edit.h"
#include "ui/options/proxy_setting_dialog.h"
#include "unit/ui/quiet_session.h"

namespace fw {
namespace {

// ---- The pages without widgets ----

TEST(OptionsForms, ConnectionChecksInOrderWithTheirBounds) {
  using F = ConnectionPage;
  struct Case {
    F::Field field;
    const char* typed;
    const char* warning;  // "" accepted
  };
  const char* k30 = "Please enter an integer between 30 and 600.";
  const char* k1 = "Please enter an integer between 1 and 600.";
  const char* k10 = "Please enter an integer between 1 and 10.";
  const char* kRetry = "Please enter an integer between 1 and 9999 ";
  const char* kBand = "Please enter an integer between 1800 and 2147483647.";
  const Case cases[] = {
      {F::kConnOut, "30", ""},
      {F::kConnOut, "600", ""},
      {F::kConnOut, "29", k30},
      {F::kConnOut, "601", k30},
      {F::kConnOut, "abc", k30},
      {F::kConnOut, "", k30},
      {F::kDataOut, "29", k30},
      {F::kDataOut, " 45 ", ""},
      {F::kRelayt, "1", ""},
      {F::kRelayt, "0", k1},
      {F::kRelayt, "-5", k1},
      {F::kSimuRole, "10", ""},
      {F::kSimuRole, "11", k10},
      {F::kSimuRole, "0", k10},
      {F::kRetryNum, "60000", ""},
      {F::kRetryNum, "60001", kRetry},
      {F::kRetryNum, "0", kRetry},
      {F::kBandWidth, "1800", ""},
      {F::kBandWidth, "1799", kBand},
      {F::kBandWidth, "2147483647", ""},
      {F::kBandWidth, "2147483648", kBand},
      {F::kManualBand, "10000", ""},  // equal to the line speed below
      {F::kManualBand, "10001", "Please enter an integer between 400 and 10000."},
      {F::kManualBand, "399", "Please enter an integer between 400 and 10000."},
      {F::kAutoBand, "120", ""},
      {F::kAutoBand, "119", "Please enter an integer between 120 and 10000."},
      {F::kAutoBand, "10001", "Please enter an integer between 120 and 10000."},
  };
  for (const Case& c : cases) {
    ConnectionPage p = ConnectionPage::load(ConnectionSettings{});
    p.chooseType(ConnectionPage::kOtherType);
    if (c.field != F::kBandWidth) p.edits[F::kBandWidth] = "10000";
    p.edits[F::kManualBand] = p.edits[F::kAutoBand] = "400";
    p.edits[c.field] = c.typed;
    FieldError e = p.check();
    EXPECT_EQ(e.message, c.warning) << c.field << " '" << c.typed << "'";
    if (*c.warning) EXPECT_EQ(e.field, c.field) << c.typed;
  }
  // The first failing check wins.
  ConnectionPage p = ConnectionPage::load(ConnectionSettings{});
  p.edits[F::kRelayt] = "0";
  p.edits[F::kDataOut] = "1";
  EXPECT_EQ(p.check().field, F::kDataOut);
}

TEST(OptionsForms, PresetsFillTheTrafficEditsAndOtherKeepsThem) {
  ConnectionPage p = ConnectionPage::load(ConnectionSettings{});
  EXPECT_FALSE(p.speedEditable());
  p.chooseType(3);
  EXPECT_EQ(p.edits[ConnectionPage::kBandWidth], "7000");
  EXPECT_EQ(p.edits[ConnectionPage::kManualBand], "1200");
  EXPECT_EQ(p.edits[ConnectionPage::kAutoBand], "800");
  p.edits[ConnectionPage::kManualBand] = "999";
  p.chooseType(ConnectionPage::kOtherType);
  EXPECT_TRUE(p.speedEditable());
  EXPECT_EQ(p.edits[ConnectionPage::kBandWidth], "7000");
  EXPECT_EQ(p.edits[ConnectionPage::kManualBand], "999");
  p.alwaysRetry = true;
  ConnectionSettings c;
  c.connType = 0x20 | 0x08;  // a bit the page does not own
  ASSERT_TRUE(p.check().ok());
  p.store(c);
  EXPECT_EQ(c.connType, 0x20u | 0x10u | 10u);
  EXPECT_EQ(c.manaulBand, 999u);
}

TEST(OptionsForms, GeneralDependentEditsAndUnits) {
  struct Case {
    uint32_t checks;
    const char *minutes, *buffer, *segment;
    const char* warning;
    uint32_t seconds = 0, bufferKb = 0, segmentBytes = 0;
  };
  const uint32_t kBoth = generalcheck::kAutoSave | generalcheck::kWriteEvery;
  const Case cases[] = {
      {kBoth, "1", "16", "10", "", 60, 16, 10240},
      {kBoth, "1080", "8192", "102400", "", 1080 * 60, 8192, 102400u * 1024},
      {kBoth, "0", "16", "10", "Please enter an integer between 1 and 1080 "},
      {kBoth, "1081", "16", "10", "Please enter an integer between 1 and 1080 "},
      {kBoth, "5", "15", "10", "Please enter an integer between 16 and 8192 "},
      {kBoth, "5", "8193", "10", "Please enter an integer between 16 and 8192 "},
      {kBoth, "5", "16", "9", "Please enter an integer between 10 and 102400 "},
      {kBoth, "5", "16", "102401", "Please enter an integer between 10 and 102400 "},
      {kBoth, "x", "y", "z", "Please enter an integer between 1 and 1080 "},
      // Unchecked: the edits are neither checked nor stored.
      {0, "junk", "junk", "10", "", 1020, 4096, 10240},
  };
  for (const Case& c : cases) {
    GeneralPage p{c.checks, c.minutes, c.buffer, c.segment};
    EXPECT_EQ(p.check().message, c.warning) << c.minutes << "/" << c.buffer << "/" << c.segment;
    if (*c.warning) continue;
    GeneralSettings g;
    g.generalCheck = 0x7000;  // bits of other options
    p.store(g);
    EXPECT_EQ(g.generalCheck, 0x7000u | c.checks);
    EXPECT_EQ(g.autoSaveSeconds, c.seconds);
    EXPECT_EQ(g.bufferSize, c.bufferKb);
    EXPECT_EQ(g.minSegmentBytes, c.segmentBytes);
  }
}

TEST(OptionsForms, OtherPagesBoundsScaleAndDialUp) {
  struct Case {
    const char* typed;
    const char* warning;
  };
  for (const Case& c :
       {Case{"1", ""}, Case{"1000", ""}, Case{"0", "Please enter an integer between 1 and 1000 "},
        Case{"1001", "Please enter an integer between 1 and 1000 "},
        Case{"7kb", "Please enter an integer between 1 and 1000 "}}) {
    GraphPage g = GraphPage::load(ColorSettings{});
    g.scale = c.typed;
    EXPECT_EQ(g.check().message, c.warning) << c.typed;
  }
  struct DialCase {
    const char *times, *wait, *warning;
  };
  for (const DialCase& c : {DialCase{"1", "1", ""}, DialCase{"100", "60", ""},
                            DialCase{"0", "1", "Please enter an integer between 1 and 100"},
                            DialCase{"101", "1", "Please enter an integer between 1 and 100"},
                            DialCase{"5", "0", "Please enter an integer between 1 and 60"},
                            DialCase{"5", "61", "Please enter an integer between 1 and 60"}}) {
    DialUpPage d = DialUpPage::load(DialUpSettings{}, {"Fetchwright Never Dial", "Work"});
    d.selected = 1;
    d.times = c.times;
    d.wait = c.wait;
    EXPECT_EQ(d.check().message, c.warning) << c.times << "/" << c.wait;
    d.selected = 0;
    EXPECT_TRUE(d.check().ok()) << "disabled details are not checked";
  }
}

TEST(OptionsForms, StoredValuesOutOfRangeAreBroughtIntoThePagesRange) {
  Settings s;
  s.connection.simuRole = 0;
  s.connection.retryNum = 0;
  s.connection.autoBand = 110;     // the load accepts 100 and more, the page 120
  s.connection.manaulBand = 9000;  // above the line speed
  s.connection.bandWidth = 4200;
  s.connection.connType = 11;  // no such entry in the list
  s.general.autoSaveSeconds = 5000 * 60;
  s.general.sStartTime = 30 << 8 | 75;
  s.protocol.userAgent = 40;
  s.dialUp.times = 0;
  s.dialUp.dialTitle = "Gone";
  s.general.mFlags = 0x0F;  // both radio pairs 3
  ConnectionPage c = ConnectionPage::load(s.connection);
  EXPECT_EQ(c.edits[ConnectionPage::kSimuRole], "1");
  EXPECT_EQ(c.edits[ConnectionPage::kRetryNum], "1");
  EXPECT_EQ(c.edits[ConnectionPage::kAutoBand], "120");
  EXPECT_EQ(c.edits[ConnectionPage::kManualBand], "4200");
  EXPECT_EQ(c.typeIndex, 8);
  EXPECT_TRUE(c.check().ok());
  GeneralPage g = GeneralPage::load(s.general);
  EXPECT_EQ(g.autoSaveMinutes, "1080");
  EXPECT_EQ(SchedulePage::load(s.general).start, 23 * 60 + 59);
  EXPECT_EQ(ProtocolPage::load(s.protocol).agent, 4);
  DialUpPage d = DialUpPage::load(s.dialUp, {"Fetchwright Never Dial", "Work"});
  EXPECT_EQ(d.selected, 0) << "a stored name the list lacks selects the first";
  EXPECT_EQ(d.times, "1");
  FileManagerPage f = FileManagerPage::load(s.general);
  EXPECT_EQ(f.finished, 0);
  EXPECT_EQ(f.exists, 0);
}

TEST(OptionsForms, PagesKeepTheBitsTheyDoNotOwn) {
  GeneralSettings g;
  g.monitor = 0x80 | 0x01;  // "shut down when done" belongs to the toolbar
  MonitorPage{0x22, ".zip;.iso"}.store(g);
  EXPECT_EQ(g.monitor, 0xA2u);
  EXPECT_EQ(g.monitorType, ".ZIP;.ISO");
  g.mFlags = 0x100;
  FileManagerPage{2, 1, true, "/usr/bin/clamscan", "--quiet", ".ZIP"}.store(g);
  EXPECT_EQ(g.mFlags, 0x100u | 0x10u | 0x04u | 2u);
  SchedulePage{8 * 60 + 30, 17 * 60 + 5, 0x1F}.store(g);
  EXPECT_EQ(g.sStartTime, 0x081Eu);
  EXPECT_EQ(g.sStopTime, 0x1105u);
  EXPECT_EQ(g.flagOne, 0x1Fu);
  ColorSettings c;
  c.flag = 0x04 | 0x03;
  c.alpha = 99;
  GraphPage p = GraphPage::load(c);
  p.colors.flag = 0;
  p.colors.alpha = 1;
  p.reset();
  p.store(c);
  EXPECT_EQ(c.flag, 0x04u);
  EXPECT_EQ(c.alpha, 99u) << "not the page's";
  EXPECT_EQ(c.blockBack, 0xC0C0C0u);
  EXPECT_EQ(c.blockText, 0x660000u);
  EXPECT_EQ(c.progressCor, 0xA3A3A3u);
}

TEST(OptionsForms, OtherTreeRadioGroupsAndChecks) {
  auto item = [](const char* sub, const char* label) {
    for (const OtherItem& o : otherItems())
      if (std::string(o.label) == label && (!sub || (o.sub && std::string(o.sub) == sub))) return o;
    ADD_FAILURE() << label;
    return otherItems().front();
  };
  uint32_t f = GeneralSettings::kOtherFlagDefault;  // 0x0C641F
  f = otherItemClicked(f, item("Download Job", "Comment"));
  EXPECT_EQ(f & 0xC0, 0x80u);
  EXPECT_TRUE(otherItemOn(f, item("Download Job", "Comment")));
  EXPECT_FALSE(otherItemOn(f, item("Download Job", "Start/Stop")));
  f = otherItemClicked(f, item("Failed Download job", "Edit"));
  EXPECT_EQ(f & 0xC00, 0x400u);
  f = otherItemClicked(f, item("Successful download job", "View"));
  EXPECT_EQ(f & 0x300, 0u);
  uint32_t before = f;
  f = otherItemClicked(f, item(nullptr, "Display file size in bytes "));
  EXPECT_EQ(f ^ before, 0x10000u);
  f = otherItemClicked(f, item(nullptr, "Display file size in bytes "));
  EXPECT_EQ(f, before);
  EXPECT_EQ(otherItemClicked(0, item(nullptr, "Allocates disk space get filesize")), 0x80000u);
  EXPECT_EQ(otherItemClicked(0xFF000000, item(nullptr, "When a URL is dropped on the DropZone")),
            0xFF000004u)
      << "the bandwidth mode byte stays";
}

ProxyRecord proxy(const char* title, uint8_t type = kProxyHttpConnect) {
  ProxyRecord r;
  r.title = title;
  r.server = "127.0.0.1";
  r.port = 3128;
  r.type = type;
  return r;
}

// The defaults are stored as the proxy indexes new jobs take ("Proxy1" is 1).
TEST(ProxyList, DeleteKeepsDefaultsAndJobsPointingAtTheSameRecords) {
  ProxySettings s;
  s.proxies = {ProxySettings::directConnection(), proxy("A"), proxy("B"), proxy("C")};
  s.defaultHttp = 4;  // C
  s.defaultFtp = 2;   // A
  ProxyListEdit list(s);
  EXPECT_EQ(list.defaultHttp(), 3);
  list.add(proxy("D"));
  list.replace(2, proxy("B2"));
  EXPECT_TRUE(list.jobIndexes().empty()) << "adding and editing move no index";
  EXPECT_FALSE(list.remove(0)) << "the first row stays";
  EXPECT_FALSE(list.remove(5));
  ASSERT_TRUE(list.remove(1));
  EXPECT_EQ(list.defaultFtp(), 0) << "a deleted default falls back to the first row";
  EXPECT_EQ(list.defaultHttp(), 2) << "still C";
  EXPECT_EQ(list.jobIndexes(), (std::vector<int>{0, 1, 1, 2, 3})) << "A's jobs go direct";
  list.store(s);
  ASSERT_EQ(s.proxies.size(), 4u);
  EXPECT_EQ(s.proxies[2].title, "C");
  EXPECT_EQ(s.defaultHttp, 3u);
  EXPECT_EQ(s.defaultFtp, 0u) << "the direct connection keeps the stored default 0";
  for (uint32_t index : {0u, 1u, 9u}) {
    s.defaultHttp = index;
    EXPECT_EQ(ProxyListEdit(s).defaultHttp(), 0) << index << " means the direct connection";
  }
}

TEST(ProxyList, SettingDialogChecks) {
  struct Case {
    int type;
    const char *title, *server, *port;
    const char* warning;
  };
  const Case cases[] = {
      {kProxyHttpConnect, "", "h", "80", kProxyTitleText},
      {kProxyHttpConnect, "  ", "h", "80", kProxyTitleText},
      {kProxySocks5, "s", "", "1080", kProxyServerText},
      {kProxySocks5, "s", "h", "0", kProxyPortText},
      {kProxySocks5, "s", "h", "", kProxyPortText},
      {kProxySocks4, "s", "h", "65536", kProxyPortText},
      {kProxySocks4, "s", "h", "65535", ""},
      {kProxyDirect, "d", "", "", ""},
  };
  for (const Case& c : cases) {
    ProxyForm f;
    f.type = c.type;
    f.title = c.title;
    f.server = c.server;
    f.port = c.port;
    EXPECT_EQ(f.check().message, c.warning) << c.title << "/" << c.server << "/" << c.port;
  }
  ProxyForm f = ProxyForm::load(proxy("P"));
  f.user = "u";
  f.pass = "p";
  EXPECT_EQ(f.record().user, "") << "no login without Authenticate";
  f.flags |= proxyflags::kAuthenticate;
  EXPECT_EQ(f.record().pass, "p");
  f.type = kProxyDirect;
  EXPECT_EQ(f.record().port, 0);
}

// ---- The sheet ----

struct Boxes : MessageBoxes {
  std::vector<std::string> shown;
  int show(const std::string& text, BoxIcon, BoxButtons) override {
    shown.push_back(text);
    return kBoxOk;
  }
};

class Host : public OptionsHost {
 public:
  Settings& settings() override { return s; }
  Registry& registry() override { return reg; }
  MessageBoxes& boxes() override { return box; }
  std::vector<std::string> dialEntries() override { return {kNeverDialEntry, "Work"}; }
  void clipboardWatch(bool on) override { watch.push_back(on); }
  void colorsChanged() override { ++colors; }
  void proxiesMoved(const std::vector<int>& newIndexOf) override { moved.push_back(newIndexOf); }
  void playSound(const std::string&) override {}
  void settingsApplied() override {}

  test::TempDir dir{"fw-options"};
  Registry reg{dir.file("registry.reg")};
  Settings s;
  Boxes box;
  std::vector<bool> watch;
  std::vector<std::vector<int>> moved;
  int colors = 0;
};

template <typename T>
T* child(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(c, nullptr) << name;
  return c;
}

TEST(OptionsSheet, RefusedValueKeepsThePageWithTheFocusOnTheEdit) {
  Host host;
  OptionsSheet sheet(host, 1, nullptr);
  sheet.show();
  QApplication::setActiveWindow(&sheet);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
  QLineEdit* relayt = child<QLineEdit>(sheet, "relayt");
  relayt->setText("0");
  EXPECT_FALSE(sheet.showPage(5));
  EXPECT_EQ(sheet.tabs()->currentIndex(), 1);
  ASSERT_EQ(host.box.shown, std::vector<std::string>{"Please enter an integer between 1 and 600."});
  EXPECT_TRUE(relayt->hasFocus());
  EXPECT_EQ(relayt->selectedText(), "0");
  EXPECT_EQ(host.s.connection.relayt, ConnectionSettings::kRelaytDefault) << "nothing stored";
  sheet.accept();
  EXPECT_EQ(host.box.shown.size(), 2u) << "OK checks the page too";
  EXPECT_TRUE(sheet.isVisible());
  relayt->setText("7");
  EXPECT_TRUE(sheet.showPage(5));
  EXPECT_EQ(host.s.connection.relayt, 7u);
}

TEST(OptionsSheet, ProxyPageRenumbersTheRegistryAndMonitorPageWritesAtOnce) {
  Host host;
  host.s.proxy.proxies = {ProxySettings::directConnection(), proxy("A"), proxy("B"), proxy("C")};
  ASSERT_TRUE(proxySettingsIo(host.reg, host.s.proxy, kSettingsSave));
  host.s.general.monitor = 0x80;
  OptionsSheet sheet(host, 2, nullptr);
  sheet.show();
  auto* list = child<QTreeWidget>(sheet, "proxies");
  auto* del = child<QPushButton>(sheet, "deleteProxy");
  list->setCurrentItem(list->topLevelItem(0));
  del->click();
  EXPECT_EQ(list->topLevelItemCount(), 4) << "the first row cannot be deleted";
  list->setCurrentItem(list->topLevelItem(2));  // B
  del->click();
  EXPECT_FALSE(
      host.reg.keyExists(RegRoot::CurrentUser, std::string(settingkeys::kProxy) + "\\Proxy4"));
  ASSERT_TRUE(sheet.showPage(4));
  ProxySettings fromRegistry;
  ASSERT_TRUE(proxySettingsIo(host.reg, fromRegistry, kSettingsLoad));
  ASSERT_EQ(fromRegistry.proxies.size(), 3u);
  EXPECT_EQ(fromRegistry.proxies[1].title, "A");
  EXPECT_EQ(fromRegistry.proxies[2].title, "C");
  EXPECT_EQ(host.moved, (std::vector<std::vector<int>>{{0, 1, 2, 1, 3}})) << "B's jobs go direct";

  child<QCheckBox>(sheet, "clipMonitor")->setChecked(true);
  child<QLineEdit>(sheet, "monitorType")->setText(".iso");
  ASSERT_TRUE(sheet.showPage(10));
  uint32_t monitor = 0;
  host.reg.queryDword(RegRoot::CurrentUser, settingkeys::kGeneral, "Monitor", monitor);
  EXPECT_EQ(monitor, 0x81u);
  EXPECT_EQ(host.watch, std::vector<bool>{true});
  ASSERT_TRUE(sheet.showPage(4));
  child<QCheckBox>(sheet, "clipMonitor")->setChecked(false);
  ASSERT_TRUE(sheet.showPage(10));
  EXPECT_EQ(host.watch, (std::vector<bool>{true, false}));
  EXPECT_EQ(host.s.general.monitor, 0x80u);
  EXPECT_EQ(host.s.general.monitorType, ".ISO");
  ASSERT_TRUE(sheet.showPage(2));
  ASSERT_TRUE(sheet.showPage(10));
  EXPECT_EQ(host.moved.size(), 1u) << "leaving again without deleting moves nothing";
}

TEST(OptionsSheet, ProxySettingDialogStaysOpenAfterAWarning) {
  Boxes boxes;
  ProxyRecord fresh;
  fresh.type = kProxySocks5;
  ProxySettingDialog d(fresh, boxes, nullptr);
  d.show();
  QApplication::setActiveWindow(&d);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
  child<QLineEdit>(d, "title")->setText("Tunnel");
  child<QLineEdit>(d, "port")->setText("1080");
  d.accept();
  EXPECT_EQ(boxes.shown, std::vector<std::string>{kProxyServerText});
  EXPECT_TRUE(d.isVisible());
  EXPECT_TRUE(child<QLineEdit>(d, "server")->hasFocus());
  child<QRadioButton>(d, "type0")->click();  // "Direct Connection"
  EXPECT_FALSE(child<QLineEdit>(d, "server")->isEnabled());
  EXPECT_FALSE(child<QLineEdit>(d, "port")->isEnabled());
  d.accept();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(d.record().type, kProxyDirect);
  EXPECT_EQ(d.record().port, 0) << "a direct connection has no port";
}

TEST(OptionsSheet, OtherTreeTakesEffectAtTheClick) {
  Host host;
  OptionsSheet sheet(host, 10, nullptr);
  sheet.show();
  auto* tree = child<QTreeWidget>(sheet, "otherTree");
  QTreeWidgetItem* comment = nullptr;
  for (QTreeWidgetItem* it : tree->findItems("Comment", Qt::MatchExactly | Qt::MatchRecursive))
    if (it->parent()->text(0) == "Download Job") comment = it;
  ASSERT_NE(comment, nullptr);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(comment).center());
  EXPECT_EQ(host.s.general.otherFlag & 0xC0, 0x80u) << "stored before the page is left";
  EXPECT_EQ(comment->checkState(0), Qt::Checked);
  sheet.reject();
  EXPECT_EQ(host.s.general.otherFlag & 0xC0, 0x80u);
}

// From the main window: the Options command opens the sheet; OK stores, applies and
// writes the settings.
TEST(OptionsSheet, OpenedFromTheMainWindowOkStoresAndWrites) {
  test::QuietSession quiet("fw-options-window");
  DesktopSession& session = quiet.session;
  MainWindow window(session);
  Boxes boxes;
  window.setPrompts(&boxes, nullptr, nullptr);
  std::string error;
  ASSERT_TRUE(session.openStartupDatabase("", nullptr, &error)) << error;
  window.startUp();

  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* sheet = qobject_cast<OptionsSheet*>(QApplication::activeModalWidget());
    ASSERT_NE(sheet, nullptr);
    seen = true;
    EXPECT_EQ(sheet->tabs()->currentIndex(), 0);
    EXPECT_EQ(window.modalDepth(), 1);
    QCheckBox* autoSave = nullptr;
    for (QCheckBox* b : sheet->findChildren<QCheckBox*>())
      if (b->text() == "Auto save listed file every ") autoSave = b;
    ASSERT_NE(autoSave, nullptr);
    autoSave->setChecked(true);
    child<QLineEdit>(*sheet, "autoSaveMinutes")->setText("30");
    ASSERT_TRUE(sheet->showPage(1));
    child<QLineEdit>(*sheet, "dataOut")->setText("120");
    ASSERT_TRUE(sheet->showPage(8));
    ASSERT_TRUE(sheet->showPage(5));
    child<QLineEdit>(*sheet, "scale")->setText("50");
    sheet->accept();
  });
  window.refreshCommands();
  ASSERT_TRUE(window.commands().run(cmd::kOptions));
  ASSERT_TRUE(seen);
  EXPECT_EQ(window.modalDepth(), 0);
  const Settings& s = session.settings();
  EXPECT_EQ(s.general.autoSaveSeconds, 30u * 60);
  EXPECT_EQ(s.connection.dataOut, 120u);
  EXPECT_EQ(s.color.scale, 50u);
  uint32_t v = 0;
  session.registry().queryDword(RegRoot::CurrentUser, settingkeys::kConnection, "DataOut", v);
  EXPECT_EQ(v, 120u);
  session.registry().queryDword(RegRoot::CurrentUser, settingkeys::kGeneral, "AutoSaveTime", v);
  EXPECT_EQ(v, 30u);
  session.registry().queryDword(RegRoot::CurrentUser, settingkeys::kColor, "Scale", v);
  EXPECT_EQ(v, 50u);

  // Connect/Disconnect with no connection chosen: the sheet on its dial-up page.
  int shownPage = -1;
  QTimer::singleShot(0, [&] {
    if (auto* sheet = qobject_cast<OptionsSheet*>(QApplication::activeModalWidget())) {
      shownPage = sheet->tabs()->currentIndex();
      sheet->reject();
    }
  });
  window.refreshCommands();
  ASSERT_TRUE(window.commands().run(cmd::kConnect));
  EXPECT_EQ(shownPage, OptionsSheet::kDialUpPage);
  window.quitQuietly();
}

}  // namespace
}  // namespace fw
