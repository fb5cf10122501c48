#pragma once
// Starts and ends jobs' runs with real JobControllers: what the queue monitor asks of
// the program. Owns the controllers. Main thread only.

#include <functional>
#include <map>
#include <memory>

#include "engine/storage/bandwidth_budget.h"
#include "jobs/job_controller.h"
#include "jobs/queue_monitor.h"

namespace fw {

// The settings a run starts with, taken fresh for each start.
struct RunConfig {
  RoleSettings role;
  EndingOptions ending;
  StorageOptions storage;
};

class ControllerRunner final : public JobRunner {
 public:
  ControllerRunner(MessageLoop& loop, ControllerHost& host, Clock& clock, RoleEntry entry,
                   std::function<RunConfig(const JobRecord&)> config);
  ~ControllerRunner() override;

  int startRun(JobRecord& job) override;
  void endRun(JobRecord& job, int code) override;
  bool hasRoles(JobRecord& job) override;
  void releaseController(JobRecord& job) override;

  JobController* controllerOf(const JobRecord& job) const;
  // The program-wide budget and speed history every Role draws from.
  void setTransfer(ProgramTransfer* transfer) { m_transfer = transfer; }
  // The browser's cookies (the cookie jar the capture host fills); none without it.
  void setCookieLookup(CookieLookup lookup) { m_cookies = std::move(lookup); }
  // The dial-up line Roles wait for before they connect; none (never wait) without it.
  void setDialLine(DialLine* dial) { m_dial = dial; }
  // Called with a job whose run is about to be prepared, before any Role touches it.
  std::function<void(const JobRecord&)> onRunStart;

 private:
  MessageLoop& m_loop;
  ControllerHost& m_host;
  Clock& m_clock;
  RoleEntry m_entry;
  std::function<RunConfig(const JobRecord&)> m_config;
  std::map<const JobRecord*, std::unique_ptr<JobController>> m_controllers;
  ProgramTransfer* m_transfer = nullptr;
  CookieLookup m_cookies;
  DialLine* m_dial = nullptr;
};

}  // namespace fw
