#include <gtest/gtest.h>

#include "store/category_commands.h"
#include "store/job_database.h"
#include "store/job_proxy_indexes.h"
#include "unit/store/store_fakes.h"

namespace fw {
namespace {

struct CategoryTreeTest : ::testing::Test {
  CategoryTree tree;
  test::FakeBoxes boxes;
  test::FakeView view;
  test::FakeQueue queue;
  CategoryUi ui{&boxes, &view, &queue};

  void SetUp() override { buildDefaultTree(tree, "/dl"); }
  CategoryRecord& cat(uint16_t id) { return *tree.findCategory(id); }
  std::vector<std::string> childNames(CategoryRecord& parent) {
    std::vector<std::string> out;
    for (CategoryRecord* c = parent.firstChild; c; c = c->nextSibling) out.push_back(c->name);
    return out;
  }
  JobRecord* addJob(CategoryRecord& c, const std::string& url) {
    auto* j = new JobRecord;
    j->url = url;
    tree.appendJob(c, j);
    return j;
  }
};

TEST_F(CategoryTreeTest, DefaultShapeAndLinks) {
  EXPECT_EQ(childNames(*tree.root()),
            (std::vector<std::string>{"Download", "Downloaded", "Deleted"}));
  EXPECT_EQ(childNames(cat(2)), (std::vector<std::string>{"Document", "Game", "Music", "Driver"}));
  EXPECT_EQ(cat(1).linkBack, tree.root());
  EXPECT_EQ(cat(2).linkBack, &cat(1));
  EXPECT_EQ(cat(5).linkBack, &cat(4));
  EXPECT_EQ(CategoryTree::parentOf(cat(7)), &cat(2));
  EXPECT_EQ(cat(3).saveDir, "/dl/Deleted");
  EXPECT_EQ(cat(6).saveDir, "/dl/Music");
}

TEST_F(CategoryTreeTest, NameLengthAndFolderRules) {
  std::string n256(256, 'n');
  CategoryRecord* made = createCategory(tree, cat(2), "  " + n256 + "\t", " /x ", ui);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->name, n256);
  EXPECT_EQ(made->saveDir, "/x");
  EXPECT_EQ(made->icon, cat(2).icon + 1);
  EXPECT_EQ(made->kind, kUserCategoryKind);
  EXPECT_EQ(childNames(cat(2)).back(), n256);
  EXPECT_EQ(made->linkBack, &cat(7));
  EXPECT_TRUE(boxes.texts.empty());

  EXPECT_EQ(createCategory(tree, cat(2), std::string(257, 'n'), "/x", ui), nullptr);
  EXPECT_EQ(createCategory(tree, cat(2), "   ", "/x", ui), nullptr);
  EXPECT_EQ(createCategory(tree, cat(2), "ok", "  ", ui), nullptr);
  EXPECT_EQ(boxes.texts, (std::vector<std::string>{" Category name length is between 1--256 ",
                                                   " Category name length is between 1--256 ",
                                                   " Category save dir is not empty "}));
}

TEST_F(CategoryTreeTest, CategoryCannotMoveIntoItsOwnSubtree) {
  CategoryRecord* deep = createCategory(tree, cat(4), "Deep", "/d", ui);
  for (CategoryRecord* target : {&cat(4), &cat(7), deep}) {
    boxes.texts.clear();
    EXPECT_EQ(moveCategory(tree, cat(2), *target, ui), -1);
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"Can't move Category!"});
  }
  EXPECT_EQ(childNames(*tree.root()),
            (std::vector<std::string>{"Download", "Downloaded", "Deleted"}));
  EXPECT_EQ(moveCategory(tree, cat(2), cat(2), ui), 0);
}

TEST_F(CategoryTreeTest, MoveTakesTheSubtreeAlong) {
  CategoryRecord* sub = createCategory(tree, cat(5), "Sub", "/s", ui);
  view.shown = &cat(5);
  ASSERT_EQ(moveCategory(tree, cat(5), cat(3), ui), 1);
  EXPECT_EQ(childNames(cat(2)), (std::vector<std::string>{"Document", "Music", "Driver"}));
  EXPECT_EQ(cat(6).linkBack, &cat(4));
  EXPECT_EQ(childNames(cat(3)), std::vector<std::string>{"Game"});
  EXPECT_EQ(CategoryTree::parentOf(*sub), &cat(5));
  EXPECT_EQ(view.shown, &cat(1));  // the moved category was on screen
  // Moving the last child (no next sibling) and the first child both relink cleanly.
  ASSERT_EQ(moveCategory(tree, cat(7), cat(3), ui), 1);
  ASSERT_EQ(moveCategory(tree, cat(4), cat(3), ui), 1);
  EXPECT_EQ(childNames(cat(2)), std::vector<std::string>{"Music"});
  EXPECT_EQ(cat(6).linkBack, &cat(2));
  EXPECT_EQ(childNames(cat(3)), (std::vector<std::string>{"Game", "Driver", "Document"}));
  // The moved tree survives a save and load in its new shape (ids are renumbered in
  // file order on load).
  CategoryTree back;
  ASSERT_EQ(decodeJobDatabase(encodeJobDatabase(tree), back), kDbLoaded);
  CategoryRecord& deleted = *back.findCategory(3);
  EXPECT_EQ(childNames(deleted), (std::vector<std::string>{"Game", "Driver", "Document"}));
  EXPECT_EQ(childNames(*deleted.firstChild), std::vector<std::string>{"Sub"});
  EXPECT_EQ(childNames(*back.findCategory(2)), std::vector<std::string>{"Music"});
}

TEST_F(CategoryTreeTest, DeleteFreesSubtreeJobsAndIdsKeepGrowing) {
  CategoryRecord* sub = createCategory(tree, cat(4), "Sub", "/s", ui);  // id 8
  CategoryRecord* subsub = createCategory(tree, *sub, "SubSub", "/s", ui);
  addJob(cat(4), "http://a/1");
  JobRecord* running = addJob(*sub, "http://a/2");
  running->activeRoles = 2;
  addJob(*subsub, "http://a/3");
  addJob(cat(5), "http://a/keep");
  view.shown = subsub;

  boxes.answer = kBoxCancel;
  EXPECT_EQ(deleteCategory(tree, cat(4), ui), 0);
  ASSERT_NE(tree.findCategory(4), nullptr);

  boxes.answer = kBoxOk;
  EXPECT_EQ(deleteCategory(tree, cat(4), ui), 1);
  EXPECT_EQ(boxes.texts.back(), "Delete Category and it's sub-categories ? ");
  EXPECT_EQ(tree.findCategory(4), nullptr);
  EXPECT_EQ(tree.findCategory(8), nullptr);
  EXPECT_EQ(tree.findCategory(9), nullptr);
  EXPECT_EQ(tree.findJobByUrl("http://a/3"), nullptr);
  EXPECT_NE(tree.findJobByUrl("http://a/keep"), nullptr);
  EXPECT_EQ(childNames(cat(2)), (std::vector<std::string>{"Game", "Music", "Driver"}));
  EXPECT_EQ(view.shown, &cat(2));
  EXPECT_NE(std::find(queue.calls.begin(), queue.calls.end(), "stop http://a/2"),
            queue.calls.end());

  CategoryRecord* next = createCategory(tree, cat(2), "New", "/n", ui);
  EXPECT_EQ(next->id, 10);
  EXPECT_EQ(tree.nextId(), 11u);
}

TEST_F(CategoryTreeTest, RootAndFixedCategoriesAreNotDeleted) {
  EXPECT_EQ(deleteCategory(tree, *tree.root(), ui), 0);
  EXPECT_EQ(deleteCategory(tree, cat(2), ui), 0);  // "Downloaded" holds finished jobs
  EXPECT_EQ(deleteCategory(tree, cat(3), ui), 0);
  CategoryRecord* under = createCategory(tree, cat(4), "U", "/u", ui);
  ASSERT_EQ(moveCategory(tree, cat(3), *under, ui), 1);
  EXPECT_EQ(deleteCategory(tree, cat(4), ui), 0);  // "Deleted" now lives below it
  EXPECT_EQ(tree.categoryCount(), 9u);
}

TEST_F(CategoryTreeTest, JobListKeepsIndexesInOrder) {
  JobRecord* a = addJob(cat(1), "http://a");
  JobRecord* b = addJob(cat(1), "http://b");
  JobRecord* c = addJob(cat(1), "http://c");
  EXPECT_EQ(c->listIndex, 2);
  auto owned = tree.unlinkJob(cat(1), *b);
  EXPECT_EQ(c->listIndex, 1);
  EXPECT_EQ(a->next, c);
  EXPECT_EQ(c->prev, a);
  tree.pushFrontJob(cat(1), owned.release());
  EXPECT_EQ(cat(1).firstJob, b);
  EXPECT_EQ(a->listIndex, 1);
  EXPECT_EQ(c->listIndex, 2);
  EXPECT_EQ(tree.holderOf(*c), &cat(1));
  EXPECT_EQ(tree.findJobByUrl("HTTP://B"), b);
}

// Proxies 2 and 4 of five were deleted: 3 became 2 and 5 became 3.
TEST_F(CategoryTreeTest, JobsFollowTheirProxiesWhenTheListCloses) {
  const std::vector<int> newIndexOf = {0, 1, 1, 2, 1, 3};
  const struct {
    uint8_t http, ftp, wantHttp, wantFtp;
  } cases[] = {
      {1, 1, 1, 1},  // direct stays
      {2, 4, 1, 1},  // deleted: direct
      {3, 5, 2, 3},  // moved up
      {0, 9, 0, 9},  // indexes that never existed already meant direct
  };
  std::vector<JobRecord*> jobs;
  for (const auto& c : cases) {
    JobRecord* j = addJob(cat(jobs.size() % 2 ? 2 : 4), "http://p/" + std::to_string(jobs.size()));
    j->httpProxy = c.http;
    j->ftpProxy = c.ftp;
    jobs.push_back(j);
  }
  EXPECT_EQ(moveJobProxyIndexes(tree, newIndexOf), 2);
  for (size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(jobs[i]->httpProxy, cases[i].wantHttp);
    EXPECT_EQ(jobs[i]->ftpProxy, cases[i].wantFtp);
  }
  EXPECT_EQ(moveJobProxyIndexes(tree, {}), 0) << "nothing deleted, nothing moves";
}

}  // namespace
}  // namespace fw
