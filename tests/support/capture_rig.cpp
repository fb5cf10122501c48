#include "support/capture_rig.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "capture/host/host_manifests.h"
#include "platform/registry.h"

namespace fw::test {

namespace {

using nlohmann::json;

const char kGeneralKey[] = "Software\\Fetchwright\\Fetchwright\\General\\";
constexpr size_t kArchiveSize = 1 << 20;
constexpr size_t kBenchArchiveSize = 256 << 10;

std::string bytesFor(const std::string& name, size_t size) {
  std::mt19937 gen(static_cast<uint32_t>(std::hash<std::string>{}(name)));
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(gen() & 0xFF);
  return out;
}

// A process that has exited is gone or a zombie nobody reaped yet.
bool processGone(int pid) {
  if (::kill(pid, 0) != 0) return true;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

}  // namespace

CaptureRig::CaptureRig(CaptureRigOptions options) : m_o(std::move(options)) {
  m_home = m_dir.path() + "/home";
  m_xdg = m_dir.path() + "/xdg";
  m_userHome = m_dir.path() + "/user";
  m_downloads = m_dir.path() + "/browser-downloads";
  m_accessLog = m_dir.path() + "/access.log";
  for (const std::string& d : {m_home, m_xdg, m_userHome, m_downloads})
    std::filesystem::create_directories(d);
}

CaptureRig::~CaptureRig() {
  stop();
}

std::vector<std::pair<std::string, std::string>> CaptureRig::environment() const {
  std::vector<std::pair<std::string, std::string>> env{
      {"FETCHWRIGHT_HOME", m_home},
      {"FETCHWRIGHT_PROGRAM", m_o.receiverPath},
      {"HOME", m_userHome},
      {"XDG_CONFIG_HOME", m_xdg},
  };
  env.insert(env.end(), m_o.receiverEnv.begin(), m_o.receiverEnv.end());
  return env;
}

void CaptureRig::setMonitor(uint32_t monitor) {
  Registry reg(m_home + "/config/registry.reg");
  reg.setDword(RegRoot::CurrentUser, kGeneralKey, "Monitor", monitor);
  reg.setString(RegRoot::CurrentUser, kGeneralKey, "MonitorType",
                ".ZIP;.EXE;.BIN;.GZ;.Z;.TAR;.ARJ;.LZH;.MP3;.RAR;.CHM");
}

void CaptureRig::writeSite() {
  std::string page =
      "<!doctype html><html><head><meta charset=\"utf-8\"><title>Capture test page</title>"
      "</head><body>\n"
      "<p><a id=\"zip1\" href=\"/files/first.zip\">First archive</a></p>\n"
      "<p><a id=\"zip2\" href=\"/files/second.zip\">Second archive</a></p>\n"
      "<p><a id=\"zip3\" href=\"/files/third.zip\">Third archive</a></p>\n"
      "<p><a id=\"notes\" href=\"/files/notes.txt\">Notes</a></p>\n"
      "<p><a id=\"ftp\" href=\"ftp://127.0.0.1/pub/old.zip\">Old archive by FTP</a></p>\n";
  for (int i = 1; i <= m_o.benchLinks; ++i) {
    char id[16];
    std::snprintf(id, sizeof id, "b%02d", i);
    page +=
        std::string("<p><a id=\"") + id + "\" href=\"/bench/" + id + ".zip\">" + id + "</a></p>\n";
  }
  page += "</body></html>\n";
  m_nginx.addFile("page.html", page);
  m_nginx.addFile(
      "start.html",
      "<!doctype html><html><head><meta charset=\"utf-8\">"
      "<meta http-equiv=\"refresh\" content=\"3;url=/files/first.zip\">"
      "<title>Start</title></head><body><p>The download starts soon.</p></body></html>\n");
  for (const char* name : {"first.zip", "second.zip", "third.zip"})
    m_nginx.addFile(std::string("files/") + name, bytesFor(name, kArchiveSize));
  m_nginx.addFile("files/bench.zip", bytesFor("bench.zip", kBenchArchiveSize));
  m_nginx.addFile("files/notes.txt", "notes\n");
  m_nginx.addHttpConfig(
      "  types { text/html html; text/plain txt; application/zip zip; }\n"
      "  log_format capture '$msec | $request_uri | $status | $http_referer | $http_cookie | "
      "$http_user_agent';\n");
  m_nginx.addServerConfig("    access_log " + m_accessLog +
                          " capture;\n"
                          "    location ~ ^/(page|start)\\.html$ {\n"
                          "      add_header Set-Cookie \"fwsid=s3cr3t; Path=/; HttpOnly\";\n"
                          "    }\n"
                          "    location /bench/ { rewrite ^ /files/bench.zip break; }\n");
}

bool CaptureRig::prepare(const std::string& nginxPath, std::string& error) {
  setMonitor(m_o.monitor);
  EnvLookup env = [this](const std::string& name) -> std::string {
    if (name == "HOME") return m_userHome;
    if (name == "XDG_CONFIG_HOME") return m_xdg;
    return "";
  };
  for (const ManifestResult& r : registerNativeHost(m_o.hostPath, env)) {
    if (r.action == ManifestAction::Failed) {
      error = "registration failed: " + r.error;
      return false;
    }
  }
  writeSite();
  if (!m_nginx.start(nginxPath)) {
    error = m_nginx.error();
    return false;
  }
  return true;
}

bool CaptureRig::start(const std::string& nginxPath, const std::string& chromedriver,
                       std::string& error) {
  if (!prepare(nginxPath, error)) return false;
  ChromiumOptions o;
  // Chromium looks for per-user native hosts in its profile folder: the one registration
  // wrote to for Chromium.
  o.userDataDir = m_xdg + "/chromium";
  o.downloadDir = m_downloads;
  o.extensionDir = m_o.extensionDir;
  o.env = environment();
  if (!m_browser.start(chromedriver, o, error)) return false;
  if (!openPage()) {
    error = "page did not open: " + m_browser.lastError();
    return false;
  }
  m_pageHandle = m_browser.currentHandle();
  return true;
}

bool CaptureRig::startFirefox(const std::string& nginxPath, const std::string& firefox,
                              const std::string& xpi, std::string& error) {
  if (!prepare(nginxPath, error)) return false;
  // An unsigned add-on side-loaded into the profile is installed and enabled only with
  // these two preferences; the rest keeps Firefox quiet and its downloads in one folder.
  std::string profile = m_dir.path() + "/firefox-profile";
  std::filesystem::create_directories(profile + "/extensions");
  std::filesystem::copy_file(xpi, profile + "/extensions/" + kFirefoxExtensionId + ".xpi",
                             std::filesystem::copy_options::overwrite_existing);
  std::string prefs;
  for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
           {"xpinstall.signatures.required", "false"},
           {"extensions.autoDisableScopes", "0"},
           {"extensions.enabledScopes", "15"},
           {"browser.download.folderList", "2"},
           {"browser.download.dir", "\"" + m_downloads + "\""},
           {"browser.download.useDownloadDir", "true"},
           {"browser.download.always_ask_before_handling_new_types", "false"},
           {"browser.download.start_downloads_in_tmp_dir", "false"},
           {"browser.shell.checkDefaultBrowser", "false"},
           {"browser.aboutwelcome.enabled", "false"},
           {"datareporting.policy.dataSubmissionEnabled", "false"},
           {"app.update.disabledForTesting", "true"},
           {"extensions.update.enabled", "false"},
           {"network.captive-portal-service.enabled", "false"},
           {"network.connectivity-service.enabled", "false"},
           {"browser.safebrowsing.downloads.enabled", "false"}})
    prefs += "user_pref(\"" + name + "\", " + value + ");\n";
  std::ofstream(profile + "/user.js") << prefs;
  // Without a display and with no session bus, Firefox starts no D-Bus daemon of its own.
  std::vector<std::string> argv{"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
  for (const auto& [name, value] : environment()) argv.push_back(name + "=" + value);
  argv.push_back("TMPDIR=" + m_dir.path());
  argv.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus");
  argv.push_back("MOZ_CRASHREPORTER_DISABLE=1");
  argv.push_back(firefox);
  for (const char* a : {"-headless", "-no-remote", "-profile"}) argv.push_back(a);
  argv.push_back(profile);
  argv.push_back(url("/start.html"));
  if (!m_firefox.start(argv, m_dir.path() + "/firefox.log")) {
    error = "firefox did not start";
    return false;
  }
  return true;
}

void CaptureRig::stop() {
  m_browser.stop();
  m_firefox.stop();
  stopReceiver();
  m_nginx.stop();
}

std::string CaptureRig::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_nginx.httpPort()) + path;
}

std::string CaptureRig::pageUrl() const {
  return url("/page.html");
}

bool CaptureRig::openPage() {
  return m_browser.navigate(pageUrl());
}

double CaptureRig::click(const std::string& id) {
  double at =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  if (!m_browser.click("#" + id)) return 0;
  return at;
}

json CaptureRig::menuCommand(const std::string& menuId, const std::string& target) {
  std::string tab = m_browser.newTab();
  if (tab.empty() || !m_browser.navigate(std::string("chrome-extension://") + kChromiumExtensionId +
                                         "/manifest.json"))
    return {{"error", "no extension page: " + m_browser.lastError()}};
  // What the context menu hands the command: Firefox's click data (Chromium's lacks the
  // link text) and the page's tab.
  json answer = m_browser.run(R"(
      const [menuItemId, target, pageUrl, done] = arguments;
      chrome.tabs.query({}).then(async (tabs) => {
        const tab = tabs.find((t) => t.url === pageUrl);
        const info = { menuItemId, pageUrl };
        if (target) {
          info.linkUrl = target;
          info.linkText = "Second archive";
        }
        done(await chrome.runtime.sendMessage({ command: "menu", info, tab }));
      }).catch((e) => done({ error: String(e) }));)",
                              {menuId, target, pageUrl()}, true);
  m_browser.closeCurrent();
  m_browser.switchTo(m_pageHandle);
  return answer;
}

int CaptureRig::receiverPid() const {
  std::string path = m_home + "/runtime/control.sock";
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  int pid = 0;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0) pid = cred.pid;
  }
  ::close(fd);
  return pid;
}

bool CaptureRig::startReceiver() {
  std::vector<std::string> argv{"/usr/bin/env"};
  for (const auto& [name, value] : environment()) argv.push_back(name + "=" + value);
  argv.push_back(m_o.receiverPath);
  if (!m_receiver.start(argv, m_dir.path() + "/receiver.log")) return false;
  return waitFor([this] { return receiverPid() != 0; }, 10000);
}

bool CaptureRig::stopReceiver() {
  int pid = receiverPid();
  if (pid > 0) {
    ::kill(pid, SIGTERM);
    if (!waitFor([pid] { return processGone(pid); }, 10000)) ::kill(pid, SIGKILL);
  }
  m_receiver.stop();
  return waitFor([this] { return receiverPid() == 0; }, 5000);
}

std::vector<LoggedRequest> CaptureRig::requests() const {
  std::vector<LoggedRequest> out;
  std::istringstream in(readFileText(m_accessLog));
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    size_t at = 0;
    for (;;) {
      size_t sep = line.find(" | ", at);
      f.push_back(line.substr(at, sep == std::string::npos ? std::string::npos : sep - at));
      if (sep == std::string::npos) break;
      at = sep + 3;
    }
    if (f.size() < 6) continue;
    for (std::string* s : {&f[3], &f[4]})
      if (*s == "-") s->clear();
    out.push_back(
        LoggedRequest{std::atof(f[0].c_str()), f[1], std::atoi(f[2].c_str()), f[3], f[4], f[5]});
  }
  return out;
}

std::vector<std::string> CaptureRig::browserFolder() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(m_downloads, ec))
    names.push_back(entry.path().filename().string());
  return names;
}

std::string CaptureRig::programDownloadPath(const std::string& name) const {
  std::error_code ec;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(m_home + "/Downloads", ec)) {
    if (entry.is_regular_file(ec) && entry.path().filename() == name) return entry.path();
  }
  return "";
}

bool CaptureRig::waitFor(const std::function<bool()>& done, int timeoutMs,
                         const std::function<void()>& each) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (each) each();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::string CaptureRig::fileBytes(const std::string& name) const {
  return bytesFor(name, name == "bench.zip" ? kBenchArchiveSize : kArchiveSize);
}

}  // namespace fw::test
