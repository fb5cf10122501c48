#pragma once
// The part of MonitorHost that is the same for every program: notices and sounds go to
// their services, the 60th tick starts the automatic update check, the dial-up watch and
// hang-up go to the dial-up manager, and the all-done countdown runs as an
// EndOfWorkCountdown. A program derives from it and adds what it shows (title, queued
// rows, speed); the desktop program also gives the countdown a view.
//
// Every service is optional (null: that action does nothing).
//
// Threads: main thread only.

#include <memory>
#include <string>

#include "jobs/dial_manager.h"
#include "jobs/end_of_work.h"
#include "jobs/queue_monitor.h"
#include "jobs/update_check.h"
#include "platform/desktop_notifier.h"
#include "platform/power_control.h"
#include "platform/sound_player.h"

namespace fw {

struct MonitorServices {
  DialManager* dial = nullptr;
  UpdateChecker* updates = nullptr;
  bool autoUpdateCheck = true;  // the General page's switch
  SoundPlayer* sounds = nullptr;
  DesktopNotifier* notifier = nullptr;
  PowerControl* power = nullptr;
  EndOfWorkActions* endOfWork = nullptr;
};

class ServiceMonitorHost : public MonitorHost {
 public:
  ServiceMonitorHost(MessageLoop& loop, MonitorServices services)
      : m_loop(loop), m_services(services) {}

  MonitorServices& services() { return m_services; }
  // The countdown shown now, or nullptr.
  EndOfWorkCountdown* countdown() const {
    return m_countdown && !m_countdown->finished() ? m_countdown.get() : nullptr;
  }

  void notice(const std::string& text) override {
    if (m_services.notifier != nullptr) m_services.notifier->notify(text);
  }
  void playSound(const std::string& path) override {
    if (m_services.sounds != nullptr) m_services.sounds->play(path);
  }
  void startUpdateCheck() override {
    if (m_services.updates != nullptr)
      m_services.updates->startAutomatic(m_services.autoUpdateCheck);
  }
  bool dialLinkUp() override { return m_services.dial != nullptr && m_services.dial->linkUp(); }
  void dialWatch() override {
    if (m_services.dial != nullptr) m_services.dial->checkLine();
  }
  void hangUp() override {
    if (m_services.dial != nullptr) m_services.dial->hangUpWhenDone();
  }
  void endOfWorkCountdown(int seconds, const std::string& format, bool shutdown) override {
    if (m_services.endOfWork == nullptr || countdown() != nullptr) return;
    m_countdown = std::make_unique<EndOfWorkCountdown>(m_loop, seconds, format, shutdown,
                                                       *m_services.endOfWork, m_services.power);
    m_countdown->start(openCountdownView(*m_countdown));
  }

 protected:
  // The view of a countdown that starts now; nullptr runs it unseen (it still acts at 0).
  virtual EndOfWorkView* openCountdownView(EndOfWorkCountdown&) { return nullptr; }

 private:
  MessageLoop& m_loop;
  MonitorServices m_services;
  std::unique_ptr<EndOfWorkCountdown> m_countdown;
};

}  // namespace fw
