#pragma once
// The main window's command identifiers. The numbers are the design's; the few items the
// design builds at run time without a fixed number (marked "ours") take free numbers.

namespace fw::cmd {

inline constexpr int kColumns = 32776;  // ours: the "Colume" dialog
inline constexpr int kNewCategory = 32777;
inline constexpr int kEditCategory = 32778;
inline constexpr int kCategoryProperties = 32779;
inline constexpr int kNewDatabase = 32780;
inline constexpr int kOpenDatabase = 32781;
inline constexpr int kSaveDatabase = 32783;
inline constexpr int kDeleteCategory = 32784;
inline constexpr int kMoveCategory = 32785;  // ours: "Move To"
inline constexpr int kDropZone = 32786;
inline constexpr int kCustomizeToolbar = 32789;
inline constexpr int kGridLines = 32793;
inline constexpr int kAddBatch = 32798;
inline constexpr int kNewDownload = 32799;
inline constexpr int kMoveUp = 32805;
inline constexpr int kMoveDown = 32806;
inline constexpr int kSpeed = 32807;
inline constexpr int kUnlimited = 32808;
inline constexpr int kManual = 32809;
inline constexpr int kAutomatic = 32810;
inline constexpr int kStart = 32816;
inline constexpr int kPause = 32817;
inline constexpr int kStartAll = 32818;
inline constexpr int kPauseAll = 32819;
inline constexpr int kSchedule = 32820;
inline constexpr int kMoveTop = 32822;
inline constexpr int kMoveBottom = 32823;
inline constexpr int kDelete = 32824;
inline constexpr int kProperty = 32825;
inline constexpr int kBrowseReferrer = 32827;
inline constexpr int kCopyUrl = 32829;
inline constexpr int kDetailPane = 32835;
inline constexpr int kIncreaseSplit = 32839;
inline constexpr int kDecreaseSplit = 32840;
inline constexpr int kShutDownWhenDone = 32842;
inline constexpr int kOptions = 32845;
inline constexpr int kRename = 32847;
inline constexpr int kCheckForUpdate = 32851;
inline constexpr int kDownloadAgain = 32852;
inline constexpr int kOpenFolder = 32853;
inline constexpr int kUserManual = 32854;
inline constexpr int kCheckNewVersion = 32857;
inline constexpr int kHomePage = 32858;
inline constexpr int kFaq = 32859;
inline constexpr int kFind = 32861;
inline constexpr int kOpenFile = 32864;
inline constexpr int kComment = 32866;
inline constexpr int kCopyUrl2 = 32868;
inline constexpr int kSaveAs = 32874;
inline constexpr int kOpenHide = 32875;
inline constexpr int kSelectAll = 32877;
inline constexpr int kReverse = 32878;
inline constexpr int kFindNext = 32879;
inline constexpr int kMonitorClipboard = 32881;
inline constexpr int kMonitorBrowser = 32888;
inline constexpr int kVirusScan = 32889;
inline constexpr int kRoleStart = 32891;     // ours: Role tree "&Start"
inline constexpr int kRoleStop = 32892;      // ours: Role tree "&Stop"
inline constexpr int kRoleRestart = 32893;   // ours: Role tree "&Restart"
inline constexpr int kChangeProxy = 32894;   // ours: Role tree "Change Proxy"
inline constexpr int kLogCopy = 32895;       // ours: log pane "Copy"
inline constexpr int kLogSelectAll = 32896;  // ours: log pane "Select All"
inline constexpr int kLogSave = 32897;       // ours: log pane "Save to file"
inline constexpr int kHangUpWhenDone = 32942;
inline constexpr int kConnect = 32943;
inline constexpr int kExportHtml = 32944;
inline constexpr int kCopyFile = 32947;
inline constexpr int kSkinFirst = 37002;
inline constexpr int kSkinLast = 37102;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;

}  // namespace fw::cmd
