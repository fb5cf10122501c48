#pragma once
// Where the Help menu's commands lead.
//
// Main (GUI) thread only.

#include <QString>
#include <QUrl>

#include <string>

namespace fw {

// The user manual: installed beside the program's data, or in the source tree of a build
// that was not installed; empty when neither exists.
QString manualPath();
// The home page ("HomePage", set when the program is built) and its page of frequently
// asked questions beside it; invalid when no home page is set.
QUrl homePageUrl(const std::string& homePage);
QUrl faqUrl(const std::string& homePage);

}  // namespace fw
