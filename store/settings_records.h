#pragma once
// The program-wide settings: one plain record per registry key under
// "Software\Fetchwright\Fetchwright\", each value with its default and the rule that
// replaces an out-of-range stored value. Loading and saving them is
// store/settings_io.h; this header holds the values only.
//
// Units in memory: times in seconds unless a name says otherwise; MinSegment in bytes
// (the registry holds KiB); AutoSaveTime in seconds (the registry holds minutes).
//
// Threads: the records are filled on the main thread at start-up; afterwards the main
// thread writes them (options sheet) and other threads only read plain values.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/proxy_record.h"

namespace fw {

// Registry paths of the keys.
namespace settingkeys {
inline constexpr const char* kRoot = "Software\\Fetchwright\\Fetchwright";
inline constexpr const char* kGeneral = "Software\\Fetchwright\\Fetchwright\\General";
inline constexpr const char* kConnection = "Software\\Fetchwright\\Fetchwright\\Connection";
inline constexpr const char* kProtocol = "Software\\Fetchwright\\Fetchwright\\Protocol";
inline constexpr const char* kProxy = "Software\\Fetchwright\\Fetchwright\\Proxy";
inline constexpr const char* kDialUp = "Software\\Fetchwright\\Fetchwright\\DialUp";
inline constexpr const char* kColor = "Software\\Fetchwright\\Fetchwright\\Color";
inline constexpr const char* kSounds = "Software\\Fetchwright\\Fetchwright\\Sounds";
inline constexpr const char* kMain = "Software\\Fetchwright\\Fetchwright\\Main";
inline constexpr const char* kToolBar = "Software\\Fetchwright\\Fetchwright\\ToolBar";
inline constexpr const char* kDataFile = "Software\\Fetchwright\\Fetchwright\\DataFile";
inline constexpr const char* kSaveDir = "Software\\Fetchwright\\Fetchwright\\SaveDir";
inline constexpr const char* kFindStr = "Software\\Fetchwright\\Fetchwright\\FindStr";
inline constexpr const char* kDownSet = "Software\\Fetchwright\\Fetchwright\\DownSet";
}  // namespace settingkeys

// Bytes read from an SZ value unless a value says otherwise.
inline constexpr size_t kSettingTextMax = 600;

// "GeneralCheck" bits.
namespace generalcheck {
inline constexpr uint32_t kStartMinimized = 0x0001;
inline constexpr uint32_t kNonResumable = 0x0002;  // still download from non-resumable sites
inline constexpr uint32_t kStopOnError = 0x0004;
inline constexpr uint32_t kAutoSave = 0x0008;
inline constexpr uint32_t kWriteEvery = 0x0010;
inline constexpr uint32_t kServerFileDate = 0x0020;
inline constexpr uint32_t kStartOnStartup = 0x0040;
inline constexpr uint32_t kTempExtension = 0x0080;  // ".np!" until finished
inline constexpr uint32_t kDailyBackup = 0x0100;
}  // namespace generalcheck

// Where the update information comes from unless the settings say otherwise: fixed
// when the program is built (the CMake cache options FW_UPDATE_HOST, FW_UPDATE_PORT,
// FW_UPDATE_PATH, FW_UPDATE_PAGE and FW_HOME_PAGE). An empty host means no update check.
const char* builtInUpdateHost();
uint32_t builtInUpdatePort();
const char* builtInUpdatePath();
const char* builtInUpdatePage();
const char* builtInHomePage();

struct GeneralSettings {
  static constexpr uint32_t kGeneralCheckDefault = 0x70AA;
  static constexpr uint32_t kMaxSplitDefault = 15;
  static constexpr uint32_t kMaxSplitMax = 128;  // above -> default
  static constexpr uint32_t kAutoSaveMinutesDefault = 17;
  static constexpr uint32_t kAutoSaveMinutesMin = 2;  // 1 or less -> default
  static constexpr uint32_t kAutoSaveOffSeconds =
      1020;  // the options page sets this when auto-save is off
  static constexpr uint32_t kBufferSizeDefault = 4096;  // KiB
  static constexpr uint32_t kBufferSizeMin = 16;
  static constexpr uint32_t kBufferSizeMax = 4096;
  static constexpr uint32_t kMinSegmentKiBDefault = 100;
  static constexpr uint32_t kMinSegmentKiBMin = 10;
  static constexpr uint32_t kMinSegmentKiBMax = 100;
  static constexpr uint32_t kMonitorDefault = 46;
  static constexpr size_t kMonitorTypeMax = 1200;
  static constexpr const char* kMonitorTypeDefault =
      ".ZIP;.EXE;.BIN;.GZ;.Z;.TAR;.ARJ;.LZH;.MP3;.RAR;.CHM";
  static constexpr uint32_t kSStartTimeDefault = 256;  // 01:00
  static constexpr uint32_t kSStopTimeDefault = 1280;  // 05:00
  static constexpr uint32_t kFlagOneDefault = 127;     // every day
  static constexpr uint32_t kOtherFlagDefault = 0x0C641F;
  static constexpr uint32_t kMFlagsDefault = 5;
  static constexpr const char* kVirusTypeDefault =
      ".ZIP;.EXE;.DO?;.XL?;.COM;.BIN;.GZ;.Z;.TAR;.ARJ;.LZH;.SIT;.HQX;.TGZ;.DLL;.OCX;.VBX";
  static constexpr int32_t kWDropXDefault = 6;
  static constexpr int32_t kWDropYDefault = 5;
  static constexpr int32_t kWDropNegativeFallback = 2;
  static constexpr uint32_t kDFlagsDefault = 29;
  static constexpr uint32_t kDFlagsMask = 0x3F;
  static constexpr uint32_t kSplitterDefault = 5;
  static constexpr uint32_t kSplitterMin = 1;
  static constexpr uint32_t kSplitterMax = 15;
  static constexpr uint32_t kRateDefault = 3;
  static constexpr uint32_t kRateMin = 1;
  static constexpr uint32_t kRateMax = 5;
  static constexpr uint32_t kCateDefault = 2;
  static constexpr uint32_t kSkinDefault = 0;

  uint32_t generalCheck = kGeneralCheckDefault;
  uint32_t maxSplit = kMaxSplitDefault;
  uint32_t autoSaveSeconds = kAutoSaveMinutesDefault * 60;
  uint32_t bufferSize = kBufferSizeDefault;
  uint32_t minSegmentBytes = kMinSegmentKiBDefault * 1024;
  uint32_t monitor = kMonitorDefault;
  std::string monitorType = kMonitorTypeDefault;
  uint32_t sStartTime = kSStartTimeDefault;  // hour << 8 | minute
  uint32_t sStopTime = kSStopTimeDefault;
  uint32_t flagOne = kFlagOneDefault;  // bit 0 Monday ... bit 6 Sunday
  uint32_t otherFlag = kOtherFlagDefault;
  uint32_t mFlags = kMFlagsDefault;
  std::string virusExe;
  std::string virusArgs;
  std::string virusType = kVirusTypeDefault;
  int32_t wDropX = kWDropXDefault;
  int32_t wDropY = kWDropYDefault;
  uint32_t dFlags = kDFlagsDefault;
  uint32_t splitter = kSplitterDefault;
  uint32_t rate = kRateDefault;
  uint32_t cate = kCateDefault;
  std::string defaultPath;  // the download folder; see fillPathDefaults
  std::string dUser;
  std::string sysAt;
  uint32_t skin = kSkinDefault;
  uint32_t autoUpdate = 1;                       // "AutoUpdate": the automatic update check, 0 off
  std::string updateHost = builtInUpdateHost();  // "UpdateHost"
  uint32_t updatePort = builtInUpdatePort();     // "UpdatePort", 1 to 65535
  std::string updatePath = builtInUpdatePath();  // "UpdatePath"
  std::string updatePage = builtInUpdatePage();  // "UpdatePage": what "More Info" opens
  std::string homePage = builtInHomePage();      // "HomePage"

  bool option(uint32_t bit) const { return (generalCheck & bit) != 0; }
  // "OtherFlag" byte 3: 0 Unlimited, 1 Manual, 2 Automatic.
  uint8_t bandwidthMode() const { return static_cast<uint8_t>(otherFlag >> 24); }
  bool closeWhenDone() const { return (otherFlag & 0x8000) != 0; }         // byte 1 bit 7
  bool sizeInBytes() const { return (otherFlag & 0x010000) != 0; }         // byte 2 bit 0
  bool deleteWhenComplete() const { return (otherFlag & 0x020000) != 0; }  // byte 2 bit 1
  bool preallocate() const { return (otherFlag & 0x080000) != 0; }         // byte 2 bit 3
};

// One preset of the connection type list.
struct ConnectionTypePreset {
  const char* name;
  uint32_t bandWidth;   // 0: typed by the user
  uint32_t manualBand;  // 0 with "Other": left as it is
  uint32_t autoBand;
};
inline constexpr std::array<ConnectionTypePreset, 11> kConnectionTypes = {{
    {"14.4K Modem", 1800, 500, 400},
    {"28.8K Modem", 3600, 800, 500},
    {"33.6K Modem", 4200, 1000, 500},
    {"56K Modem/ISDN", 7000, 1200, 800},
    {"128K ISDN", 16000, 4000, 1600},
    {"256K Cable/DSL", 32000, 6000, 3200},
    {"300K Cable/DSL", 37500, 8000, 3750},
    {"512K Cable/DSL", 64000, 10000, 6400},
    {"T1", 187500, 25000, 15000},
    {"LAN 10M", 1250000, 400000, 100000},
    {"Other", 0, 0, 0},
}};

struct ConnectionSettings {
  static constexpr uint32_t kConnOutDefault = 90;
  static constexpr uint32_t kConnOutMin = 30;
  static constexpr uint32_t kConnOutMax = 600;
  static constexpr uint32_t kDataOutDefault = 90;
  static constexpr uint32_t kDataOutMin = 30;
  static constexpr uint32_t kDataOutMax = 600;
  static constexpr uint32_t kRelaytDefault = 5;
  static constexpr uint32_t kRelaytMin = 1;
  static constexpr uint32_t kRelaytMax = 600;
  static constexpr uint32_t kSimuRoleDefault = 4;
  static constexpr uint32_t kSimuRoleMax = 10;
  static constexpr uint32_t kRetryNumDefault = 99;
  static constexpr uint32_t kRetryNumMax = 60000;
  static constexpr uint32_t kConnTypeDefault = 0x88;
  static constexpr uint32_t kConnTypeIndexMask = 0x0F;
  static constexpr uint32_t kConnTypeIndexLimit = 12;  // index 12 or more -> index 8
  static constexpr uint32_t kConnTypeIndexFallback = 8;
  static constexpr uint32_t kAlwaysRetry = 0x10;
  static constexpr uint32_t kBandWidthDefault = 187500;
  static constexpr uint32_t kBandWidthMin = 1800;
  static constexpr uint32_t kManaulBandDefault = 26000;
  static constexpr uint32_t kManaulBandMin = 400;
  static constexpr uint32_t kManaulBandFallback = 600;
  static constexpr uint32_t kAutoBandDefault = 16000;
  static constexpr uint32_t kAutoBandMin = 100;
  static constexpr uint32_t kAutoBandFallback = 200;
  static constexpr uint32_t kPacingDefault = 1;

  uint32_t connOut = kConnOutDefault;  // seconds
  uint32_t dataOut = kDataOutDefault;  // seconds
  uint32_t relayt = kRelaytDefault;    // seconds between retries
  uint32_t simuRole = kSimuRoleDefault;
  uint32_t retryNum = kRetryNumDefault;
  uint32_t connType = kConnTypeDefault;
  uint32_t bandWidth = kBandWidthDefault;    // bytes per second
  uint32_t manaulBand = kManaulBandDefault;  // bytes per second
  uint32_t autoBand = kAutoBandDefault;      // bytes per second
  // "Pacing": 1 (and any value but 0) keeps the pause before each connection and the
  // queue's once-a-second start; 0 turns both off (RoleSettings, MonitorSettings).
  uint32_t pacing = kPacingDefault;

  uint32_t typeIndex() const { return connType & kConnTypeIndexMask; }
  bool alwaysRetry() const { return (connType & kAlwaysRetry) != 0; }
  bool paced() const { return pacing != 0; }
};

namespace protocolcheck {
inline constexpr uint32_t kSendReferrer = 0x01;
inline constexpr uint32_t kBrowserCookies = 0x02;
}  // namespace protocolcheck

struct ProtocolSettings {
  static constexpr uint32_t kCheckDefault = 7;
  static constexpr uint32_t kUserAgentDefault = 4;
  static constexpr uint32_t kUserAgentUserDefined = 7;
  static constexpr const char* kAsciiModeDefault = ".TXT";
  static constexpr const char* kFtpLoginMailDefault = "fetchwright@example.com";
  static constexpr uint32_t kTlsVerifyDefault = 1;  // any value other than 0 or 1 -> 1

  uint32_t check = kCheckDefault;
  uint32_t userAgent = kUserAgentDefault;
  std::string asciiMode = kAsciiModeDefault;
  std::string userAgentText;
  std::string ftpLoginMail = kFtpLoginMailDefault;
  uint32_t tlsVerify = kTlsVerifyDefault;  // 1: check the server's certificate and name
};

struct ProxySettings {
  static constexpr uint32_t kDefaultFtpDefault = 0;
  static constexpr uint32_t kDefaultHttpDefault = 0;
  static constexpr uint32_t kRollBackDefault = 2048;
  static constexpr uint32_t kFlagsDefault = 3;
  static constexpr const char* kDirectTitle = "Direct Connection";
  static constexpr const char* kEntryKeyFormat = "Proxy%d";  // numbered from 1

  uint32_t defaultFtp = kDefaultFtpDefault;
  uint32_t defaultHttp = kDefaultHttpDefault;
  uint32_t rollBack = kRollBackDefault;
  uint32_t flags = kFlagsDefault;
  // Entry 1 ("Proxy1") is always the direct connection.
  std::vector<ProxyRecord> proxies = {directConnection()};

  static ProxyRecord directConnection() {
    ProxyRecord r;
    r.title = kDirectTitle;
    r.type = kProxyDirect;
    return r;
  }
};

namespace dialupflags {
inline constexpr uint8_t kHangUpWhenDone = 0x01;
inline constexpr uint8_t kRedial = 0x02;
}  // namespace dialupflags

struct DialUpSettings {
  static constexpr uint16_t kTimesDefault = 5;
  static constexpr uint16_t kTimesMin = 1;
  static constexpr uint16_t kTimesMax = 100;
  static constexpr uint16_t kTimesFallback = 100;
  static constexpr uint16_t kWTimeDefault = 5;
  static constexpr uint16_t kWTimeMin = 1;
  static constexpr uint16_t kWTimeMax = 60;
  static constexpr uint16_t kWTimeFallback = 60;
  static constexpr const char* kEstablishDefault = "Reestablish Connection";
  static constexpr uint8_t kFlagsDefault = 2;
  static constexpr uint8_t kWDialupDefault = 0;

  uint16_t times = kTimesDefault;
  uint16_t wTime = kWTimeDefault;  // seconds between attempts
  std::string establish = kEstablishDefault;
  std::string dialTitle;
  std::string user;
  std::string pass;
  uint8_t flags = kFlagsDefault;
  uint8_t wDialup = kWDialupDefault;
};

// Colours are 0x00BBGGRR.
struct ColorSettings {
  static constexpr uint32_t kErrorDefault = 0xF984F0;
  static constexpr uint32_t kErrorBkDefault = 0xB4F0C8;
  static constexpr uint32_t kCommandDefault = 0xF4244E;
  static constexpr uint32_t kCommandBkDefault = 0x78F078;
  static constexpr uint32_t kServerDefault = 0x100000;
  static constexpr uint32_t kServerBkDefault = 0xA3F0A0;
  static constexpr uint32_t kStateDefault = 0x222518;
  static constexpr uint32_t kStateBkDefault = 0xACA904;
  static constexpr uint32_t kGraphBackDefault = 0x000000;
  static constexpr uint32_t kGraphForeDefault = 0x57FF18;
  static constexpr uint32_t kScaleDefault = 7;
  static constexpr uint32_t kScaleMin = 1;
  static constexpr uint32_t kScaleMax = 1000;
  static constexpr uint32_t kBlockSizeDefault = 4;  // KiB
  static constexpr uint32_t kBlockBackDefault = 0xC0C0C0;
  static constexpr uint32_t kProgressCorDefault = 0xA3A3A3;
  static constexpr uint32_t kBlockTextDefault = 0x660000;
  static constexpr uint32_t kAlphaDefault = 128;
  static constexpr uint32_t kFlagDefault = 3;

  uint32_t error = kErrorDefault;
  uint32_t errorBk = kErrorBkDefault;
  uint32_t command = kCommandDefault;
  uint32_t commandBk = kCommandBkDefault;
  uint32_t server = kServerDefault;
  uint32_t serverBk = kServerBkDefault;
  uint32_t state = kStateDefault;
  uint32_t stateBk = kStateBkDefault;
  uint32_t graphBack = kGraphBackDefault;
  uint32_t graphFore = kGraphForeDefault;
  uint32_t scale = kScaleDefault;  // KiB/s
  uint32_t blockSize = kBlockSizeDefault;
  uint32_t blockBack = kBlockBackDefault;
  uint32_t progressCor = kProgressCorDefault;
  uint32_t blockText = kBlockTextDefault;
  uint32_t alpha = kAlphaDefault;
  uint32_t flag = kFlagDefault;

  uint32_t scaleBytes() const { return scale * 1024; }
  uint32_t blockSizeBytes() const { return blockSize * 1024; }
};

namespace soundflags {
inline constexpr uint32_t kSuccessNotice = 0x01;
inline constexpr uint32_t kFailureNotice = 0x02;
inline constexpr uint32_t kAllDoneNotice = 0x04;
inline constexpr uint32_t kSoundsOn = 0x08;
}  // namespace soundflags

struct SoundSettings {
  static constexpr uint32_t kSflagDefault = 2;
  static constexpr const char* kSoundsFolder = "Sounds";  // under the program's data folder
  static constexpr const char* kAddNewJobFile = "addnew.wav";
  static constexpr const char* kDownSuccessFile = "finish.wav";
  static constexpr const char* kDownFailFile = "error.wav";
  static constexpr const char* kAllDownFile = "alldown.wav";

  uint32_t sflag = kSflagDefault;
  std::string addNewJob;  // defaults: see fillPathDefaults
  std::string downSuccess;
  std::string downFail;
  std::string allDown;
};

// Main window layout; empty binaries mean "not stored" (the window uses its defaults).
struct MainSettings {
  static constexpr size_t kWinLayoutSize = 44;
  std::vector<uint8_t> winLayout;  // 44 bytes when present
  std::string formEx;              // "%04d%04d%04d%04d"
  std::string thdFormEx;
};

struct ToolBarSettings {
  static constexpr size_t kButtonRecordSize = 20;
  static constexpr size_t kButtonMaxBytes = 1000;  // 50 buttons
  std::vector<uint8_t> button;                     // empty: the built-in toolbar
};

struct DataFileSettings {
  static constexpr size_t kRemoteFileMax = 2000;
  static constexpr size_t kLocalFileMax = 200;
  std::string remoteFile;  // path of the current job database; empty: the default path
  std::string localFile;   // carried through unchanged
};

// "List1" ... "List10", oldest first.
struct MruList {
  static constexpr int kMaxEntries = 10;
  static constexpr int kAppendBelow = 9;  // fewer present: append; else drop the oldest
  static constexpr size_t kEntryMax = 256;
  std::vector<std::string> entries;

  // Drops the oldest when nine or more are present, then appends `text`.
  void add(const std::string& text);
};

// One column slot of the job list layout.
struct ColumnSlot {
  uint8_t position = 0;
  uint16_t width = 0;
  uint8_t visible = 0;
  bool operator==(const ColumnSlot&) const = default;
};

struct ColumnLayout {
  static constexpr int kSlots = 16;
  static constexpr size_t kSlotTableSize = 64;
  static constexpr size_t kOrderSize = 32;
  std::array<ColumnSlot, kSlots> slots{};
  std::array<uint16_t, kSlots> order{};
  bool operator==(const ColumnLayout&) const = default;

  // Built-in layouts: `queue` for the "Download" category, else the others.
  static ColumnLayout builtIn(bool queue);
};

struct DownSetSettings {
  ColumnLayout download = ColumnLayout::builtIn(true);  // "SaveOne" / "OrderOne"
  ColumnLayout others = ColumnLayout::builtIn(false);   // "SaveTwo" / "OrderTwo"
};

struct Settings {
  GeneralSettings general;
  ConnectionSettings connection;
  ProtocolSettings protocol;
  ProxySettings proxy;
  DialUpSettings dialUp;
  ColorSettings color;
  SoundSettings sounds;
  MainSettings main;
  ToolBarSettings toolBar;
  DataFileSettings dataFile;
  MruList saveDirs;
  MruList findStrings;
  DownSetSettings downSet;
};

// Fills the defaults that are paths: "DefaultPath" becomes `downloadFolder`, each sound
// `<dataFolder>/Sounds/<file>` (dataFolder: the program's read-only data folder).
void fillPathDefaults(Settings& s, const std::string& downloadFolder,
                      const std::string& dataFolder);

}  // namespace fw
