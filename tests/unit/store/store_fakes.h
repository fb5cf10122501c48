#pragma once
// Recording stand-ins for the message boxes, the queue monitor and the views.

#include <string>
#include <vector>

#include "jobs/queue_hooks.h"
#include "platform/message_box.h"
#include "store/tree_view.h"

namespace fw::test {

struct FakeBoxes : MessageBoxes {
  int answer = kBoxOk;
  std::vector<std::string> texts;
  int show(const std::string& text, BoxIcon, BoxButtons) override {
    texts.push_back(text);
    return answer;
  }
};

struct FakeQueue : QueueHooks {
  std::vector<std::string> calls;  // "start <url>", "schedule <url>", ...
  void startJob(JobRecord& j) override { calls.push_back("start " + j.url); }
  void addToSchedule(JobRecord& j) override { calls.push_back("schedule " + j.url); }
  void removeFromQueues(JobRecord& j) override { calls.push_back("unqueue " + j.url); }
  void stopJob(JobRecord& j) override {
    calls.push_back("stop " + j.url);
    j.activeRoles = 0;
  }
  void clearAll() override { calls.push_back("clear"); }
};

struct FakeView : TreeView {
  CategoryRecord* shown = nullptr;
  int rebuilds = 0;
  std::vector<std::string> rows;  // "+url" inserted, "-url" removed
  std::vector<std::string> sounds;
  void rebuildTree() override { ++rebuilds; }
  CategoryRecord* shownCategory() override { return shown; }
  void showCategory(CategoryRecord& c) override { shown = &c; }
  void rowInserted(JobRecord& j) override { rows.push_back("+" + j.url); }
  void rowRemoved(JobRecord& j) override { rows.push_back("-" + j.url); }
  void playSound(const std::string& p) override { sounds.push_back(p); }
};

}  // namespace fw::test
