#include "ui/main_window/command_table.h"

#include <algorithm>

#include "ui/main_window/command_ids.h"

namespace fw {

namespace {

// The "Monitor" flag bits the menu toggles.
constexpr uint32_t kMonitorClipboardBit = 0x01;
constexpr uint32_t kMonitorBrowserBit = 0x20;
constexpr uint32_t kShutDownBit = 0x80;

std::vector<CommandInfo> buildTable() {
  using namespace cmd;
  std::vector<CommandInfo> t = {
      {kNewCategory, "New Category", "", false, Icon::CategoryUser,
       "Create a category under the selected one"},
      {kEditCategory, "Edit Category...", "", false, Icon::Properties,
       "Change the name and folder of the selected category"},
      {kCategoryProperties, "Properties", "", false, Icon::Properties,
       "Show the selected category's properties"},
      {kDeleteCategory, "Delete", "", false, Icon::Delete,
       "Delete the selected category and its sub-categories"},
      {kMoveCategory, "Move To", "", false, Icon::Folder,
       "Move the selected category under another one"},
      {kNewDatabase, "New Database...", "Ctrl+N", false, Icon::NewDatabase,
       "Start an empty job database"},
      {kOpenDatabase, "Open Database ...", "Ctrl+O", false, Icon::OpenDatabase,
       "Open a job database file"},
      {kSaveDatabase, "Save Database...", "Ctrl+S", false, Icon::Save, "Save the job database"},
      {kSaveAs, "Save As", "", false, Icon::Save, "Save the job database under another name"},
      {kExportHtml, "Export To HTML File", "", false, Icon::Web,
       "Export the job list to a web page"},
      {kExit, "&Exit", "Ctrl+Q", false, Icon::Exit, "Quit Fetchwright"},
      {kDropZone, "DropZone", "", true, Icon::App, "Show or hide the drop target"},
      {kCustomizeToolbar, "Customize Toolbar...", "", false, Icon::Options,
       "Choose the toolbar's buttons"},
      {kGridLines, "Grid Lines", "", true, Icon::Columns, "Show grid lines in the job list"},
      {kColumns, "Columns...", "", false, Icon::Columns, "Choose and order the job list's columns"},
      {kDetailPane, "Detailed Info", "", true, Icon::Properties,
       "Show or hide detailed information"},
      {kAddBatch, "Add batch download...", "", false, Icon::AddBatch,
       "Add a numbered series of URLs"},
      {kNewDownload, "&New DownLoad", "Insert", false, Icon::New, "Add a new download job"},
      {kMoveUp, "Move up", "", false, Icon::Up, "Move the selected jobs up in the queue"},
      {kMoveDown, "Move down", "", false, Icon::Down, "Move the selected jobs down in the queue"},
      {kMoveTop, "&Move to Top", "", false, Icon::Top, "Move the selected jobs to the top"},
      {kMoveBottom, "&Move to Bottom", "", false, Icon::Bottom,
       "Move the selected jobs to the bottom"},
      {kSpeed, "Speed", "", false, Icon::Speed, "Step the speed-limit mode"},
      {kUnlimited, "Unlimited", "", true, Icon::Speed, "No speed limit"},
      {kManual, "Manual", "", true, Icon::Speed, "Limit the speed to the manual limit"},
      {kAutomatic, "Automatic", "", true, Icon::Speed, "Limit the speed to the automatic limit"},
      {kStart, "&Start", "", false, Icon::Start, "Start the selected jobs"},
      {kPause, "&Pause", "", false, Icon::Stop, "Stop the selected jobs"},
      {kStartAll, "&Start All", "", false, Icon::Start, "Start every job of the queue"},
      {kPauseAll, "&Pause All", "", false, Icon::Stop, "Stop every running job"},
      {kSchedule, "&Schedule", "", false, Icon::Schedule,
       "Start the selected jobs at the scheduled time"},
      {kDelete, "&Delete", "", false, Icon::Delete,
       "Delete the selected jobs (with Shift: for good)"},
      {kProperty, "&Property", "", false, Icon::Properties, "Edit the selected job"},
      {kComment, "&Comment", "", false, Icon::Comment, "Edit the selected job's comment"},
      {kBrowseReferrer, "&Browse Referrer", "", false, Icon::Web,
       "Open the referring page in the web browser"},
      {kCopyUrl, "&Copy URL to clopboard", "", false, Icon::Copy, "Copy the selected job's URL"},
      {kCopyUrl2, "Copy URL to clipboard", "", false, Icon::Copy, "Copy the selected job's URL"},
      {kIncreaseSplit, "&Increase split parts", "", false, Icon::New,
       "Add a connection to the selected job"},
      {kDecreaseSplit, "&Decrease split parts", "", false, Icon::Delete,
       "Remove a connection from the selected job"},
      {kShutDownWhenDone, "Shut Down when done", "", true, Icon::ShutDown,
       "Shut the computer down when the queue is done"},
      {kOptions, "Options...", "", false, Icon::Options, "Change the settings"},
      {kRename, "&Rename", "F2", false, Icon::Rename, "Rename the selected job's file"},
      {kCheckForUpdate, "&Check for update", "", false, Icon::Again,
       "Download the selected files again when the server has a newer copy"},
      {kDownloadAgain, "Download Again", "", false, Icon::Again,
       "Delete the downloaded files and fetch them again"},
      {kOpenFolder, "Open Destination directory", "", false, Icon::Folder, "Open the job's folder"},
      {kUserManual, "User Manual", "F1", false, Icon::Help, "Open the user manual"},
      {kCheckNewVersion, "Check for a new version of Fetchwright", "", false, Icon::Web,
       "Ask whether a newer Fetchwright exists"},
      {kHomePage, "Fetchwright home page", "", false, Icon::HomePage,
       "Open Fetchwright's home page"},
      {kFaq, "Frequently Asked Questions", "", false, Icon::Help,
       "Open the page of frequently asked questions"},
      {kFind, "Find", "Ctrl+F", false, Icon::Find, "Find a job by name, URL or comment"},
      {kFindNext, "Find next", "F3", false, Icon::Find, "Find the next matching job"},
      {kOpenFile, "Open Downloaded file", "", false, Icon::OpenFile, "Open the downloaded file"},
      {kOpenHide, "Open/Hide Fetchwright", "", false, Icon::App, "Show or hide the main window"},
      {kSelectAll, "Select all", "Ctrl+A", false, Icon::Columns, "Select every job of the list"},
      {kReverse, "Reverse", "", false, Icon::Columns, "Invert the selection"},
      {kMonitorClipboard, "Monitor ClipBoard", "", true, Icon::Copy,
       "Take download links copied to the clipboard"},
      {kMonitorBrowser, "Monitor Browser", "", true, Icon::Web,
       "Take downloads clicked in the web browser"},
      {kVirusScan, "Virus Scan", "", false, Icon::Find, "Scan the selected files"},
      {kHangUpWhenDone, "Hang up when done", "", true, Icon::ShutDown,
       "Hang up the dial-up connection when the queue is done"},
      {kConnect, "Connect/Disconnect", "", false, Icon::Web, "Dial or hang up"},
      {kCopyFile, "&Copy file", "", false, Icon::Copy, "Copy the downloaded file to a folder"},
      {kSkinFirst, "Standard", "", true, Icon::App, "The standard look"},
      {kRoleStart, "&Start", "", false, Icon::Start, "Start this connection again"},
      {kRoleStop, "&Stop", "", false, Icon::Stop, "Stop this connection"},
      {kRoleRestart, "&Restart", "", false, Icon::Again, "Stop this connection and start it anew"},
      {kChangeProxy, "Change Proxy", "", false, Icon::Web,
       "Restart this connection through another proxy"},
      {kLogCopy, "Copy", "", false, Icon::Copy, "Copy the selected lines"},
      {kLogSelectAll, "Select All", "", false, Icon::Columns, "Select every line"},
      {kLogSave, "Save to file", "", false, Icon::Save, "Save the lines to a file"},
      {kAbout, "About", "", false, Icon::About, "About Fetchwright"},
  };
  return t;
}

}  // namespace

const std::vector<CommandInfo>& commandTable() {
  static const std::vector<CommandInfo> table = buildTable();
  return table;
}

const CommandInfo* commandInfo(int id) {
  const auto& t = commandTable();
  auto it = std::find_if(t.begin(), t.end(), [id](const CommandInfo& c) { return c.id == id; });
  return it == t.end() ? nullptr : &*it;
}

bool commandEnabled(int id, const CommandContext& c) {
  using namespace cmd;
  const bool queue = c.shown == ShownKind::Queue;
  const bool one = c.selected == 1;
  const int stopped = c.selected - c.selectedRunning;
  const bool userCategory = c.categorySelected && !c.categoryIsRoot && !c.categoryFixed;
  switch (id) {
    case kStart:
      return queue && stopped - c.selectedComplete > 0;
    case kPause:
      return queue && c.selected > 0;
    case kSchedule:
      return queue && stopped - c.selectedComplete > 0;
    case kStartAll:
      return c.startable > 0;
    case kPauseAll:
      return c.running > 0 || c.queued > 0;
    case kMoveUp:
    case kMoveDown:
    case kMoveTop:
    case kMoveBottom:
      return queue && c.selected > 0 && c.selected < c.rows;
    case kDelete:
      return c.selected > 0;
    case kProperty:
    case kComment:
    case kOpenFolder:
      return one;
    case kBrowseReferrer:
      return one && c.selectedHasReferer;
    case kCopyUrl:
    case kCopyUrl2:
      return c.selected > 0;
    case kIncreaseSplit:
    case kDecreaseSplit:
      return c.roleNode ? c.shownJobRunning : one && c.selectedRunning == 1;
    case kRename:
      return one && c.selectedRunning == 0;
    case kCheckForUpdate:
      return c.selectedComplete > 0 && c.selectedRunning == 0;
    case kDownloadAgain:
      return stopped > 0;
    case kOpenFile:
    case kCopyFile:
      return one && c.selectedComplete == 1;
    case kVirusScan:
      return c.virusScanner && c.selectedComplete > 0;
    case kSelectAll:
    case kReverse:
    case kFind:
      return c.rows > 0;
    case kFindNext:
      return c.rows > 0 && c.findText;
    case kNewCategory:
    case kCategoryProperties:
      return c.categorySelected;
    case kEditCategory:
      return c.categorySelected && !c.categoryIsRoot;
    case kDeleteCategory:
    case kMoveCategory:
      return userCategory;
    case kRoleStart:
      return c.roleNode && c.shownJobRunning && !c.roleAlive;
    case kRoleStop:
    case kChangeProxy:
      return c.roleNode && c.roleAlive;
    case kRoleRestart:
      return c.roleNode && c.shownJobRunning;
    case kLogCopy:
      return c.logSelection;
    case kLogSelectAll:
    case kLogSave:
      return c.logRows;
    case kUserManual:
      return c.manualPresent;
    case kHomePage:
    case kFaq:
      return c.homePage;
    default:
      return true;
  }
}

std::optional<bool> commandChecked(int id, const CommandContext& c) {
  using namespace cmd;
  switch (id) {
    case kUnlimited:
      return c.bandwidthMode == 0;
    case kManual:
      return c.bandwidthMode == 1;
    case kAutomatic:
      return c.bandwidthMode == 2;
    case kShutDownWhenDone:
      return (c.monitor & kShutDownBit) != 0;
    case kMonitorClipboard:
      return (c.monitor & kMonitorClipboardBit) != 0;
    case kMonitorBrowser:
      return (c.monitor & kMonitorBrowserBit) != 0;
    case kDetailPane:
      return c.detailShown;
    case kGridLines:
      return c.gridLines;
    case kDropZone:
      return c.dropZoneShown;
    case kHangUpWhenDone:
      return c.hangUpWhenDone;
    default:
      if (id >= kSkinFirst && id <= kSkinLast) return id - kSkinFirst == c.skin;
      return std::nullopt;
  }
}

}  // namespace fw
