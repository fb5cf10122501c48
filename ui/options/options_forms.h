#pragma once
// What each page of the "Options" sheet shows and stores, without widgets: a page's
// controls as plain values (edits as the text typed), read from the settings records,
// checked in the order the page checks them, and stored back. The widgets of
// options_sheet.h only copy between these and their controls.
//
// A value the settings hold that its page would refuse (a registry edited by hand, an
// older version's value) is brought into the page's range when it is read, so the sheet
// never shows or stores a value it would refuse. Bits a page does not own are kept as
// they are when it stores.
//
// Pure values: any thread, though the sheet uses them on the main thread only.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/settings_records.h"

namespace fw {

// The first refused field of a page: its index in the page's Field list and the
// warning. field < 0: every check passed.
struct FieldError {
  int field = -1;
  std::string message;
  bool ok() const { return field < 0; }
};

// A whole decimal integer, blanks around it allowed. False for anything else
// (empty, letters, a sign alone, more than 18 digits).
bool readInteger(const std::string& text, int64_t& out);

// Page 0.
struct GeneralPage {
  enum Field { kAutoSaveMinutes, kBufferKb, kMinSegmentKb };
  static constexpr uint32_t kOwnBits = 0x1FF;  // the nine check boxes

  uint32_t checks = 0;  // "GeneralCheck" bits 0 to 8
  std::string autoSaveMinutes;
  std::string bufferKb;
  std::string minSegmentKb;

  static GeneralPage load(const GeneralSettings& g);
  FieldError check() const;
  void store(GeneralSettings& g) const;  // after check() passed
};

// Page 1.
struct ConnectionPage {
  enum Field {
    kConnOut,
    kDataOut,
    kRelayt,
    kSimuRole,
    kRetryNum,
    kBandWidth,
    kManualBand,
    kAutoBand
  };
  static constexpr int kOtherType = 10;

  std::array<std::string, 8> edits;  // indexed by Field
  int typeIndex = 8;
  bool alwaysRetry = false;

  static ConnectionPage load(const ConnectionSettings& c);
  // The type list's selection changed: a preset fills the three traffic edits; "Other"
  // leaves them as they are.
  void chooseType(int index);
  bool speedEditable() const { return typeIndex == kOtherType; }
  FieldError check() const;
  void store(ConnectionSettings& c) const;
};

// Page 3.
struct ProtocolPage {
  static constexpr uint32_t kOwnBits = 0x03;
  static constexpr std::array<const char*, 8> kAgents = {"None",
                                                         "Fetchwright",
                                                         "Internet Explorer 3.x",
                                                         "Internet Explorer 4.x",
                                                         "Internet Explorer 5.x",
                                                         "Netscape Navigator 3.x",
                                                         "Netscape Navigator 4.x",
                                                         "User Define"};

  uint32_t checks = 0;  // bit 0 "Send Referrer", bit 1 "Enable Cookies"
  int agent = 4;
  std::string agentText;
  std::string asciiMode;
  std::string loginMail;

  static ProtocolPage load(const ProtocolSettings& p);
  bool agentTextEditable() const { return agent == static_cast<int>(kAgents.size()) - 1; }
  void store(ProtocolSettings& p) const;
};

// Page 4. Bit 7 of "Monitor" ("shut down when done", a toolbar switch) is not the page's.
struct MonitorPage {
  static constexpr uint32_t kOwnBits = 0x7F;
  uint32_t flags = 0;
  std::string types;

  static MonitorPage load(const GeneralSettings& g);
  // Types are stored in upper case.
  void store(GeneralSettings& g) const;
};

// Page 5.
struct GraphPage {
  enum Field { kScale };
  static constexpr uint32_t kOwnFlagBits = 0x03;  // "Transparent", "Display Graph At DropZone"

  std::string scale;
  ColorSettings colors;  // the colours as picked; flag bits 0 and 1 as checked

  static GraphPage load(const ColorSettings& c);
  // "Reset": the list's background, text and progress back colours.
  void reset();
  FieldError check() const;
  void store(ColorSettings& c) const;
};

// Page 6.
struct FileManagerPage {
  static constexpr uint32_t kOwnBits = 0x1F;
  static constexpr uint32_t kScannerBit = 0x10;
  int finished = 1;  // 0 "Do not Move", 1 "Prompt", 2 "Move"
  int exists = 1;    // 0 "Overwrite", 1 "Auto Rename", 2 "Stop"
  bool scanner = false;
  std::string program;
  std::string args;
  std::string types;

  static FileManagerPage load(const GeneralSettings& g);
  void store(GeneralSettings& g) const;
};

// Page 7. The details are checked and stored only while an entry other than "Never
// Dial" is chosen: otherwise they are disabled, and a disabled edit cannot take the
// focus a warning would give it.
struct DialUpPage {
  enum Field { kTimes, kWait };
  std::vector<std::string> entries;  // "Fetchwright Never Dial" first
  int selected = 0;
  bool hangUp = false;
  bool redial = false;
  std::string user;
  std::string pass;
  std::string times;
  std::string wait;
  std::string establish;

  static DialUpPage load(const DialUpSettings& d, std::vector<std::string> entries);
  bool detailsEnabled() const { return selected > 0; }
  FieldError check() const;
  void store(DialUpSettings& d) const;
};

// Page 8. Times as minutes of the day.
struct SchedulePage {
  int start = 60;
  int stop = 300;
  uint32_t days = 0x7F;  // bit 0 Monday ... bit 6 Sunday

  static SchedulePage load(const GeneralSettings& g);
  void store(GeneralSettings& g) const;
};

// Page 9.
struct SoundsPage {
  static constexpr uint32_t kOwnBits = 0x0F;
  static constexpr std::array<const char*, 4> kEvents = {"Add new job", "Download success",
                                                         "Download failure", "All down"};
  uint32_t flags = 0;
  std::array<std::string, 4> files;  // in the order of kEvents

  static SoundsPage load(const SoundSettings& s);
  void store(SoundSettings& s) const;
};

// Page 10: the tree's items. A radio item is on when the bits under its mask equal its
// value; a check item when its bit is set.
struct OtherItem {
  const char* group;  // top-level node
  const char* sub;    // second-level node, or nullptr
  const char* label;
  uint32_t mask;  // in "OtherFlag" (first byte lowest)
  uint32_t value;
  bool radio;
};
const std::vector<OtherItem>& otherItems();
bool otherItemOn(uint32_t otherFlag, const OtherItem& item);
// The flags after a click on `item`: a radio item is chosen, a check item flips.
uint32_t otherItemClicked(uint32_t otherFlag, const OtherItem& item);

}  // namespace fw
