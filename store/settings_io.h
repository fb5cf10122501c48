#pragma once
// Loading and saving the settings records (store/settings_records.h) through the registry,
// one routine per key with a direction flag. Loading opens or creates the key; a missing
// value takes its default (written back at once where marked), an out-of-range value its
// fallback. Saving writes every value of the key. When the key cannot be opened or
// written, the record keeps the values it had and the routine returns false.
//
// Main thread (the records are the program's); the Registry itself is thread-safe.

#include <string>

#include "platform/registry.h"
#include "store/settings_records.h"

namespace fw {

inline constexpr int kSettingsLoad = 1;
inline constexpr int kSettingsSave = 2;

bool generalSettingsIo(Registry& reg, GeneralSettings& s, int direction);
bool connectionSettingsIo(Registry& reg, ConnectionSettings& s, int direction);
bool protocolSettingsIo(Registry& reg, ProtocolSettings& s, int direction);
// Also the proxy list: loading keeps "Proxy1", "Proxy2", ... up to the first gap, creates
// "Proxy1" ("Direct Connection") when it is missing and removes numbered keys beyond a
// gap; saving writes the list as "Proxy1".."ProxyN" and removes higher numbers.
bool proxySettingsIo(Registry& reg, ProxySettings& s, int direction);
bool dialUpSettingsIo(Registry& reg, DialUpSettings& s, int direction);
bool colorSettingsIo(Registry& reg, ColorSettings& s, int direction);
bool soundSettingsIo(Registry& reg, SoundSettings& s, int direction);
bool mainSettingsIo(Registry& reg, MainSettings& s, int direction);
bool toolBarSettingsIo(Registry& reg, ToolBarSettings& s, int direction);
bool dataFileSettingsIo(Registry& reg, DataFileSettings& s, int direction);
// "List1".."List10" of `key` (settingkeys::kSaveDir or kFindStr), counted from 1 up to the
// first missing number.
bool mruListIo(Registry& reg, const char* key, MruList& list, int direction);
bool downSetSettingsIo(Registry& reg, DownSetSettings& s, int direction);

// Every key, in the order above. True when every key succeeded.
bool settingsIo(Registry& reg, Settings& s, int direction);

// Adds `text` to the MRU list and writes the list at once.
bool addMruEntry(Registry& reg, const char* key, MruList& list, const std::string& text);

// The shared routine for one string value of the General key (up to 600 bytes).
// Load: false when the value is missing (`value` unchanged).
bool generalStringIo(Registry& reg, const std::string& name, std::string& value, int direction);

// The defaults of every record, paths taken from platform/paths.h: "DefaultPath" the
// download folder, the sounds under shareDir()/Sounds.
Settings defaultSettings();

}  // namespace fw
