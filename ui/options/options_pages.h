#pragma once
// The pages of the "Options" sheet: each copies the settings into its controls when it
// is shown and, when it is left, checks its controls through its form
// (options_forms.h) and stores them. Edits carry object names (for example "connOut")
// so that tests can find them.
//
// Main (GUI) thread only.

#include <QString>
#include <QWidget>

#include <initializer_list>
#include <string>

#include "ui/options/options_host.h"

class QLineEdit;

namespace fw {

class OptionsPage : public QWidget {
 public:
  explicit OptionsPage(OptionsHost& host) : m_host(host) {}
  // Settings into the controls.
  virtual void showValues() = 0;
  // Checks the controls and, when they pass, stores them (nullptr returned). Otherwise
  // the edit the warning `message` is about; nothing is stored.
  virtual QLineEdit* leave(std::string& message) = 0;

 protected:
  OptionsHost& m_host;
};

OptionsPage* makeGeneralPage(OptionsHost& host);
OptionsPage* makeConnectionPage(OptionsHost& host);
OptionsPage* makeProxyPage(OptionsHost& host);
OptionsPage* makeProtocolPage(OptionsHost& host);
OptionsPage* makeMonitorPage(OptionsHost& host);
OptionsPage* makeGraphPage(OptionsHost& host);
OptionsPage* makeFileManagerPage(OptionsHost& host);
OptionsPage* makeDialUpPage(OptionsHost& host);
OptionsPage* makeSchedulePage(OptionsHost& host);
OptionsPage* makeSoundsPage(OptionsHost& host);
OptionsPage* makeOtherPage(OptionsHost& host);

inline QString qs(const std::string& s) {
  return QString::fromStdString(s);
}
inline std::string ss(const QString& s) {
  return s.toStdString();
}
// Sets the keyboard order of `widgets`, first to last.
void chainTabs(std::initializer_list<QWidget*> widgets);
// A short edit for a number, named `name`.
QLineEdit* numberEdit(QWidget* parent, const char* name, int width = 70);

}  // namespace fw
