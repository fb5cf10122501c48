#pragma once
// Where the Help menu's commands lead.
//
// Main (GUI) thread only.

#include <QString>
#include <QUrl>

namespace fw {

// The user manual: installed beside the program's data, or in the source tree of a build
// that was not installed; empty when neither exists.
QString manualPath();
QUrl homePageUrl();
QUrl faqUrl();

}  // namespace fw
