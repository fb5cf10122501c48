#pragma once
// Saving and copying the log pane's rows: each row as its first column's text, two
// spaces, its second column's text and CR LF.
//
// Any thread (pure functions and a file write).

#include <string>
#include <utility>
#include <vector>

namespace fw {

using TextRow = std::pair<std::string, std::string>;

std::string logText(const std::vector<TextRow>& rows);
// The name the log is saved under: ".log" is appended unless the chosen name already
// ends in ".log" (any case).
std::string logFileName(const std::string& chosen);
// Writes `text` to `path`, replacing what an existing file held. False with `error` set
// when the file cannot be written.
bool writeLogFile(const std::string& path, const std::string& text, std::string* error);

}  // namespace fw
