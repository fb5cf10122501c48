#include "store/settings_io.h"

#include <cstdio>
#include <functional>

#include "platform/paths.h"

namespace fw {

static bool eachSettingsKeyIo(Registry& reg, Settings& s, int direction);

namespace {

constexpr RegRoot kRoot = RegRoot::CurrentUser;

// A string read through a buffer of `max` bytes keeps at most max - 1 of them.
std::string clipped(std::string s, size_t max) {
  if (max > 0 && s.size() > max - 1) s.resize(max - 1);
  return s;
}

// One key's values inside one registry transaction.
class KeyIo {
 public:
  KeyIo(RegTransaction& t, const char* key, int direction)
      : m_t(t), m_key(key), m_load(direction == kSettingsLoad) {}

  bool loading() const { return m_load; }
  RegTransaction& transaction() { return m_t; }

  // A DWORD. Loading: missing (or of another type) -> `def`, created when `writeBack`;
  // present -> `fix(stored)`.
  template <class T>
  void dword(const char* name, T& field, uint32_t def, bool writeBack,
             const std::function<uint32_t(uint32_t)>& fix = {}) {
    if (!m_load) {
      m_t.setDword(kRoot, m_key, name, static_cast<uint32_t>(field));
      return;
    }
    uint32_t v = 0;
    if (m_t.queryDword(kRoot, m_key, name, v) != RegStatus::Ok) {
      field = static_cast<T>(def);
      if (writeBack) m_t.setDword(kRoot, m_key, name, def);
      return;
    }
    field = static_cast<T>(fix ? fix(v) : v);
  }

  void text(const char* name, std::string& field, const std::string& def, bool writeBack,
            size_t max = kSettingTextMax) {
    if (!m_load) {
      m_t.setString(kRoot, m_key, name, field);
      return;
    }
    std::string v;
    if (m_t.queryString(kRoot, m_key, name, v) != RegStatus::Ok) {
      field = def;
      if (writeBack) m_t.setString(kRoot, m_key, name, def);
      return;
    }
    field = clipped(std::move(v), max);
  }

  // Binary values are taken only when they have an accepted size; otherwise the field
  // keeps what it had (its built-in default).
  void binary(const char* name, std::string& field, const std::function<bool(size_t)>& sizeOk) {
    if (!m_load) {
      m_t.setBinary(kRoot, m_key, name, field);
      return;
    }
    std::string v;
    if (m_t.queryBinary(kRoot, m_key, name, v) == RegStatus::Ok && sizeOk(v.size()))
      field = std::move(v);
  }

 private:
  RegTransaction& m_t;
  const char* m_key;
  bool m_load;
};

// Runs `body` on a copy of `record` inside one transaction; the record takes the copy
// only when the registry could be read and written.
// While settingsIo runs every key, they share its one transaction: a first start writes
// the defaults back with one file replacement instead of one per key.
thread_local RegTransaction* t_sharedTransaction = nullptr;

template <class R>
bool runKey(Registry& reg, const char* key, R& record, int direction,
            const std::function<void(KeyIo&, R&)>& body) {
  if (RegTransaction* t = t_sharedTransaction) {
    if (t->createKey(kRoot, key) != RegStatus::Ok) return false;
    KeyIo io(*t, key, direction);
    body(io, record);
    return true;
  }
  R work = record;
  RegStatus st = reg.transact([&](RegTransaction& t) {
    if (t.createKey(kRoot, key) != RegStatus::Ok) return false;
    KeyIo io(t, key, direction);
    body(io, work);
    return true;
  });
  if (st != RegStatus::Ok) return false;
  if (direction == kSettingsLoad) record = std::move(work);
  return true;
}

std::function<uint32_t(uint32_t)> within(uint32_t lo, uint32_t hi, uint32_t fallback) {
  return [=](uint32_t v) { return v < lo || v > hi ? fallback : v; };
}
std::function<uint32_t(uint32_t)> atMost(uint32_t hi, uint32_t fallback) {
  return [=](uint32_t v) { return v > hi ? fallback : v; };
}
std::function<uint32_t(uint32_t)> atLeast(uint32_t lo, uint32_t fallback) {
  return [=](uint32_t v) { return v < lo ? fallback : v; };
}
std::function<uint32_t(uint32_t)> notNegative(uint32_t fallback) {
  return [=](uint32_t v) { return static_cast<int32_t>(v) < 0 ? fallback : v; };
}

std::string soundsFolder() {
  return shareDir() + "/" + SoundSettings::kSoundsFolder + "/";
}

std::string numbered(const char* format, int n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, n);
  return buf;
}

// n >= 1 when `name` is exactly "<prefix><n>" (prefix compared ignoring case).
int numberAfter(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || !sameRegName(name.substr(0, prefix.size()), prefix)) return 0;
  int n = 0;
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || n > 100000) return 0;
    n = n * 10 + (name[i] - '0');
  }
  if (name[prefix.size()] == '0') return 0;
  return n;
}

}  // namespace

bool generalSettingsIo(Registry& reg, GeneralSettings& s, int direction) {
  using G = GeneralSettings;
  return runKey<G>(reg, settingkeys::kGeneral, s, direction, [](KeyIo& io, G& g) {
    io.dword("GeneralCheck", g.generalCheck, G::kGeneralCheckDefault, true);
    io.dword("MaxSplit", g.maxSplit, G::kMaxSplitDefault, false,
             atMost(G::kMaxSplitMax, G::kMaxSplitDefault));
    // The registry holds minutes and KiB; memory holds seconds and bytes.
    uint32_t minutes = g.autoSaveSeconds / 60;
    io.dword("AutoSaveTime", minutes, G::kAutoSaveMinutesDefault, true,
             atLeast(G::kAutoSaveMinutesMin, G::kAutoSaveMinutesDefault));
    if (io.loading()) g.autoSaveSeconds = minutes * 60;
    io.dword("BufferSize", g.bufferSize, G::kBufferSizeDefault, true,
             within(G::kBufferSizeMin, G::kBufferSizeMax, G::kBufferSizeDefault));
    uint32_t kib = g.minSegmentBytes / 1024;
    io.dword("MinSegment", kib, G::kMinSegmentKiBDefault, true,
             within(G::kMinSegmentKiBMin, G::kMinSegmentKiBMax, G::kMinSegmentKiBDefault));
    if (io.loading()) g.minSegmentBytes = kib * 1024;
    io.dword("Monitor", g.monitor, G::kMonitorDefault, true);
    io.text("MonitorType", g.monitorType, G::kMonitorTypeDefault, true, G::kMonitorTypeMax);
    io.dword("SStartTime", g.sStartTime, G::kSStartTimeDefault, true);
    io.dword("SStopTime", g.sStopTime, G::kSStopTimeDefault, true);
    io.dword("FlagOne", g.flagOne, G::kFlagOneDefault, true);
    io.dword("OtherFlag", g.otherFlag, G::kOtherFlagDefault, true);
    io.dword("MFlags", g.mFlags, G::kMFlagsDefault, true);
    io.text("VirusExe", g.virusExe, "", true);
    io.text("VirusArgs", g.virusArgs, "", true);
    io.text("VirusType", g.virusType, G::kVirusTypeDefault, true);
    io.dword("WDropX", g.wDropX, G::kWDropXDefault, false, notNegative(G::kWDropNegativeFallback));
    io.dword("WDropY", g.wDropY, G::kWDropYDefault, false, notNegative(G::kWDropNegativeFallback));
    io.dword("DFlags", g.dFlags, G::kDFlagsDefault, true,
             [](uint32_t v) { return v & G::kDFlagsMask; });
    io.dword("Splitter", g.splitter, G::kSplitterDefault, true,
             within(G::kSplitterMin, G::kSplitterMax, G::kSplitterDefault));
    io.dword("Rate", g.rate, G::kRateDefault, true,
             within(G::kRateMin, G::kRateMax, G::kRateDefault));
    io.dword("Cate", g.cate, G::kCateDefault, true);
    io.text("DefaultPath", g.defaultPath, downloadDir(), false);
    if (io.loading()) g.defaultPath = mapWindowsFolder(g.defaultPath);
    io.text("DUser", g.dUser, "", false);
    io.text("SysAt", g.sysAt, "", false);
    io.dword("skin", g.skin, G::kSkinDefault, true);
    io.dword("AutoUpdate", g.autoUpdate, 1, true, [](uint32_t v) { return v != 0 ? 1u : 0u; });
    // Not written back, so that a later build's defaults are not hidden by this one's.
    io.text("UpdateHost", g.updateHost, builtInUpdateHost(), false);
    io.dword("UpdatePort", g.updatePort, builtInUpdatePort(), false,
             within(1, 65535, builtInUpdatePort()));
    io.text("UpdatePath", g.updatePath, builtInUpdatePath(), false);
    io.text("UpdatePage", g.updatePage, builtInUpdatePage(), false);
    io.text("HomePage", g.homePage, builtInHomePage(), false);
  });
}

bool connectionSettingsIo(Registry& reg, ConnectionSettings& s, int direction) {
  using C = ConnectionSettings;
  return runKey<C>(reg, settingkeys::kConnection, s, direction, [](KeyIo& io, C& c) {
    io.dword("ConnOut", c.connOut, C::kConnOutDefault, true,
             within(C::kConnOutMin, C::kConnOutMax, C::kConnOutDefault));
    io.dword("DataOut", c.dataOut, C::kDataOutDefault, true,
             within(C::kDataOutMin, C::kDataOutMax, C::kDataOutDefault));
    io.dword("Relayt", c.relayt, C::kRelaytDefault, true,
             within(C::kRelaytMin, C::kRelaytMax, C::kRelaytDefault));
    io.dword("SimuRole", c.simuRole, C::kSimuRoleDefault, true,
             atMost(C::kSimuRoleMax, C::kSimuRoleDefault));
    io.dword("RetryNum", c.retryNum, C::kRetryNumDefault, true,
             atMost(C::kRetryNumMax, C::kRetryNumDefault));
    io.dword("ConnType", c.connType, C::kConnTypeDefault, true, [](uint32_t v) {
      if ((v & C::kConnTypeIndexMask) < C::kConnTypeIndexLimit) return v;
      return (v & ~C::kConnTypeIndexMask) | C::kConnTypeIndexFallback;
    });
    io.dword("BandWidth", c.bandWidth, C::kBandWidthDefault, true,
             atLeast(C::kBandWidthMin, C::kBandWidthDefault));
    io.dword("ManaulBand", c.manaulBand, C::kManaulBandDefault, true,
             atLeast(C::kManaulBandMin, C::kManaulBandFallback));
    io.dword("AutoBand", c.autoBand, C::kAutoBandDefault, true,
             atLeast(C::kAutoBandMin, C::kAutoBandFallback));
    io.dword("Pacing", c.pacing, C::kPacingDefault, true);
  });
}

bool protocolSettingsIo(Registry& reg, ProtocolSettings& s, int direction) {
  using P = ProtocolSettings;
  return runKey<P>(reg, settingkeys::kProtocol, s, direction, [](KeyIo& io, P& p) {
    io.dword("Check", p.check, P::kCheckDefault, false);
    io.dword("UserAgent", p.userAgent, P::kUserAgentDefault, false);
    io.text("ASCIIMode", p.asciiMode, P::kAsciiModeDefault, false);
    io.text("UserAgentText", p.userAgentText, "", false);
    io.text("FtpLoginMail", p.ftpLoginMail, P::kFtpLoginMailDefault, false);
    // Anything but an explicit 0 keeps certificate checks on.
    io.dword("TlsVerify", p.tlsVerify, P::kTlsVerifyDefault, false,
             [](uint32_t v) { return v == 0 ? 0u : 1u; });
  });
}

bool proxySettingsIo(Registry& reg, ProxySettings& s, int direction) {
  using P = ProxySettings;
  return runKey<P>(reg, settingkeys::kProxy, s, direction, [](KeyIo& io, P& p) {
    io.dword("DefaultFtp", p.defaultFtp, P::kDefaultFtpDefault, false);
    io.dword("DefaultHttp", p.defaultHttp, P::kDefaultHttpDefault, false);
    io.dword("RollBack", p.rollBack, P::kRollBackDefault, false);
    io.dword("flags", p.flags, P::kFlagsDefault, false);

    RegTransaction& t = io.transaction();
    const std::string base = settingkeys::kProxy;
    auto entryKey = [&](int n) { return base + "\\" + numbered(P::kEntryKeyFormat, n); };
    auto writeEntry = [&](int n, const ProxyRecord& r) {
      const std::string k = entryKey(n);
      t.setDword(kRoot, k, "Flags", r.flags);
      t.setDword(kRoot, k, "Ports", r.port);
      t.setDword(kRoot, k, "Type", r.type);
      t.setString(kRoot, k, "Title", r.title);
      t.setString(kRoot, k, "Server", r.server);
      t.setString(kRoot, k, "User", r.user);
      t.setString(kRoot, k, "Pass", r.pass);
    };
    std::vector<std::string> subKeys;
    t.enumSubKeys(kRoot, base, subKeys);

    if (!io.loading()) {
      for (size_t i = 0; i < p.proxies.size(); ++i)
        writeEntry(static_cast<int>(i) + 1, p.proxies[i]);
      for (const std::string& name : subKeys)
        if (numberAfter(name, "Proxy") > static_cast<int>(p.proxies.size()))
          t.deleteKey(kRoot, base + "\\" + name);
      return;
    }

    p.proxies.clear();
    if (!t.keyExists(kRoot, entryKey(1))) writeEntry(1, P::directConnection());
    for (int n = 1; t.keyExists(kRoot, entryKey(n)); ++n) {
      const std::string k = entryKey(n);
      ProxyRecord r;
      uint32_t v = 0;
      if (t.queryDword(kRoot, k, "Flags", v) == RegStatus::Ok) r.flags = v;
      if (t.queryDword(kRoot, k, "Ports", v) == RegStatus::Ok) r.port = static_cast<uint16_t>(v);
      if (t.queryDword(kRoot, k, "Type", v) == RegStatus::Ok) r.type = static_cast<uint8_t>(v);
      std::string text;
      if (t.queryString(kRoot, k, "Title", text) == RegStatus::Ok)
        r.title = clipped(text, kSettingTextMax);
      if (t.queryString(kRoot, k, "Server", text) == RegStatus::Ok)
        r.server = clipped(text, kSettingTextMax);
      if (t.queryString(kRoot, k, "User", text) == RegStatus::Ok)
        r.user = clipped(text, kSettingTextMax);
      if (t.queryString(kRoot, k, "Pass", text) == RegStatus::Ok)
        r.pass = clipped(text, kSettingTextMax);
      p.proxies.push_back(std::move(r));
    }
    for (const std::string& name : subKeys)
      if (numberAfter(name, "Proxy") > static_cast<int>(p.proxies.size()))
        t.deleteKey(kRoot, base + "\\" + name);
  });
}

bool dialUpSettingsIo(Registry& reg, DialUpSettings& s, int direction) {
  using D = DialUpSettings;
  return runKey<D>(reg, settingkeys::kDialUp, s, direction, [](KeyIo& io, D& d) {
    io.dword("Flags", d.flags, D::kFlagsDefault, false);
    io.dword("Times", d.times, D::kTimesDefault, false,
             within(D::kTimesMin, D::kTimesMax, D::kTimesFallback));
    io.dword("WTime", d.wTime, D::kWTimeDefault, false,
             within(D::kWTimeMin, D::kWTimeMax, D::kWTimeFallback));
    io.dword("WDialup", d.wDialup, D::kWDialupDefault, false);
    io.text("Establish", d.establish, D::kEstablishDefault, false);
    io.text("DialTitle", d.dialTitle, "", false);
    io.text("User", d.user, "", false);
    io.text("Pass", d.pass, "", false);
  });
}

bool colorSettingsIo(Registry& reg, ColorSettings& s, int direction) {
  using C = ColorSettings;
  return runKey<C>(reg, settingkeys::kColor, s, direction, [](KeyIo& io, C& c) {
    io.dword("Error", c.error, C::kErrorDefault, false);
    io.dword("ErrorBK", c.errorBk, C::kErrorBkDefault, false);
    io.dword("Command", c.command, C::kCommandDefault, false);
    io.dword("CommandBK", c.commandBk, C::kCommandBkDefault, false);
    io.dword("Server", c.server, C::kServerDefault, false);
    io.dword("ServerBK", c.serverBk, C::kServerBkDefault, false);
    io.dword("State", c.state, C::kStateDefault, false);
    io.dword("StateBK", c.stateBk, C::kStateBkDefault, false);
    io.dword("GraphBack", c.graphBack, C::kGraphBackDefault, false);
    io.dword("GraphFore", c.graphFore, C::kGraphForeDefault, false);
    io.dword("Scale", c.scale, C::kScaleDefault, false,
             within(C::kScaleMin, C::kScaleMax, C::kScaleDefault));
    io.dword("BlockSize", c.blockSize, C::kBlockSizeDefault, false);
    io.dword("BlockBack", c.blockBack, C::kBlockBackDefault, false);
    io.dword("ProgressCor", c.progressCor, C::kProgressCorDefault, false);
    io.dword("BlockText", c.blockText, C::kBlockTextDefault, false);
    io.dword("Alpha", c.alpha, C::kAlphaDefault, false);
    io.dword("Flag", c.flag, C::kFlagDefault, false);
  });
}

bool soundSettingsIo(Registry& reg, SoundSettings& s, int direction) {
  using S = SoundSettings;
  return runKey<S>(reg, settingkeys::kSounds, s, direction, [](KeyIo& io, S& snd) {
    const std::string dir = soundsFolder();
    io.dword("Sflag", snd.sflag, S::kSflagDefault, false);
    io.text("AddNewJob", snd.addNewJob, dir + S::kAddNewJobFile, false);
    io.text("DownSuccess", snd.downSuccess, dir + S::kDownSuccessFile, false);
    io.text("DownFail", snd.downFail, dir + S::kDownFailFile, false);
    io.text("AllDown", snd.allDown, dir + S::kAllDownFile, false);
    if (io.loading())
      for (std::string* p : {&snd.addNewJob, &snd.downSuccess, &snd.downFail, &snd.allDown})
        *p = mapWindowsFolder(*p);
  });
}

bool mainSettingsIo(Registry& reg, MainSettings& s, int direction) {
  using M = MainSettings;
  return runKey<M>(reg, settingkeys::kMain, s, direction, [](KeyIo& io, M& m) {
    std::string layout(m.winLayout.begin(), m.winLayout.end());
    if (io.loading() || !layout.empty())
      io.binary("winlayout", layout, [](size_t n) { return n == M::kWinLayoutSize; });
    m.winLayout.assign(layout.begin(), layout.end());
    io.text("FormEx", m.formEx, "", false);
    io.text("ThdFormEx", m.thdFormEx, "", false);
  });
}

bool toolBarSettingsIo(Registry& reg, ToolBarSettings& s, int direction) {
  using T = ToolBarSettings;
  return runKey<T>(reg, settingkeys::kToolBar, s, direction, [](KeyIo& io, T& tb) {
    std::string bytes(tb.button.begin(), tb.button.end());
    if (io.loading()) {
      std::string stored;
      io.binary("Button", stored, [](size_t) { return true; });
      // At most 50 buttons are read back, and never part of a button record.
      size_t keep = std::min(stored.size(), T::kButtonMaxBytes);
      keep -= keep % T::kButtonRecordSize;
      if (!stored.empty())
        tb.button.assign(stored.begin(), stored.begin() + static_cast<long>(keep));
    } else if (!bytes.empty()) {
      io.binary("Button", bytes, [](size_t) { return true; });
    }
  });
}

bool dataFileSettingsIo(Registry& reg, DataFileSettings& s, int direction) {
  using D = DataFileSettings;
  return runKey<D>(reg, settingkeys::kDataFile, s, direction, [](KeyIo& io, D& d) {
    io.text("Remotefile", d.remoteFile, "", false, D::kRemoteFileMax);
    io.text("Localfile", d.localFile, "", false, D::kLocalFileMax);
  });
}

bool mruListIo(Registry& reg, const char* key, MruList& list, int direction) {
  return runKey<MruList>(reg, key, list, direction, [key](KeyIo& io, MruList& l) {
    RegTransaction& t = io.transaction();
    auto name = [](int n) { return numbered("List%d", n); };
    if (io.loading()) {
      l.entries.clear();
      std::string v;
      for (int n = 1; n <= MruList::kMaxEntries; ++n) {
        if (t.queryString(kRoot, key, name(n), v) != RegStatus::Ok) break;
        l.entries.push_back(clipped(v, MruList::kEntryMax));
      }
      return;
    }
    int n = 1;
    for (const std::string& e : l.entries) {
      if (n > MruList::kMaxEntries) break;
      t.setString(kRoot, key, name(n++), e);
    }
    for (; n <= MruList::kMaxEntries; ++n) t.deleteValue(kRoot, key, name(n));
  });
}

bool addMruEntry(Registry& reg, const char* key, MruList& list, const std::string& text) {
  list.add(text);
  return mruListIo(reg, key, list, kSettingsSave);
}

bool downSetSettingsIo(Registry& reg, DownSetSettings& s, int direction) {
  using L = ColumnLayout;
  auto slotsBytes = [](const L& l) {
    std::string b;
    for (const ColumnSlot& c : l.slots) {
      b.push_back(static_cast<char>(c.position));
      b.push_back(static_cast<char>(c.width & 0xFF));
      b.push_back(static_cast<char>(c.width >> 8));
      b.push_back(static_cast<char>(c.visible));
    }
    return b;
  };
  auto orderBytes = [](const L& l) {
    std::string b;
    for (uint16_t o : l.order) {
      b.push_back(static_cast<char>(o & 0xFF));
      b.push_back(static_cast<char>(o >> 8));
    }
    return b;
  };
  auto parse = [](L& l, const std::string& slots, const std::string& order) {
    auto u8 = [](const std::string& b, size_t i) { return static_cast<uint8_t>(b[i]); };
    for (int i = 0; i < L::kSlots; ++i) {
      l.slots[i].position = u8(slots, 4 * i);
      l.slots[i].width = static_cast<uint16_t>(u8(slots, 4 * i + 1) | (u8(slots, 4 * i + 2) << 8));
      l.slots[i].visible = u8(slots, 4 * i + 3);
      l.order[i] = static_cast<uint16_t>(u8(order, 2 * i) | (u8(order, 2 * i + 1) << 8));
    }
  };
  return runKey<DownSetSettings>(
      reg, settingkeys::kDownSet, s, direction, [&](KeyIo& io, DownSetSettings& d) {
        std::string s1 = slotsBytes(d.download), o1 = orderBytes(d.download);
        std::string s2 = slotsBytes(d.others), o2 = orderBytes(d.others);
        auto slotsOk = [](size_t n) { return n == L::kSlotTableSize; };
        auto orderOk = [](size_t n) { return n == L::kOrderSize; };
        io.binary("SaveOne", s1, slotsOk);
        io.binary("OrderOne", o1, orderOk);
        io.binary("SaveTwo", s2, slotsOk);
        io.binary("OrderTwo", o2, orderOk);
        if (io.loading()) {
          parse(d.download, s1, o1);
          parse(d.others, s2, o2);
        }
      });
}

bool settingsIo(Registry& reg, Settings& s, int direction) {
  // The keys work on a copy that is taken only when the shared transaction was written.
  Settings work = s;
  bool ok = false;
  RegStatus st = reg.transact([&](RegTransaction& t) {
    t_sharedTransaction = &t;
    ok = eachSettingsKeyIo(reg, work, direction);
    t_sharedTransaction = nullptr;
    return true;
  });
  if (st != RegStatus::Ok) return false;
  if (direction == kSettingsLoad) s = std::move(work);
  return ok;
}

static bool eachSettingsKeyIo(Registry& reg, Settings& s, int direction) {
  bool ok = generalSettingsIo(reg, s.general, direction);
  ok = connectionSettingsIo(reg, s.connection, direction) && ok;
  ok = protocolSettingsIo(reg, s.protocol, direction) && ok;
  ok = proxySettingsIo(reg, s.proxy, direction) && ok;
  ok = dialUpSettingsIo(reg, s.dialUp, direction) && ok;
  ok = colorSettingsIo(reg, s.color, direction) && ok;
  ok = soundSettingsIo(reg, s.sounds, direction) && ok;
  ok = mainSettingsIo(reg, s.main, direction) && ok;
  ok = toolBarSettingsIo(reg, s.toolBar, direction) && ok;
  ok = dataFileSettingsIo(reg, s.dataFile, direction) && ok;
  ok = mruListIo(reg, settingkeys::kSaveDir, s.saveDirs, direction) && ok;
  ok = mruListIo(reg, settingkeys::kFindStr, s.findStrings, direction) && ok;
  ok = downSetSettingsIo(reg, s.downSet, direction) && ok;
  return ok;
}

bool generalStringIo(Registry& reg, const std::string& name, std::string& value, int direction) {
  if (direction == kSettingsSave)
    return reg.setString(kRoot, settingkeys::kGeneral, name, value) == RegStatus::Ok;
  std::string v;
  if (reg.queryString(kRoot, settingkeys::kGeneral, name, v) != RegStatus::Ok) return false;
  value = clipped(std::move(v), kSettingTextMax);
  return true;
}

Settings defaultSettings() {
  Settings s;
  fillPathDefaults(s, downloadDir(), shareDir());
  return s;
}

}  // namespace fw
