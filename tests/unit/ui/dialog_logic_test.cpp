// What the small dialogs check and write, and the close and delete questions, all through
// their widget-free logic.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "../store/store_fakes.h"
#include "platform/file_system.h"
#include "store/job_database.h"
#include "support/temp_dir.h"
#include "ui/dialogs/category_edit.h"
#include "ui/dialogs/column_chooser.h"
#include "ui/dialogs/job_finder.h"
#include "ui/dialogs/job_text_edits.h"
#include "ui/dialogs/toolbar_dialog.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/delete_flow.h"
#include "ui/main_window/exit_flow.h"
#include "ui/main_window/toolbar_buttons.h"
#include "ui/panes/job_columns.h"

namespace fw {
namespace {

bool exists(const std::string& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0;
}

TEST(RenameLogic, ChecksAndMovesTheFileOnDisk) {
  test::TempDir dir("fw-rename");
  FileSystem& fs = FileSystem::system();
  JobRecord job;
  job.saveDir = dir.path();
  job.fileName = "a.iso";
  job.flags = jobflags::kTempExt;
  dir.write("a.iso.np!", "partial");
  dir.write("taken.iso", "someone else's");

  struct Case {
    const char* typed;
    const char* refusal;
  };
  for (const Case& c : {Case{"   ", kRenameEmptyText}, Case{"", kRenameEmptyText},
                        Case{"../evil", kRenameSlashText}, Case{"..", kRenameSlashText},
                        Case{"sub/x", kRenameSlashText}})
    EXPECT_EQ(checkRename(fs, job, c.typed), c.refusal) << c.typed;
  EXPECT_NE(checkRename(fs, job, "taken.iso").find("already exists"), std::string::npos);
  job.activeRoles = 1;
  EXPECT_EQ(checkRename(fs, job, "b.iso"), kRenameRunningText);
  job.activeRoles = 0;

  EXPECT_EQ(applyRename(fs, job, "  b.iso "), "");
  EXPECT_EQ(job.fileName, "b.iso");
  EXPECT_TRUE(job.flags2 & jobflags2::kNameFixed);
  EXPECT_TRUE(exists(dir.file("b.iso.np!"))) << "the partial file follows";
  EXPECT_FALSE(exists(dir.file("a.iso.np!")));

  job.flags = jobflags::kComplete;
  dir.write("b.iso", "whole");
  EXPECT_EQ(applyRename(fs, job, "c.iso"), "");
  EXPECT_EQ(test::readFileText(dir.file("c.iso")), "whole");
  EXPECT_EQ(applyRename(fs, job, "taken.iso").find("already exists") != std::string::npos, true);
  EXPECT_EQ(test::readFileText(dir.file("taken.iso")), "someone else's");

  JobRecord fresh;  // no file yet: only the name changes
  fresh.saveDir = dir.path();
  fresh.fileName = "new.bin";
  EXPECT_EQ(applyRename(fs, fresh, "other.bin"), "");
  EXPECT_EQ(fresh.fileName, "other.bin");
}

TEST(CommentLogic, AtMostTwoThousandBytes) {
  EXPECT_EQ(checkComment(std::string(2000, 'c')), "");
  EXPECT_EQ(checkComment(std::string(2001, 'c')), kCommentTooLongText);
}

TEST(Finder, NextMatchFromTheRowAfterTheCurrentOneAroundOnce) {
  std::vector<JobRecord> jobs(4);
  jobs[0].fileName = "Setup.EXE";
  jobs[1].url = "http://h/setup/x.zip";
  jobs[2].comment = "contains SETUP notes";
  jobs[3].fileName = "other";
  auto at = [&](int r) { return &jobs[static_cast<size_t>(r)]; };
  FindQuery q;
  q.text = "setup";
  EXPECT_EQ(findNextRow(4, -1, q, at), 0);
  EXPECT_EQ(findNextRow(4, 0, q, at), 1);
  EXPECT_EQ(findNextRow(4, 2, q, at), 0) << "wraps to the top";
  q.url = false;
  EXPECT_EQ(findNextRow(4, 0, q, at), 2);
  q.name = q.comment = false;
  EXPECT_EQ(findNextRow(4, -1, q, at), -1) << "no field to look in";
  q.name = true;
  q.text = "nowhere";
  EXPECT_EQ(findNextRow(4, 1, q, at), -1);
  q.text = "Setup";
  EXPECT_EQ(findNextRow(4, 0, q, at), 0) << "the current row is looked at last";
}

TEST(ColumnChooserLogic, ShowHideMoveWidthAndDefault) {
  ColumnLayout layout = ColumnLayout::builtIn(true);
  ColumnChooser c(layout, true);
  ASSERT_EQ(c.entries().size(), 16u);
  EXPECT_EQ(c.entries()[0].slot, kSlotStatus);
  EXPECT_FALSE(c.canHide(0)) << "the state column stays";
  EXPECT_FALSE(c.canShow(1)) << "Resume is never shown";
  int size = 4;  // slot 4 "Size" is entry 4 of the built-in order
  c.hide(size);
  int name = c.moveUp(3);
  EXPECT_EQ(name, 2);
  c.setWidth(name, 9999);
  c.show(14);  // "Create Time"
  ColumnLayout out = c.result();
  std::vector<ShownColumn> shown = shownColumns(out);
  EXPECT_EQ(shown[1].slot, kSlotName);
  EXPECT_EQ(shown[1].width, kColumnWidthMax);
  EXPECT_TRUE(std::none_of(shown.begin(), shown.end(),
                           [](const ShownColumn& s) { return s.slot == kSlotSize; }));
  EXPECT_TRUE(std::any_of(shown.begin(), shown.end(),
                          [](const ShownColumn& s) { return s.slot == kSlotCreateTime; }));
  c.reset();
  ColumnLayout reset = c.result();
  ColumnLayout builtIn = ColumnLayout::builtIn(true);
  EXPECT_EQ(shownColumns(reset), shownColumns(builtIn));
}

TEST(ToolbarEditorLogic, AddRemoveMoveAndReset) {
  ToolbarEditor e({cmd::kStart, cmd::kPause});
  EXPECT_EQ(e.add(cmd::kExit, 1), 1);
  EXPECT_EQ(e.add(cmd::kExit, 0), -1) << "once only";
  EXPECT_EQ(e.add(12345, 0), -1) << "no such button";
  e.addSeparator(99);
  EXPECT_EQ(e.ids(), (std::vector<int>{cmd::kStart, cmd::kExit, cmd::kPause, kToolSeparator}));
  EXPECT_EQ(e.moveUp(2), 1);
  EXPECT_EQ(e.moveDown(3), 3);
  e.remove(0);
  EXPECT_EQ(e.ids(), (std::vector<int>{cmd::kPause, cmd::kExit, kToolSeparator}));
  EXPECT_EQ(e.available().size(), toolButtons().size() - 2);
  e.reset();
  EXPECT_EQ(e.ids(), defaultToolbar());
}

TEST(CategoryLogic, EditChecksAndCounts) {
  CategoryTree tree;
  buildDefaultTree(tree, "/dl");
  test::FakeBoxes boxes;
  CategoryUi ui{&boxes, nullptr, nullptr};
  CategoryRecord& music = *tree.findCategory(6);
  EXPECT_FALSE(editCategory(music, std::string(257, 'n'), "/x", ui));
  EXPECT_TRUE(editCategory(music, "  " + std::string(256, 'n') + " ", " /x ", ui));
  EXPECT_EQ(music.name.size(), 256u);
  EXPECT_EQ(music.saveDir, "/x");
  EXPECT_FALSE(editCategory(music, "Tunes", "   ", ui));
  EXPECT_EQ(boxes.texts, (std::vector<std::string>{kCategoryNameLengthText, kCategorySaveDirText}));
  CategoryRecord& downloaded = *tree.findCategory(kCategoryDownloaded);
  EXPECT_TRUE(editCategory(downloaded, "Renamed", "/y", ui));
  EXPECT_EQ(downloaded.name, kDownloadedCategoryName) << "fixed names stay";
  EXPECT_EQ(downloaded.saveDir, "/y");

  tree.appendJob(music, new JobRecord);
  tree.appendJob(downloaded, new JobRecord);
  CategoryCounts counts = countCategory(downloaded);
  EXPECT_EQ(counts.jobs, 1u);
  EXPECT_EQ(counts.subCategories, 4u);
  EXPECT_EQ(counts.allJobs, 2u);
}

struct ScriptedBoxes : MessageBoxes {
  std::vector<int> answers;
  std::vector<std::string> asked;
  int show(const std::string& text, BoxIcon, BoxButtons) override {
    asked.push_back(text);
    if (answers.empty()) return kBoxNo;
    int a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
};

struct ScriptedSaver : SavePathAsker {
  std::string answer;
  std::vector<std::string> offered;
  std::string askSavePath(const std::string& name) override {
    offered.push_back(name);
    return answer;
  }
};

TEST(ExitQuestions, RunningJobsAndAnUntitledDatabase) {
  struct Case {
    const char* what;
    ExitState state;
    bool exitCommand;
    std::vector<int> answers;
    std::string savePath;
    std::vector<std::string> asked;
    bool close;
    std::string saveTo;
    std::vector<std::string> offered;
  };
  const std::string running = kJobsRunningQuestion, untitled = kSaveUntitledQuestion;
  const Case cases[] = {
      {"nothing to ask", {false, true, false}, false, {}, "", {}, true, "", {}},
      {"running, confirmation off", {true, false, false}, false, {}, "", {}, true, "", {}},
      {"running, No keeps running",
       {true, true, false},
       false,
       {kBoxNo},
       "",
       {running},
       false,
       "",
       {}},
      {"running, Yes", {true, true, false}, false, {kBoxYes}, "", {running}, true, "", {}},
      {"untitled, No exits unsaved",
       {false, true, true},
       true,
       {kBoxNo},
       "",
       {untitled},
       true,
       "",
       {}},
      {"untitled, Yes on the close button",
       {false, true, true},
       false,
       {kBoxYes},
       "/d/mine",
       {untitled},
       true,
       "/d/mine.npd",
       {"Untitled.npd"}},
      {"untitled, Yes on Exit",
       {false, true, true},
       true,
       {kBoxYes},
       "/d/x.npd",
       {untitled},
       true,
       "/d/x.npd",
       {"Default.npd"}},
      {"untitled, save dialog cancelled",
       {true, true, true},
       true,
       {kBoxYes, kBoxYes},
       "",
       {running, untitled},
       false,
       "",
       {"Default.npd"}},
  };
  for (const Case& c : cases) {
    ScriptedBoxes boxes;
    boxes.answers = c.answers;
    ScriptedSaver saver;
    saver.answer = c.savePath;
    ExitPlan plan = planExit(c.state, c.exitCommand, boxes, saver);
    EXPECT_EQ(plan.close, c.close) << c.what;
    EXPECT_EQ(plan.saveUntitledTo, c.saveTo) << c.what;
    EXPECT_EQ(boxes.asked, c.asked) << c.what;
    EXPECT_EQ(saver.offered, c.offered) << c.what;
  }
}

struct ScriptedDelete : PermanentDeleteAsker {
  PermanentDeleteChoice choice;
  int asked = 0;
  PermanentDeleteChoice askPermanentDelete() override {
    ++asked;
    return choice;
  }
};

TEST(DeleteQuestions, IntoDeletedOrForGoodWithShift) {
  struct Case {
    const char* what;
    bool shownDeleted;
    bool shift;
    bool running;
    std::vector<int> answers;
    PermanentDeleteChoice choice;
    DeleteOutcome outcome;
    int permanentAsked;
    std::vector<std::string> files;  // "completed"/"uncompleted" deletions asked for
  };
  const Case cases[] = {
      {"to Deleted", false, false, false, {}, {}, DeleteOutcome::MovedToDeleted, 0, {}},
      {"running, No", false, false, true, {kBoxNo}, {}, DeleteOutcome::Cancelled, 0, {}},
      {"running, Yes", false, false, true, {kBoxYes}, {}, DeleteOutcome::MovedToDeleted, 0, {}},
      {"Shift, Cancel",
       false,
       true,
       false,
       {},
       {false, true, true},
       DeleteOutcome::Cancelled,
       1,
       {}},
      {"Shift, OK, keep files",
       false,
       true,
       false,
       {},
       {true, false, false},
       DeleteOutcome::Removed,
       1,
       {}},
      {"in Deleted, OK, both files",
       true,
       false,
       false,
       {},
       {true, true, true},
       DeleteOutcome::Removed,
       1,
       {"completed+uncompleted"}},
  };
  for (const Case& c : cases) {
    CategoryTree tree;
    buildDefaultTree(tree, "/dl");
    Settings settings;
    ScriptedBoxes boxes;
    boxes.answers = c.answers;
    test::FakeQueue queue;
    JobContext ctx{tree, settings, &queue, nullptr, &boxes, {}, {}};
    CategoryRecord& from =
        *tree.findCategory(c.shownDeleted ? kCategoryDeleted : kCategoryDownload);
    auto* job = new JobRecord;
    job->url = "http://h/a";
    job->activeRoles = c.running ? 1 : 0;
    tree.appendJob(from, job);
    ScriptedDelete asker;
    asker.choice = c.choice;
    std::vector<std::string> files;
    int destroyed = 0;
    DeleteHooks hooks;
    hooks.destroy = [&](JobRecord& j) {
      ++destroyed;
      tree.unlinkJob(*tree.holderOf(j), j);
    };
    hooks.deleteFiles = [&](const JobRecord&, bool completed, bool uncompleted) {
      files.push_back(std::string(completed ? "completed" : "") + "+" +
                      (uncompleted ? "uncompleted" : ""));
      return 1;
    };
    DeleteOutcome out = deleteJobs(ctx, {{job}, c.shownDeleted, c.shift}, asker, hooks);
    EXPECT_EQ(out, c.outcome) << c.what;
    EXPECT_EQ(asker.asked, c.permanentAsked) << c.what;
    EXPECT_EQ(files, c.files) << c.what;
    if (c.outcome == DeleteOutcome::Removed) {
      EXPECT_EQ(destroyed, 1) << c.what;
      EXPECT_EQ(CategoryTree::jobCount(from), 0u) << c.what;
    } else if (c.outcome == DeleteOutcome::MovedToDeleted) {
      EXPECT_EQ(tree.holderOf(*job)->id, kCategoryDeleted) << c.what;
      EXPECT_EQ(queue.calls.front(), c.running ? "stop http://h/a" : "unqueue http://h/a")
          << c.what;
    } else {
      EXPECT_EQ(tree.holderOf(*job), &from) << c.what;
      EXPECT_TRUE(queue.calls.empty()) << c.what;
    }
  }
  // Nothing selected: nothing asked, nothing done.
  CategoryTree tree;
  buildDefaultTree(tree, "/dl");
  Settings settings;
  ScriptedBoxes boxes;
  JobContext ctx{tree, settings, nullptr, nullptr, &boxes, {}, {}};
  ScriptedDelete asker;
  EXPECT_EQ(deleteJobs(ctx, {{}, true, true}, asker, {}), DeleteOutcome::Nothing);
  EXPECT_TRUE(boxes.asked.empty());
  EXPECT_EQ(asker.asked, 0);
}

}  // namespace
}  // namespace fw
