// The "Options" sheet opened from the main window, and what applying it changes in the
// running program.

#include <QPalette>
#include <QTreeView>

#include "jobs/dial_manager.h"
#include "platform/sound_player.h"
#include "store/job_proxy_indexes.h"
#include "store/settings_io.h"
#include "ui/common/color_ref.h"
#include "ui/main_window/main_window.h"
#include "ui/options/options_sheet.h"
#include "ui/panes/job_list_model.h"
#include "ui/panes/log_model.h"

namespace fw {

void MainWindow::applyListColors() {
  const ColorSettings& c = m_session.settings().color;
  QPalette p = m_jobView->palette();
  p.setColor(QPalette::Base, fromColorRef(c.blockBack));
  p.setColor(QPalette::AlternateBase, fromColorRef(c.blockBack).darker(106));
  p.setColor(QPalette::Text, fromColorRef(c.blockText));
  m_jobView->setPalette(p);
  m_logModel->setColors(c);
}

void MainWindow::showOptions(int page) {
  class Host final : public OptionsHost {
   public:
    explicit Host(MainWindow& w) : m_w(w) {}
    Settings& settings() override { return m_w.m_session.settings(); }
    Registry& registry() override { return m_w.m_session.registry(); }
    MessageBoxes& boxes() override { return *m_w.m_boxes; }
    std::vector<std::string> dialEntries() override {
      if (DialManager* dial = m_w.m_session.services().dial) return dial->entryChoices();
      return {kNeverDialEntry};
    }
    // The Monitor page has already stored the new flags; the capture wiring joins or
    // leaves the clipboard watch when the session tells its listeners.
    void clipboardWatch(bool) override {
      m_w.m_session.settingsChanged();
      m_w.refreshCommands();
    }
    void colorsChanged() override { m_w.applyListColors(); }
    void proxiesMoved(const std::vector<int>& newIndexOf) override {
      moveJobProxyIndexes(m_w.m_session.tree(), newIndexOf);
    }
    void playSound(const std::string& path) override {
      if (SoundPlayer* player = m_w.m_session.services().sounds) player->play(path);
    }
    void settingsApplied() override {
      DesktopSession& s = m_w.m_session;
      Settings& st = s.settings();
      Registry& reg = s.registry();
      generalSettingsIo(reg, st.general, kSettingsSave);
      connectionSettingsIo(reg, st.connection, kSettingsSave);
      protocolSettingsIo(reg, st.protocol, kSettingsSave);
      proxySettingsIo(reg, st.proxy, kSettingsSave);
      dialUpSettingsIo(reg, st.dialUp, kSettingsSave);
      colorSettingsIo(reg, st.color, kSettingsSave);
      soundSettingsIo(reg, st.sounds, kSettingsSave);
      s.settingsChanged();
      m_w.refreshJobList();
      m_w.refreshCommands();
    }

   private:
    MainWindow& m_w;
  } host(*this);

  ModalScope modal(*this);
  OptionsSheet sheet(host, page, this);
  sheet.exec();
  // Pages already left keep what they stored, even after Cancel.
  host.settingsApplied();
}

}  // namespace fw
