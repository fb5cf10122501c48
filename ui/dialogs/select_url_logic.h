#pragma once
// What the "Select Url" window decides, without its widgets: the host and the extension of
// a row (the "Select Link" filter's two lists), which rows a filter ticks, and what OK does
// with the ticked URLs: a property sheet for the first; at the second, the question
// "use the same setting for other files?" once: Yes adds the rest at once with the first
// job's settings, No opens a sheet for each. A cancelled sheet ends the processing.
//
// Main thread only.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "capture/receiver/hand_off_window.h"
#include "ui/dialogs/job_sheet_values.h"

namespace fw {

class MessageBoxes;

inline constexpr const char* kSameSettingQuestion = "use the same setting for other files?";

// The URL's host ("" when it does not parse) and its file name's extension from the last
// ".", in lower case ("" when the name has none).
std::string linkHost(const std::string& url);
std::string linkExtension(const std::string& url);

// The distinct hosts and extensions of `rows`, in the order they first appear.
std::vector<std::string> linkHosts(const std::vector<UrlRow>& rows);
std::vector<std::string> linkExtensions(const std::vector<UrlRow>& rows);

// Whether a row passes the "Select Link" filter: its host and its extension are chosen.
bool linkChosen(const std::string& url, const std::vector<std::string>& hosts,
                const std::vector<std::string>& extensions);

// Opens the property sheet for `url` and, on OK, adds the job; the sheet's values, or
// nothing when it was cancelled.
using SheetOpener = std::function<std::optional<JobSheetValues>(const std::string& url)>;
// Adds `urls` with `first`'s settings (each its own name); how many were added.
using SameSettingAdder =
    std::function<int(const JobSheetValues& first, const std::vector<std::string>& urls)>;

// OK of the window with the ticked URLs top to bottom. Returns how many sheets were
// accepted plus how many jobs the Yes answer added.
int processChosenUrls(const std::vector<std::string>& urls, MessageBoxes& boxes,
                      const SheetOpener& openSheet, const SameSettingAdder& addSame);

}  // namespace fw
