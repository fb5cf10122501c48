#pragma once
// The "Options" sheet: eleven pages in a fixed order. A page reads the settings when it
// is shown and checks and stores its controls when it is left, by switching to another
// page or by OK; a refused value keeps the page, shows the warning and selects the
// offending edit. Cancel drops only the changes of the page showing; pages already
// left stay stored. The sheet is modal.
//
// Main (GUI) thread only.

#include <QDialog>

#include <array>

#include "ui/options/options_host.h"

class QTabWidget;

namespace fw {

class OptionsPage;

class OptionsSheet : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPageCount = 11;
  static constexpr int kDialUpPage = 7;
  static constexpr std::array<const char*, kPageCount> kCaptions = {
      "General",      "Connection",         "Proxy",    "Protocol", "Monitor", "Graph/Log",
      "File Manager", "Dial-Up Networking", "Schedule", "Sounds",   "Other"};

  OptionsSheet(OptionsHost& host, int page, QWidget* parent = nullptr);

  QTabWidget* tabs() const { return m_tabs; }
  // Switches to `page` as a click on its tab would: false when the page showing refused.
  bool showPage(int page);

  void accept() override;

 private:
  // Checks and stores the page showing. False after a warning (focus on the edit).
  bool leaveCurrent();
  void tabChanged(int to);

  OptionsHost& m_host;
  QTabWidget* m_tabs;
  std::array<OptionsPage*, kPageCount> m_pages{};
  int m_current = 0;
};

}  // namespace fw
