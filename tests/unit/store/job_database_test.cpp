#include "store/job_database.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "jobs/job_lists.h"
#include "store/crc32.h"
#include "support/temp_dir.h"
#include "unit/store/store_fakes.h"

namespace fw {
namespace {

// Bytes assembled field by field from the file format's tables.
struct Bytes {
  std::string b;
  Bytes& u8(int v) {
    b.push_back(static_cast<char>(v));
    return *this;
  }
  Bytes& u16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
  Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes& i64(int64_t v) {
    return u32(static_cast<uint32_t>(v)).u32(static_cast<uint32_t>(static_cast<uint64_t>(v) >> 32));
  }
  Bytes& str(const std::string& s) {
    u32(static_cast<uint32_t>(s.size()));
    b += s;
    return *this;
  }
  Bytes& category(int linkKind, const std::string& name, const std::string& dir, int linkId, int id,
                  int icon, int kind) {
    return u8(2).u8(linkKind).str(name).str(dir).u16(linkId).u16(id).u16(icon).u8(kind);
  }
};

// Bit-at-a-time CRC-32, independent of the table-driven one under test.
uint32_t slowCrc(const std::string& s) {
  uint32_t c = 0xFFFFFFFF;
  for (unsigned char ch : s) {
    c ^= ch;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

std::string withHeader(const std::string& body, int count, int version = 1) {
  Bytes h;
  h.u8(version).u16(count).u32(slowCrc(body)).u16(1).u16(0);
  return h.b + body;
}

std::string fourCategoryBody() {
  Bytes b;
  b.category(1, "Fetchwright", "/d", 0, 0, 0, 1);
  b.category(0, "Download", "/d", 0, 1, 1, 0x11);
  b.category(1, "Downloaded", "/d", 1, 2, 1, 0x61);
  b.category(1, "Deleted", "/d/Deleted", 2, 3, 1, 0x40);
  return b.b;
}

// A job record with a few fields set, as the job table lays it out.
std::string jobRecordBytes(const std::string& url, int category, int flags) {
  Bytes j;
  j.u8(1).str(url).str("").str("/d").str("f.zip").u16(category).u16(flags).u16(0).u8(3);
  j.str("c").u8(1).str(url + "?mirror").i64(1000).i64(10).u32(5);
  for (int i = 0; i < 3; ++i) j.u16(2024).u8(1).u8(2).u8(3).u8(4).u8(5).u8(6);
  j.u8(1).i64(10).i64(999).u8(1).u32(0xDEADBEEF);
  j.u8(1).u8(2).u8(3).u8(4).u8(5);
  if (flags & 0x20) j.str("user").str("pw");
  return j.b;
}

TEST(Crc32, MatchesTheStandardCheckValue) {
  EXPECT_EQ(crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(crc32("", 0), 0u);
  std::string s(1000, 'x');
  EXPECT_EQ(crc32Update(crc32(s.data(), 400), s.data() + 400, 600), crc32(s.data(), s.size()));
}

TEST(JobDatabase, DefaultDatabaseMatchesTheFormatTable) {
  CategoryTree tree;
  buildDefaultTree(tree, "/home/u/Downloads");
  const std::string d = "/home/u/Downloads";
  Bytes body;
  // Write order: a category, its sibling chain's sub-trees, then its children.
  body.category(1, "Fetchwright", d, 0, 0, 0, 1);
  body.category(0, "Download", d, 0, 1, 1, 0x11);
  body.category(1, "Downloaded", d, 1, 2, 1, 0x61);
  body.category(1, "Deleted", d + "/Deleted", 2, 3, 1, 0x40);
  body.category(0, "Document", d + "/Document", 2, 4, 2, 0x20);
  body.category(1, "Game", d + "/Game", 4, 5, 2, 0x20);
  body.category(1, "Music", d + "/Music", 5, 6, 2, 0x20);
  body.category(1, "Driver", d + "/Driver", 6, 7, 2, 0x20);
  EXPECT_EQ(encodeJobDatabase(tree), withHeader(body.b, 8));
}

TEST(JobDatabase, DecodesHandAssembledFileAndTranslatesCategoryIds) {
  Bytes body;
  body.b = fourCategoryBody();
  // A user category stored under id 9 (earlier ones were deleted) becomes id 4.
  body.category(0, "Mine", "/m", 2, 9, 2, 0x20);
  body.b += jobRecordBytes("http://a/x", 9, 0x20 | 0x02);
  body.b += jobRecordBytes("http://a/y", 9, 0);
  std::string file = withHeader(body.b, 10);
  CategoryTree tree;
  ASSERT_EQ(decodeJobDatabase(file, tree), kDbLoaded);
  CategoryRecord* mine = tree.findCategory(4);
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(mine->name, "Mine");
  EXPECT_EQ(mine->storedId, 9);
  EXPECT_EQ(CategoryTree::parentOf(*mine), tree.findCategory(2));
  EXPECT_EQ(tree.nextId(), 5u);
  JobRecord* a = mine->firstJob;
  ASSERT_NE(a, nullptr);
  ASSERT_NE(a->next, nullptr);
  EXPECT_EQ(a->category, 4);
  EXPECT_EQ(a->userName, "user");
  EXPECT_EQ(a->password, "pw");
  EXPECT_EQ(a->next->userName, "");
  EXPECT_EQ(a->next->listIndex, 1);
  EXPECT_EQ(a->next->rate, 5);
  ASSERT_EQ(a->parts.size(), 1u);
  EXPECT_EQ(a->parts.front().inUse, 0);  // stored as 1
  EXPECT_EQ(a->parts.front().end, 999);
  EXPECT_EQ(a->altUrls, std::vector<std::string>{"http://a/x?mirror"});
  EXPECT_EQ(a->createTime.weekday, 6);
}

TEST(JobDatabase, FixedCategoriesGetTheirFixedNames) {
  Bytes body;
  body.category(1, "Root?", "/d", 0, 0, 0, 1);
  body.category(0, "Queue", "/d", 0, 1, 1, 0x11);
  body.category(1, "Done", "/d", 1, 2, 1, 0x61);
  body.category(1, "Bin", "/d", 2, 3, 1, 0x40);
  CategoryTree tree;
  ASSERT_EQ(decodeJobDatabase(withHeader(body.b, 4), tree), kDbLoaded);
  EXPECT_EQ(tree.findCategory(0)->name, "Fetchwright");
  EXPECT_EQ(tree.findCategory(1)->name, "Download");
  EXPECT_EQ(tree.findCategory(2)->name, "Downloaded");
  EXPECT_EQ(tree.findCategory(3)->name, "Deleted");
}

JobRecord* makeFullJob(int n, bool login) {
  auto* j = new JobRecord;
  j->url = "https://host" + std::to_string(n) + ".example/path/file" + std::to_string(n) + ".iso";
  j->referer = "https://host.example/page";
  j->saveDir = "/home/u/Downloads/x";
  j->fileName = "file" + std::to_string(n) + ".iso";
  j->splitCount = 7;
  j->activeRoles = 3;
  j->comment = "comment " + std::to_string(n);
  j->altUrls = {"ftp://mirror/a", "http://mirror/b"};
  j->parts = {{0, 99, 1}, {500, 999, 1}};
  j->flags = static_cast<uint16_t>(0x0C02 | (login ? jobflags::kLogin : 0));
  j->flags2 = 0x0009;
  j->ftpProxy = 2;
  j->httpProxy = 3;
  j->option3 = 44;
  j->option4 = 55;
  j->rate = 4;
  j->fileSize = 5'000'000'000LL;
  j->downloaded = 123456789;
  j->category = 4;
  j->listIndex = 77;
  j->userName = "bob";
  j->password = "secret";
  j->fileDate = {2023, 12, 31, 23, 59, 58, 0};
  j->createTime = {2024, 1, 2, 3, 4, 5, 2};
  j->completeTime = {2024, 2, 3, 4, 5, 6, 6};
  j->elapsedSeconds = 86400 * 3;
  return j;
}

void expectSameStoredFields(const JobRecord& a, const JobRecord& b) {
  EXPECT_EQ(a.url, b.url);
  EXPECT_EQ(a.referer, b.referer);
  EXPECT_EQ(a.saveDir, b.saveDir);
  EXPECT_EQ(a.fileName, b.fileName);
  EXPECT_EQ(a.splitCount, b.splitCount);
  EXPECT_EQ(a.comment, b.comment);
  EXPECT_EQ(a.altUrls, b.altUrls);
  EXPECT_EQ(a.flags, b.flags);
  EXPECT_EQ(a.flags2, b.flags2);
  EXPECT_EQ(a.ftpProxy, b.ftpProxy);
  EXPECT_EQ(a.httpProxy, b.httpProxy);
  EXPECT_EQ(a.option3, b.option3);
  EXPECT_EQ(a.option4, b.option4);
  EXPECT_EQ(a.rate, b.rate);
  EXPECT_EQ(a.fileSize, b.fileSize);
  EXPECT_EQ(a.downloaded, b.downloaded);
  EXPECT_EQ(a.fileDate, b.fileDate);
  EXPECT_EQ(a.createTime, b.createTime);
  EXPECT_EQ(a.completeTime, b.completeTime);
  EXPECT_EQ(a.elapsedSeconds, b.elapsedSeconds);
  ASSERT_EQ(a.parts.size(), b.parts.size());
  for (auto i = a.parts.begin(), k = b.parts.begin(); i != a.parts.end(); ++i, ++k) {
    EXPECT_EQ(i->start, k->start);
    EXPECT_EQ(i->end, k->end);
  }
}

TEST(JobDatabase, RoundTripKeepsEveryStoredFieldAndClearsRuntimeOnes) {
  test::TempDir dir;
  CategoryTree tree;
  buildDefaultTree(tree, "/dl");
  CategoryRecord* deep = tree.findCategory(4);
  for (int level = 0; level < 4; ++level)
    deep = tree.appendChild(*deep, "Level" + std::to_string(level), "/dl/l", 0x20, 3);
  tree.appendJob(*tree.findCategory(1), makeFullJob(1, true));
  tree.appendJob(*tree.findCategory(1), makeFullJob(2, false));
  tree.appendJob(*deep, makeFullJob(3, true));
  JobRecord* lone = new JobRecord;  // a freshly created record: empty strings, no lists
  tree.appendJob(*tree.findCategory(6), lone);

  const std::string path = dir.file("jobs.npd");
  ASSERT_EQ(saveJobDatabase(path, tree), 1);
  CategoryTree back;
  ASSERT_EQ(loadJobDatabase(path, back), kDbLoaded);
  // The only stored difference: ranges in use when saved come back free.
  tree.forEachInSaveOrder([](const CategoryRecord& c, uint8_t, uint16_t) {
    for (JobRecord* j = c.firstJob; j; j = j->next)
      for (PartRange& r : j->parts) r.inUse = 0;
  });
  EXPECT_EQ(encodeJobDatabase(back), encodeJobDatabase(tree));

  JobRecord* j1 = back.findCategory(1)->firstJob;
  ASSERT_NE(j1, nullptr);
  expectSameStoredFields(*j1, *tree.findCategory(1)->firstJob);
  EXPECT_EQ(j1->userName, "bob");
  JobRecord* j2 = j1->next;
  ASSERT_NE(j2, nullptr);
  EXPECT_EQ(j2->userName, "");  // no login bit: not stored
  EXPECT_EQ(j2->password, "");
  for (JobRecord* j : {j1, j2}) {
    EXPECT_EQ(j->activeRoles, 0);
    EXPECT_EQ(j->controller, nullptr);
    for (const PartRange& r : j->parts) EXPECT_EQ(r.inUse, 0);
  }
  EXPECT_EQ(j1->listIndex, 0);
  EXPECT_EQ(j2->listIndex, 1);
  CategoryRecord* deepBack = back.findCategory(deep->id);
  ASSERT_NE(deepBack, nullptr);
  EXPECT_EQ(deepBack->name, "Level3");
  ASSERT_NE(deepBack->firstJob, nullptr);
  EXPECT_EQ(deepBack->firstJob->password, "secret");
  EXPECT_EQ(deepBack->firstJob->listIndex, 0);
  ASSERT_NE(back.findCategory(6)->firstJob, nullptr);
  EXPECT_EQ(back.findCategory(6)->firstJob->fileSize, -1);

  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(JobDatabase, WriterNeverCutsACountByte) {
  CategoryTree tree;
  buildDefaultTree(tree, "/dl");
  JobRecord* job = new JobRecord;
  for (int i = 0; i < 300; ++i) addAltUrl(*job, "http://m/" + std::to_string(i));
  EXPECT_EQ(job->altUrls.size(), 255u);
  job->altUrls.push_back("http://forced/256");  // bypassing the check on purpose
  tree.appendJob(*tree.findCategory(1), job);
  CategoryTree back;
  ASSERT_EQ(decodeJobDatabase(encodeJobDatabase(tree), back), kDbLoaded);
  EXPECT_EQ(back.findCategory(1)->firstJob->altUrls.size(), 255u);
}

// Each damaged file is refused and leaves the tree empty.
TEST(JobDatabase, DamagedFilesAreRefused) {
  std::string good = withHeader(fourCategoryBody() + jobRecordBytes("http://a/b", 1, 0x20), 4);
  {
    CategoryTree t;
    ASSERT_EQ(decodeJobDatabase(good, t), kDbLoaded);
  }
  std::string badCrc = good;
  badCrc.back() ^= 1;
  Bytes three;
  three.category(1, "R", "/d", 0, 0, 0, 1).category(0, "A", "/d", 0, 1, 1, 0);
  three.category(1, "B", "/d", 1, 2, 1, 0);
  std::string unknownTag = fourCategoryBody() + std::string(1, '\x03');
  std::string jobFirst = jobRecordBytes("http://a/b", 1, 0) + fourCategoryBody();
  // A category claims the place of "Download" as root's first child a second time.
  Bytes twice;
  twice.b = fourCategoryBody();
  twice.category(0, "Again", "/d", 0, 4, 1, 0);
  // Category 3 hangs on an id nobody has: skipped, so "Deleted" is missing.
  Bytes orphan;
  orphan.category(1, "R", "/d", 0, 0, 0, 1).category(0, "A", "/d", 0, 1, 1, 0);
  orphan.category(1, "B", "/d", 1, 2, 1, 0).category(1, "C", "/d", 77, 3, 1, 0);
  orphan.category(1, "D", "/d", 2, 4, 1, 0);
  // A string length far beyond the end of the file.
  Bytes huge;
  huge.b = fourCategoryBody();
  huge.u8(1).u32(0xFFFFFFF0u);

  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"bad CRC", badCrc},
      {"11-byte file", withHeader("", 0)},
      {"shorter than a header", std::string("\x01\x04\x00", 3)},
      {"version 7", withHeader(fourCategoryBody(), 4, 7)},
      {"version 200", withHeader(fourCategoryBody(), 4, 200)},
      {"three categories", withHeader(three.b, 3)},
      {"unknown tag", withHeader(unknownTag, 4)},
      {"job before any category", withHeader(jobFirst, 4)},
      {"place taken twice", withHeader(twice.b, 5)},
      {"fixed category missing", withHeader(orphan.b, 5)},
      {"string past the end", withHeader(huge.b, 4)},
  };
  for (const Case& c : cases) {
    CategoryTree tree;
    buildDefaultTree(tree, "/old");
    EXPECT_EQ(decodeJobDatabase(c.bytes, tree), kDbDamaged) << c.what;
    EXPECT_TRUE(tree.empty()) << c.what;
    EXPECT_EQ(tree.categoryCount(), 0u) << c.what;
  }
  // Version bytes below 7 other than 1 are read.
  CategoryTree t6;
  EXPECT_EQ(decodeJobDatabase(withHeader(fourCategoryBody(), 4, 6), t6), kDbLoaded);
}

TEST(JobDatabase, EveryTruncationIsRefused) {
  std::string body = fourCategoryBody() + jobRecordBytes("http://a/b", 1, 0x20) +
                     jobRecordBytes("http://a/c", 1, 0);
  std::string full = withHeader(body, 4);
  for (size_t len = 0; len < full.size(); ++len) {
    // A correct CRC over the cut body, so that the record walk itself must notice.
    std::string cut = len < 11 ? full.substr(0, len) : withHeader(body.substr(0, len - 11), 4);
    CategoryTree tree;
    int r = decodeJobDatabase(cut, tree);
    // Cutting exactly at a record boundary after the fourth category is a valid file.
    if (r == kDbLoaded) {
      EXPECT_GE(len, 11 + fourCategoryBody().size()) << len;
      continue;
    }
    EXPECT_EQ(r, kDbDamaged) << len;
    EXPECT_TRUE(tree.empty());
  }
}

TEST(JobDatabase, SkippedCategoryTakesItsJobsWithIt) {
  Bytes body;
  body.b = fourCategoryBody();
  body.category(0, "Lost", "/d", 99, 4, 1, 0);
  body.b += jobRecordBytes("http://lost/1", 4, 0);
  body.category(0, "Kept", "/d", 2, 5, 1, 0);
  body.b += jobRecordBytes("http://kept/1", 5, 0);
  CategoryTree tree;
  ASSERT_EQ(decodeJobDatabase(withHeader(body.b, 6), tree), kDbLoaded);
  EXPECT_EQ(tree.findJobByUrl("http://lost/1"), nullptr);
  ASSERT_NE(tree.findJobByUrl("http://kept/1"), nullptr);
  EXPECT_EQ(tree.findCategory(5)->name, "Kept");
  EXPECT_EQ(tree.findCategory(4), nullptr);
}

TEST(JobDatabase, LoadResultsForFilesThatCannotBeRead) {
  test::TempDir dir;
  CategoryTree tree;
  EXPECT_EQ(loadJobDatabase(dir.file("missing.npd"), tree), kDbCannotOpen);
  EXPECT_EQ(loadJobDatabase(dir.write("empty.npd", ""), tree), kDbCannotOpen);
  EXPECT_EQ(loadJobDatabase(dir.path(), tree), kDbCannotOpen);
  EXPECT_EQ(loadJobDatabase(dir.write("short.npd", std::string(11, '\0')), tree), kDbDamaged);
}

TEST(JobDatabase, FailedWriteHalfWayLeavesThePreviousFileLoadable) {
  test::TempDir dir;
  const std::string path = dir.file("jobs.npd");
  CategoryTree tree;
  buildDefaultTree(tree, "/dl");
  tree.appendJob(*tree.findCategory(1), makeFullJob(1, true));
  ASSERT_EQ(saveJobDatabase(path, tree), 1);
  const std::string before = test::readFileText(path);

  for (int i = 2; i < 200; ++i) tree.appendJob(*tree.findCategory(1), makeFullJob(i, false));
  AtomicWriteOptions failing;
  size_t budget = encodeJobDatabase(tree).size() / 2;
  failing.write = [&budget](int fd, const void* data, size_t size) -> ssize_t {
    if (budget == 0) {
      errno = ENOSPC;
      return -1;
    }
    size_t n = std::min(size, budget);
    budget -= n;
    return ::write(fd, data, n);
  };
  EXPECT_EQ(saveJobDatabase(path, tree, failing), 0);
  EXPECT_EQ(test::readFileText(path), before);
  CategoryTree back;
  ASSERT_EQ(loadJobDatabase(path, back), kDbLoaded);
  EXPECT_EQ(CategoryTree::jobCount(*back.findCategory(1)), 1u);
  // No temporary file is left behind.
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(JobDatabase, SaveIntoMissingFolderReturnsZero) {
  CategoryTree tree;
  buildDefaultTree(tree, "/dl");
  EXPECT_EQ(saveJobDatabase("/nonexistent-folder-fw/x.npd", tree), 0);
}

TEST(JobDatabase, LoadHandsScheduledQueueJobsToTheScheduleList) {
  test::TempDir dir;
  Bytes withJobs;
  withJobs.category(1, "Fetchwright", "/d", 0, 0, 0, 1);
  withJobs.category(0, "Download", "/d", 0, 1, 1, 0x11);
  withJobs.b += jobRecordBytes("http://sched", 1, 0x0002) + jobRecordBytes("http://manual", 1, 0);
  withJobs.category(1, "Downloaded", "/d", 1, 2, 1, 0x61);
  withJobs.category(1, "Deleted", "/d/Deleted", 2, 3, 1, 0x40);
  withJobs.b += jobRecordBytes("http://sched-elsewhere", 3, 0x0002);
  const std::string path = dir.write("s.npd", withHeader(withJobs.b, 4));
  test::FakeQueue queue;
  CategoryTree tree;
  ASSERT_EQ(loadJobDatabase(path, tree, &queue), kDbLoaded);
  EXPECT_EQ(queue.calls, (std::vector<std::string>{"clear", "schedule http://sched"}));
}

TEST(JobDatabase, DefaultPath) {
  EXPECT_EQ(defaultDatabasePath("/home/u/.local/share/fetchwright"),
            "/home/u/.local/share/fetchwright/Default.npd");
  EXPECT_EQ(defaultDatabasePath("/data/"), "/data/Default.npd");
}

}  // namespace
}  // namespace fw
