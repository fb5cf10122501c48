#include "jobs/controller_runner.h"

namespace fw {

ControllerRunner::ControllerRunner(MessageLoop& loop, ControllerHost& host, Clock& clock,
                                   RoleEntry entry,
                                   std::function<RunConfig(const JobRecord&)> config)
    : m_loop(loop),
      m_host(host),
      m_clock(clock),
      m_entry(std::move(entry)),
      m_config(std::move(config)) {}

ControllerRunner::~ControllerRunner() {
  for (auto& [job, controller] : m_controllers) const_cast<JobRecord*>(job)->controller = nullptr;
}

JobController* ControllerRunner::controllerOf(const JobRecord& job) const {
  auto it = m_controllers.find(&job);
  return it == m_controllers.end() ? nullptr : it->second.get();
}

int ControllerRunner::startRun(JobRecord& job) {
  JobController* c = controllerOf(job);
  if (!c) {
    auto made = std::make_unique<JobController>(m_loop, job, m_host, m_clock, m_entry);
    c = made.get();
    m_controllers[&job] = std::move(made);
    job.controller = c;
  }
  if (m_transfer) c->setProgramTransfer(m_transfer);
  if (m_cookies) c->setCookieLookup(m_cookies);
  if (job.activeRoles == 0) {
    if (onRunStart) onRunStart(job);
    RunConfig cfg = m_config(job);
    if (c->prepareRun(cfg.role, cfg.ending, cfg.storage, m_dial) < 1) return -1;
  }
  c->command(CtlStart, 0);
  return 1;
}

void ControllerRunner::endRun(JobRecord& job, int code) {
  JobController* c = controllerOf(job);
  if (!c || job.activeRoles == 0) return;
  c->command(CtlStopAll, code);
}

bool ControllerRunner::hasRoles(JobRecord& job) {
  JobController* c = controllerOf(job);
  if (!c) return true;
  return c->running() || job.activeRoles > 0;
}

void ControllerRunner::releaseController(JobRecord& job) {
  auto it = m_controllers.find(&job);
  if (it == m_controllers.end()) return;
  job.controller = nullptr;
  m_controllers.erase(it);
}

}  // namespace fw
