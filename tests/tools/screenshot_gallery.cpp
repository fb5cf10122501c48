// Renders the desktop program's windows into PNG files for the documentation: the main
// window over a demonstration home (fw_demo_home) with a job running against a local web
// server (queue view with the log, the detail tab, the "Downloaded" view), its menus, and
// each of its dialogs. It runs the program's own window and session classes on the
// display it is given; nothing of it is part of the program.
//
//   FETCHWRIGHT_HOME=HOME fw_screenshot_gallery OUTDIR [SECONDS-OF-DOWNLOAD]

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "engine/net/tls_functions.h"
#include "engine/role/role_worker.h"
#include "platform/dialup/simulated_dialup.h"
#include "store/job_database.h"
#include "ui/dialogs/batch_dialog.h"
#include "ui/dialogs/category_dialogs.h"
#include "ui/dialogs/column_dialog.h"
#include "ui/dialogs/dialing_dialog.h"
#include "ui/dialogs/find_dialog.h"
#include "ui/dialogs/property_sheet.h"
#include "ui/dialogs/select_url_logic.h"
#include "ui/dialogs/select_url_window.h"
#include "ui/dialogs/small_dialogs.h"
#include "ui/dialogs/text_dialogs.h"
#include "ui/dialogs/toolbar_dialog.h"
#include "ui/dialogs/update_dialogs.h"
#include "ui/html_export/html_export_dialog.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/loop_driver.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/menus.h"
#include "ui/main_window/toolbar_buttons.h"
#include "ui/options/options_sheet.h"
#include "ui/options/proxy_setting_dialog.h"
#include "ui/panes/job_list_model.h"
#include "ui/panes/role_tree_model.h"

namespace {

using namespace fw;

QString g_out;
int g_failures = 0;

void save(QWidget* w, const char* name) {
  QApplication::processEvents();
  QPixmap shot = w->grab();
  QString path = g_out + "/" + name + ".png";
  if (!shot.save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    ++g_failures;
    return;
  }
  std::printf("%s\n", qPrintable(path));
}

// Shows `dialog` without waiting for it, saves it and closes it.
void shoot(QDialog& dialog, const char* name) {
  dialog.show();
  QApplication::processEvents();
  save(&dialog, name);
  dialog.hide();
}

void waitMs(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void menuShot(QMenu* menu, const char* name) {
  menu->popup(QPoint(200, 200));
  QApplication::processEvents();
  waitMs(150);
  save(menu, name);
  menu->hide();
}

// Stand-in answers while the gallery opens dialogs by itself.
struct Quiet : MessageBoxes {
  int show(const std::string&, BoxIcon, BoxButtons) override { return kBoxNo; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fw_screenshot_gallery OUTDIR [SECONDS]\n");
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  g_out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  QDir().mkpath(g_out);
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 8;

  loadTlsLibraries();
  DesktopSession::Options options;
  options.roleEntry = [](RoleRecord& role) { runRoleWorker(role); };
  DesktopSession session(options);
  session.loadSettings();
  MainWindow window(session);
  LoopDriver driver(session.loop());
  std::string error;
  if (!session.openStartupDatabase("", nullptr, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  window.startUp();
  window.resize(1180, 760);
  waitMs(seconds * 1000);

  // The queue with the running job shown: its log, then its details.
  window.selectJobs({window.jobModel().jobAt(0)});
  waitMs(1500);
  window.tabs()->setCurrentIndex(0);
  save(&window, "main-queue-log");
  window.tabs()->setCurrentIndex(1);
  waitMs(1100);
  save(&window, "main-queue-detail");
  QModelIndex role2 = window.roleModel().roleIndex(2);
  if (role2.isValid()) {
    window.roleView()->setCurrentIndex(role2);
    waitMs(300);
    save(&window, "main-role-detail");
  }
  window.tabs()->setCurrentIndex(0);
  // The DropZone over the running job, with its graph and without; four times enlarged
  // as well, to be looked at.
  if (DropZone* zone = window.dropZone()) {
    for (bool graph : {true, false}) {
      DropZoneLook look = zone->look();
      look.graph = graph;
      zone->setLook(look);
      const char* name = graph ? "dropzone-graph" : "dropzone-plain";
      save(zone, name);
      QPixmap big = zone->grab().scaled(zone->size() * 4);
      big.save(g_out + "/" + name + "-x4.png");
    }
  }
  // A stopped job with holes in its file.
  window.selectJobs({window.jobModel().jobAt(2)});
  window.tabs()->setCurrentIndex(1);
  waitMs(300);
  save(&window, "main-stopped-job");
  window.tabs()->setCurrentIndex(0);

  // Menus.
  window.selectJobs({window.jobModel().jobAt(0)});
  window.refreshCommands();
  menuShot(buildQueueMenu(window.commands(), &window), "menu-queue");
  menuShot(buildTrayMenu(window.commands(), &window), "menu-tray");
  QMenu* proxies = nullptr;
  menuShot(buildRoleMenu(window.commands(), &window, &proxies), "menu-role");
  for (QAction* top : window.menuBar()->actions()) {
    if (top->text().startsWith(QStringLiteral("Download"))) menuShot(top->menu(), "menu-download");
    if (top->text().startsWith(QStringLiteral("File"))) menuShot(top->menu(), "menu-file");
  }

  // "Downloaded" and a category of the user's.
  window.showCategory(*session.tree().findCategory(kCategoryDownloaded));
  window.selectJobs({window.jobModel().jobAt(0)});
  waitMs(300);
  save(&window, "main-downloaded");
  window.refreshCommands();
  menuShot(buildDoneMenu(window.commands(), &window), "menu-downloaded");

  // The dialogs of the main window.
  Quiet quiet;
  JobRecord* job = window.jobModel().jobAt(0);
  CategoryTree& tree = session.tree();
  CategoryUi ui{&quiet, nullptr, nullptr};
  {
    CommentDialog d(*job, quiet, &window);
    shoot(d, "dialog-comment");
  }
  {
    RenameDialog d(*job, quiet, &window);
    shoot(d, "dialog-rename");
  }
  {
    FindQuery q;
    q.text = "iso";
    FindDialog d(q, {"setup", "iso"}, &window);
    shoot(d, "dialog-find");
  }
  {
    ColumnDialog d(session.settings().downSet.download, true, &window);
    shoot(d, "dialog-columns");
  }
  {
    CategoryDialog d(tree, *tree.findCategory(kCategoryDownloaded), ui,
                     CategoryDialog::Mode::Create, &window);
    d.setFields("Podcasts", session.settings().general.defaultPath + "/Podcasts");
    shoot(d, "dialog-new-category");
  }
  {
    CategoryRecord* music = tree.findCategory(6);
    CategoryDialog d(tree, *music, ui, CategoryDialog::Mode::Edit, &window);
    shoot(d, "dialog-edit-category");
  }
  {
    CategoryPropertiesDialog d(*tree.findCategory(kCategoryDownloaded), &window);
    shoot(d, "dialog-category-properties");
  }
  {
    MoveCategoryDialog d(tree, *tree.findCategory(6), ui, &window);
    shoot(d, "dialog-move-category");
  }
  {
    AboutDialog d("https://fetchwright.example.org/", &window);
    shoot(d, "dialog-about");
  }
  {
    HtmlExportDialog d(tree, tree.findCategory(kCategoryDownloaded), false, quiet, &window);
    shoot(d, "dialog-export-html");
  }
  {
    PermanentDeleteDialog d(&window);
    shoot(d, "dialog-permanent-delete");
  }
  {
    std::vector<int> mine = defaultToolbar();
    mine.erase(std::remove_if(mine.begin(), mine.end(),
                              [](int id) { return id == cmd::kAddBatch || id == cmd::kHomePage; }),
               mine.end());
    ToolbarDialog d(mine, &window);
    shoot(d, "dialog-toolbar");
  }
  {
    BackupChooserDialog d(&window);
    QTimer::singleShot(300, &d, [&d] {
      save(&d, "dialog-restore-backup");
      d.reject();
    });
    d.choose({{"/home/user/.local/share/fetchwright/Default.bak1", "12/06/2026 21:14:03"},
              {"/home/user/.local/share/fetchwright/Default.bak2", "12/07/2026 08:02:51"}});
  }
  {
    struct NoActions : EndOfWorkActions {
      void saveAll() override {}
      void powerOffFailed(const std::string&) override {}
      void closeProgram() override {}
    } none;
    EndOfWorkCountdown countdown(session.loop(), 30, "Fetchwright will ShutDown in %d seconds",
                                 true, none, nullptr);
    auto* view = new CountdownWindow(countdown, &window);
    countdown.start(view);
    view->show();
    waitMs(1200);
    save(view, "dialog-countdown");
    countdown.cancel();
  }
  {
    // The options sheet on every page, with a few proxies in the list.
    ProxyRecord office;
    office.title = "Office proxy";
    office.server = "proxy.example.org";
    office.port = 3128;
    office.type = kProxyHttpConnect;
    office.flags = proxyflags::kNoCache | proxyflags::kPassive;
    ProxyRecord tunnel = office;
    tunnel.title = "SSH tunnel";
    tunnel.server = "127.0.0.1";
    tunnel.port = 1080;
    tunnel.type = kProxySocks5;
    ProxySettings& proxies = session.settings().proxy;
    proxies.proxies = {ProxySettings::directConnection(), office, tunnel};
    proxies.defaultHttp = 2;  // the office proxy
    QTimer::singleShot(300, [] {
      auto* sheet = qobject_cast<OptionsSheet*>(QApplication::activeModalWidget());
      if (!sheet) {
        std::fprintf(stderr, "the options sheet did not open\n");
        ++g_failures;
        return;
      }
      for (int i = 0; i < OptionsSheet::kPageCount; ++i) {
        sheet->showPage(i);
        QString name = QString::fromLatin1(OptionsSheet::kCaptions[static_cast<size_t>(i)])
                           .toLower()
                           .replace(QRegularExpression(QStringLiteral("[^a-z]+")), "-");
        save(sheet, qPrintable(QStringLiteral("options-%1-%2").arg(i).arg(name)));
      }
      sheet->reject();
    });
    window.showOptions(0);
    ProxySettingDialog d(office, quiet, &window);
    shoot(d, "dialog-proxy-setting");
  }
  {
    // The job property sheet on each page, for the running job.
    PropertySheet d(session.settings(), tree, jobValues(*job), quiet, &window);
    d.show();
    for (int page = 0; page < d.tabs()->count(); ++page) {
      d.tabs()->setCurrentIndex(page);
      static const char* names[] = {"dialog-property-general", "dialog-property-advanced",
                                    "dialog-property-alternate"};
      save(&d, names[page]);
    }
    d.hide();
  }
  {
    std::vector<UrlRow> rows = {
        {"Setup program", "http://downloads.example.org/tools/setup.exe", "setup.exe"},
        {"Source archive", "http://downloads.example.org/src/app-2.4.tar.gz", "app-2.4.tar.gz"},
        {"Manual (PDF)", "https://docs.example.com/manual.pdf", "manual.pdf"},
        {"Sound track", "http://media.example.net/track01.mp3", "track01.mp3"},
        {"Release notes", "https://docs.example.com/notes/", "index.htm"}};
    auto* w = new SelectUrlWindow(rows, nullptr, &window);
    w->setTicked(2, false);
    w->show();
    save(w, "window-select-url");
    SelectLinkDialog link(linkHosts(rows), linkExtensions(rows), &window);
    link.hostList()->item(1)->setCheckState(Qt::Unchecked);
    shoot(link, "dialog-select-link");
    w->close();
  }
  {
    BatchDialog d(&window);
    d.setForm({"http://images.example.org/gallery/img*.jpg", "1", "120", 3});
    shoot(d, "dialog-batch");
    d.setForm({"http://images.example.org/gallery/img[1-.jpg", "", "", 0});
    shoot(d, "dialog-batch-malformed");
  }

  {
    UpdateEndpoint e;
    e.downloadPage = "https://fetchwright.example/download.html";
    UpdateChecker checker(session.loop(), e);
    UpdateDialog d(session.loop(), checker, &window, [](const std::string&) {});
    shoot(d, "dialog-check-version");
    NewerVersionDialog offer(e.downloadPage, &window);
    shoot(offer, "dialog-newer-version");
  }
  {
    // A dial that fails once and waits for its redial; it abandons the queue when closed,
    // so it comes last.
    DialScript script;
    std::string why;
    parseDialScript(
        "entry ISP Dial\ntext 691 Access was denied because the user name or "
        "password is not valid.\nattempt\nafter 100 state 0\nafter 100 state 2\n"
        "after 100 state 5\nafter 100 fail 691\n",
        script, why);
    session.useDialup(&why, std::make_unique<SimulatedDialup>(session.loop(), script));
    session.settings().dialUp.wDialup = 1;
    session.settings().dialUp.dialTitle = "ISP Dial";
    session.settingsChanged();
    session.dial()->requestDial(0);
    waitMs(900);
    if (DialingWindow* w = session.dial()->dialingWindow()) {
      if (auto* d = window.findChild<DialingDialog*>()) save(d, "dialog-dialing");
      w->close();
    }
  }

  window.quitQuietly();
  unloadTlsLibraries();
  return g_failures == 0 ? 0 : 1;
}
