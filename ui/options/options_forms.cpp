#include "ui/options/options_forms.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace fw {

namespace {

constexpr int64_t kIntMax = 2147483647;

int64_t clampTo(int64_t v, int64_t lo, int64_t hi) {
  return std::clamp(v, lo, hi);
}

std::string num(int64_t v) {
  return std::to_string(v);
}

std::string between(int64_t lo, int64_t hi, const char* tail) {
  return "Please enter an integer between " + num(lo) + " and " + num(hi) + tail;
}

// True when `text` is an integer within lo..hi; `out` takes it.
bool inRange(const std::string& text, int64_t lo, int64_t hi, int64_t& out) {
  return readInteger(text, out) && out >= lo && out <= hi;
}

uint32_t keepOthers(uint32_t stored, uint32_t own, uint32_t page) {
  return (stored & ~own) | (page & own);
}

}  // namespace

bool readInteger(const std::string& text, int64_t& out) {
  size_t b = text.find_first_not_of(" \t");
  if (b == std::string::npos) return false;
  size_t e = text.find_last_not_of(" \t") + 1;
  size_t i = b;
  bool negative = false;
  if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
  if (i == e || e - i > 18) return false;
  int64_t v = 0;
  for (; i < e; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    v = v * 10 + (text[i] - '0');
  }
  out = negative ? -v : v;
  return true;
}

// ---- General ----

GeneralPage GeneralPage::load(const GeneralSettings& g) {
  GeneralPage p;
  p.checks = g.generalCheck & kOwnBits;
  p.autoSaveMinutes = num(clampTo(g.autoSaveSeconds / 60, 1, 1080));
  p.bufferKb = num(clampTo(g.bufferSize, 16, 8192));
  p.minSegmentKb = num(clampTo(g.minSegmentBytes / 1024, 10, 102400));
  return p;
}

FieldError GeneralPage::check() const {
  int64_t v = 0;
  if ((checks & generalcheck::kAutoSave) && !inRange(autoSaveMinutes, 1, 1080, v))
    return {kAutoSaveMinutes, between(1, 1080, " ")};
  if ((checks & generalcheck::kWriteEvery) && !inRange(bufferKb, 16, 8192, v))
    return {kBufferKb, between(16, 8192, " ")};
  if (!inRange(minSegmentKb, 10, 102400, v)) return {kMinSegmentKb, between(10, 102400, " ")};
  return {};
}

void GeneralPage::store(GeneralSettings& g) const {
  int64_t v = 0;
  g.generalCheck = keepOthers(g.generalCheck, kOwnBits, checks);
  g.autoSaveSeconds = GeneralSettings::kAutoSaveOffSeconds;
  if ((checks & generalcheck::kAutoSave) && readInteger(autoSaveMinutes, v))
    g.autoSaveSeconds = static_cast<uint32_t>(v * 60);
  g.bufferSize = GeneralSettings::kBufferSizeDefault;
  if ((checks & generalcheck::kWriteEvery) && readInteger(bufferKb, v))
    g.bufferSize = static_cast<uint32_t>(v);
  if (readInteger(minSegmentKb, v)) g.minSegmentBytes = static_cast<uint32_t>(v * 1024);
}

// ---- Connection ----

ConnectionPage ConnectionPage::load(const ConnectionSettings& c) {
  ConnectionPage p;
  int64_t band = clampTo(c.bandWidth, 1800, kIntMax);
  p.edits[kConnOut] = num(clampTo(c.connOut, 30, 600));
  p.edits[kDataOut] = num(clampTo(c.dataOut, 30, 600));
  p.edits[kRelayt] = num(clampTo(c.relayt, 1, 600));
  p.edits[kSimuRole] = num(clampTo(c.simuRole, 1, 10));
  p.edits[kRetryNum] = num(clampTo(c.retryNum, 1, 60000));
  p.edits[kBandWidth] = num(band);
  p.edits[kManualBand] = num(clampTo(c.manaulBand, 400, band));
  p.edits[kAutoBand] = num(clampTo(c.autoBand, 120, band));
  p.typeIndex = c.typeIndex() <= static_cast<uint32_t>(kOtherType)
                    ? static_cast<int>(c.typeIndex())
                    : static_cast<int>(ConnectionSettings::kConnTypeIndexFallback);
  p.alwaysRetry = c.alwaysRetry();
  return p;
}

void ConnectionPage::chooseType(int index) {
  if (index < 0 || index > kOtherType) return;
  typeIndex = index;
  if (index == kOtherType) return;
  const ConnectionTypePreset& t = kConnectionTypes[static_cast<size_t>(index)];
  edits[kBandWidth] = num(t.bandWidth);
  edits[kManualBand] = num(t.manualBand);
  edits[kAutoBand] = num(t.autoBand);
}

FieldError ConnectionPage::check() const {
  int64_t v = 0;
  if (!inRange(edits[kConnOut], 30, 600, v)) return {kConnOut, between(30, 600, ".")};
  if (!inRange(edits[kDataOut], 30, 600, v)) return {kDataOut, between(30, 600, ".")};
  if (!inRange(edits[kRelayt], 1, 600, v)) return {kRelayt, between(1, 600, ".")};
  if (!inRange(edits[kSimuRole], 1, 10, v)) return {kSimuRole, between(1, 10, ".")};
  // The warning names the spin control's limit; typed values up to 60000 are taken.
  if (!inRange(edits[kRetryNum], 1, 60000, v)) return {kRetryNum, between(1, 9999, " ")};
  int64_t band = 0;
  if (!inRange(edits[kBandWidth], 1800, kIntMax, band))
    return {kBandWidth, between(1800, kIntMax, ".")};
  if (!inRange(edits[kManualBand], 400, band, v)) return {kManualBand, between(400, band, ".")};
  if (!inRange(edits[kAutoBand], 120, band, v)) return {kAutoBand, between(120, band, ".")};
  return {};
}

void ConnectionPage::store(ConnectionSettings& c) const {
  int64_t v[8] = {};
  for (size_t i = 0; i < edits.size(); ++i) readInteger(edits[i], v[i]);
  c.connOut = static_cast<uint32_t>(v[kConnOut]);
  c.dataOut = static_cast<uint32_t>(v[kDataOut]);
  c.relayt = static_cast<uint32_t>(v[kRelayt]);
  c.simuRole = static_cast<uint32_t>(v[kSimuRole]);
  c.retryNum = static_cast<uint32_t>(v[kRetryNum]);
  c.bandWidth = static_cast<uint32_t>(v[kBandWidth]);
  c.manaulBand = static_cast<uint32_t>(v[kManualBand]);
  c.autoBand = static_cast<uint32_t>(v[kAutoBand]);
  uint32_t own = ConnectionSettings::kConnTypeIndexMask | ConnectionSettings::kAlwaysRetry;
  c.connType = keepOthers(
      c.connType, own,
      static_cast<uint32_t>(typeIndex) | (alwaysRetry ? ConnectionSettings::kAlwaysRetry : 0));
}

// ---- Protocol ----

ProtocolPage ProtocolPage::load(const ProtocolSettings& p) {
  ProtocolPage f;
  f.checks = p.check & kOwnBits;
  f.agent = p.userAgent < kAgents.size() ? static_cast<int>(p.userAgent)
                                         : static_cast<int>(ProtocolSettings::kUserAgentDefault);
  f.agentText = p.userAgentText;
  f.asciiMode = p.asciiMode;
  f.loginMail = p.ftpLoginMail;
  return f;
}

void ProtocolPage::store(ProtocolSettings& p) const {
  p.check = keepOthers(p.check, kOwnBits, checks);
  p.userAgent = static_cast<uint32_t>(agent);
  p.userAgentText = agentText;
  p.asciiMode = asciiMode;
  p.ftpLoginMail = loginMail;
}

// ---- Monitor ----

MonitorPage MonitorPage::load(const GeneralSettings& g) {
  return MonitorPage{g.monitor & kOwnBits, g.monitorType};
}

void MonitorPage::store(GeneralSettings& g) const {
  g.monitor = keepOthers(g.monitor, kOwnBits, flags);
  std::string upper = types;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  if (upper.size() >= GeneralSettings::kMonitorTypeMax)
    upper.resize(GeneralSettings::kMonitorTypeMax - 1);
  g.monitorType = upper;
}

// ---- Graph/Log ----

GraphPage GraphPage::load(const ColorSettings& c) {
  GraphPage p;
  p.colors = c;
  p.scale = num(clampTo(c.scale, ColorSettings::kScaleMin, ColorSettings::kScaleMax));
  return p;
}

void GraphPage::reset() {
  colors.blockBack = 0xC0C0C0;    // RGB (192,192,192)
  colors.blockText = 0x660000;    // RGB (0,0,102)
  colors.progressCor = 0xA3A3A3;  // RGB (163,163,163)
}

FieldError GraphPage::check() const {
  int64_t v = 0;
  if (!inRange(scale, 1, 1000, v)) return {kScale, between(1, 1000, " ")};
  return {};
}

void GraphPage::store(ColorSettings& c) const {
  int64_t v = 0;
  if (readInteger(scale, v)) c.scale = static_cast<uint32_t>(v);
  c.error = colors.error;
  c.errorBk = colors.errorBk;
  c.command = colors.command;
  c.commandBk = colors.commandBk;
  c.server = colors.server;
  c.serverBk = colors.serverBk;
  c.state = colors.state;
  c.stateBk = colors.stateBk;
  c.graphBack = colors.graphBack;
  c.graphFore = colors.graphFore;
  c.blockBack = colors.blockBack;
  c.blockText = colors.blockText;
  c.progressCor = colors.progressCor;
  c.flag = keepOthers(c.flag, kOwnFlagBits, colors.flag);
}

// ---- File Manager ----

FileManagerPage FileManagerPage::load(const GeneralSettings& g) {
  FileManagerPage p;
  p.finished = static_cast<int>(g.mFlags & 3);
  p.exists = static_cast<int>((g.mFlags >> 2) & 3);
  if (p.finished > 2) p.finished = 0;
  if (p.exists > 2) p.exists = 0;
  p.scanner = (g.mFlags & kScannerBit) != 0;
  p.program = g.virusExe;
  p.args = g.virusArgs;
  p.types = g.virusType;
  return p;
}

void FileManagerPage::store(GeneralSettings& g) const {
  uint32_t bits = static_cast<uint32_t>(finished) | static_cast<uint32_t>(exists) << 2 |
                  (scanner ? kScannerBit : 0);
  g.mFlags = keepOthers(g.mFlags, kOwnBits, bits);
  g.virusExe = program;
  g.virusArgs = args;
  g.virusType = types;
}

// ---- Dial-Up Networking ----

DialUpPage DialUpPage::load(const DialUpSettings& d, std::vector<std::string> entries) {
  DialUpPage p;
  p.entries = std::move(entries);
  if (p.entries.empty()) p.entries.push_back("Fetchwright Never Dial");
  auto it = std::find(p.entries.begin(), p.entries.end(), d.dialTitle);
  p.selected = it == p.entries.end() ? 0 : static_cast<int>(it - p.entries.begin());
  p.hangUp = (d.flags & dialupflags::kHangUpWhenDone) != 0;
  p.redial = (d.flags & dialupflags::kRedial) != 0;
  p.user = d.user;
  p.pass = d.pass;
  p.times = num(clampTo(d.times, 1, 100));
  p.wait = num(clampTo(d.wTime, 1, 60));
  p.establish = d.establish;
  return p;
}

FieldError DialUpPage::check() const {
  if (!detailsEnabled()) return {};
  int64_t v = 0;
  if (!inRange(times, 1, 100, v)) return {kTimes, between(1, 100, "")};
  if (!inRange(wait, 1, 60, v)) return {kWait, between(1, 60, "")};
  return {};
}

void DialUpPage::store(DialUpSettings& d) const {
  d.dialTitle = entries[static_cast<size_t>(selected)];
  d.wDialup = detailsEnabled() ? 1 : 0;
  if (!detailsEnabled()) return;
  int64_t v = 0;
  uint8_t own = dialupflags::kHangUpWhenDone | dialupflags::kRedial;
  d.flags = static_cast<uint8_t>((d.flags & ~own) | (hangUp ? dialupflags::kHangUpWhenDone : 0) |
                                 (redial ? dialupflags::kRedial : 0));
  d.user = user;
  d.pass = pass;
  if (readInteger(times, v)) d.times = static_cast<uint16_t>(v);
  if (readInteger(wait, v)) d.wTime = static_cast<uint16_t>(v);
  d.establish = establish;
}

// ---- Schedule ----

namespace {
int minutesOf(uint32_t packed) {
  int hour = static_cast<int>(clampTo((packed >> 8) & 0xFF, 0, 23));
  int minute = static_cast<int>(clampTo(packed & 0xFF, 0, 59));
  return hour * 60 + minute;
}
uint32_t packed(int minutes) {
  return static_cast<uint32_t>((minutes / 60) << 8 | minutes % 60);
}
}  // namespace

SchedulePage SchedulePage::load(const GeneralSettings& g) {
  return SchedulePage{minutesOf(g.sStartTime), minutesOf(g.sStopTime), g.flagOne & 0x7F};
}

void SchedulePage::store(GeneralSettings& g) const {
  g.sStartTime = packed(start);
  g.sStopTime = packed(stop);
  g.flagOne = keepOthers(g.flagOne, 0x7F, days);
}

// ---- Sounds ----

SoundsPage SoundsPage::load(const SoundSettings& s) {
  return SoundsPage{s.sflag & kOwnBits, {s.addNewJob, s.downSuccess, s.downFail, s.allDown}};
}

void SoundsPage::store(SoundSettings& s) const {
  s.sflag = keepOthers(s.sflag, kOwnBits, flags);
  s.addNewJob = files[0];
  s.downSuccess = files[1];
  s.downFail = files[2];
  s.allDown = files[3];
}

// ---- Other ----

const std::vector<OtherItem>& otherItems() {
  static const char* kDouble = "When double-clicking on an item";
  static const char* kConfirm = "Confirmations";
  static const char* kMain = "Main Window";
  static const std::vector<OtherItem> items = {
      {kDouble, "Download Job", "Start/Stop", 0xC0, 0x00, true},
      {kDouble, "Download Job", "Edit", 0xC0, 0x40, true},
      {kDouble, "Download Job", "Comment", 0xC0, 0x80, true},
      {kDouble, "Successful download job", "View", 0x300, 0x000, true},
      {kDouble, "Successful download job", "Edit", 0x300, 0x100, true},
      {kDouble, "Successful download job", "Comment", 0x300, 0x200, true},
      {kDouble, "Failed Download job", "Open Folder", 0xC00, 0x000, true},
      {kDouble, "Failed Download job", "Edit", 0xC00, 0x400, true},
      {kDouble, "Failed Download job", "Comment", 0xC00, 0x800, true},
      {kConfirm, nullptr, "On program exit when files are downloading", 0x01, 0x01, false},
      {kConfirm, nullptr, "Setting confirm when add batch URLs", 0x02, 0x02, false},
      {kConfirm, nullptr, "When a URL is dropped on the DropZone", 0x04, 0x04, false},
      {kMain, nullptr, "Hide window when minimized", 0x2000, 0x2000, false},
      {kMain, nullptr, "Minimize main windows on click X", 0x4000, 0x4000, false},
      {kMain, nullptr, "Close Fetchwright when finished download ", 0x8000, 0x8000, false},
      {kMain, nullptr, "Display file size in bytes ", 0x10000, 0x10000, false},
      {kMain, nullptr, "Delete job from list after download completed", 0x20000, 0x20000, false},
      {"Advanced", nullptr, "Allocates disk space get filesize", 0x80000, 0x80000, false},
  };
  return items;
}

bool otherItemOn(uint32_t otherFlag, const OtherItem& item) {
  return (otherFlag & item.mask) == item.value;
}

uint32_t otherItemClicked(uint32_t otherFlag, const OtherItem& item) {
  if (item.radio) return (otherFlag & ~item.mask) | item.value;
  return otherFlag ^ item.mask;
}

}  // namespace fw
