#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/registry.h"
#include "platform/registry_format.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

const char kGeneral[] = "Software\\Fetchwright\\Fetchwright\\General\\";
constexpr RegRoot kUser = RegRoot::CurrentUser;

mode_t modeOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

class RegistryTest : public ::testing::Test {
 protected:
  test::TempDir m_dir{"fwreg"};
  std::string m_file = m_dir.path() + "/config/fetchwright/registry.reg";
};

TEST_F(RegistryTest, ValuesPersistAcrossInstances) {
  {
    Registry reg(m_file);
    EXPECT_EQ(reg.setDword(kUser, kGeneral, "MaxSplit", 15), RegStatus::Ok);
    EXPECT_EQ(reg.setString(kUser, kGeneral, "MonitorType", ".ZIP;\"q\"\\\nx"), RegStatus::Ok);
    EXPECT_EQ(reg.setBinary(kUser, "Software\\Fetchwright\\Fetchwright\\DownSet", "OrderOne", ""),
              RegStatus::Ok);
  }
  Registry reg(m_file);
  uint32_t d = 0;
  std::string s;
  EXPECT_EQ(reg.queryDword(kUser, kGeneral, "MaxSplit", d), RegStatus::Ok);
  EXPECT_EQ(d, 15u);
  EXPECT_EQ(reg.queryString(kUser, kGeneral, "MonitorType", s), RegStatus::Ok);
  EXPECT_EQ(s, ".ZIP;\"q\"\\\nx");
  s = "x";
  EXPECT_EQ(reg.queryBinary(kUser, "Software\\Fetchwright\\Fetchwright\\DownSet", "OrderOne", s),
            RegStatus::Ok);
  EXPECT_EQ(s, "");
  EXPECT_EQ(reg.loadError(), "");
}

TEST_F(RegistryTest, QueryResults) {
  Registry reg(m_file);
  ASSERT_EQ(reg.setDword(kUser, kGeneral, "Rate", 3), RegStatus::Ok);
  uint32_t d = 99;
  std::string s = "keep";
  EXPECT_EQ(reg.queryString(kUser, kGeneral, "Rate", s), RegStatus::WrongType);
  EXPECT_EQ(s, "keep");
  EXPECT_EQ(reg.queryDword(kUser, kGeneral, "Missing", d), RegStatus::NotFound);
  EXPECT_EQ(reg.queryDword(kUser, "Software\\Nowhere", "Rate", d), RegStatus::NotFound);
  EXPECT_EQ(reg.queryDword(RegRoot::LocalMachine, kGeneral, "Rate", d), RegStatus::NotFound);
  EXPECT_EQ(d, 99u);
  EXPECT_EQ(reg.setDword(kUser, "Software\\Bad\x01Name", "v", 1), RegStatus::InvalidName);
  EXPECT_EQ(reg.deleteKey(kUser, ""), RegStatus::InvalidName);
}

TEST_F(RegistryTest, NamesIgnoreCaseButKeepTheirSpelling) {
  Registry reg(m_file);
  ASSERT_EQ(reg.setDword(kUser, "Software\\Fetchwright\\General", "ConnOut", 90), RegStatus::Ok);
  ASSERT_EQ(reg.setDword(kUser, "SOFTWARE\\fetchwright\\GENERAL", "CONNOUT", 120), RegStatus::Ok);
  uint32_t d = 0;
  EXPECT_EQ(reg.queryDword(kUser, "software\\FetchWright\\general", "connout", d), RegStatus::Ok);
  EXPECT_EQ(d, 120u);
  std::vector<std::string> keys;
  EXPECT_EQ(reg.enumSubKeys(kUser, "software", keys), RegStatus::Ok);
  EXPECT_EQ(keys, std::vector<std::string>{"Fetchwright"});
  std::vector<std::pair<std::string, RegValue>> values;
  EXPECT_EQ(reg.enumValues(kUser, "Software\\Fetchwright\\General", values), RegStatus::Ok);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].first, "ConnOut");
  EXPECT_EQ(values[0].second, RegValue::makeDword(120));
}

TEST_F(RegistryTest, EnumerateAndDelete) {
  Registry reg(m_file);
  const std::string proxy = "Software\\Fetchwright\\Fetchwright\\Proxy";
  for (const char* k : {"Proxy1", "Proxy2", "Proxy3"}) {
    ASSERT_EQ(reg.setString(kUser, proxy + "\\" + k, "Title", k), RegStatus::Ok);
  }
  ASSERT_EQ(reg.setDword(kUser, proxy + "\\Proxy2\\Deeper", "x", 1), RegStatus::Ok);
  ASSERT_EQ(reg.setDword(kUser, proxy, "DefaultHttp", 0), RegStatus::Ok);
  ASSERT_EQ(reg.setDword(kUser, proxy, "RollBack", 2048), RegStatus::Ok);

  std::vector<std::string> keys;
  EXPECT_EQ(reg.enumSubKeys(kUser, proxy, keys), RegStatus::Ok);
  EXPECT_EQ(keys, (std::vector<std::string>{"Proxy1", "Proxy2", "Proxy3"}));

  EXPECT_EQ(reg.deleteKey(kUser, proxy + "\\proxy2"), RegStatus::Ok);
  EXPECT_EQ(reg.deleteKey(kUser, proxy + "\\Proxy2"), RegStatus::NotFound);
  EXPECT_EQ(reg.deleteValue(kUser, proxy, "DefaultHttp"), RegStatus::Ok);
  EXPECT_EQ(reg.deleteValue(kUser, proxy, "DefaultHttp"), RegStatus::NotFound);

  Registry other(m_file);  // sees the file, not this object's memory
  EXPECT_EQ(other.enumSubKeys(kUser, proxy, keys), RegStatus::Ok);
  EXPECT_EQ(keys, (std::vector<std::string>{"Proxy1", "Proxy3"}));
  EXPECT_FALSE(other.keyExists(kUser, proxy + "\\Proxy2\\Deeper"));
  std::vector<std::pair<std::string, RegValue>> values;
  EXPECT_EQ(other.enumValues(kUser, proxy, values), RegStatus::Ok);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].first, "RollBack");
  EXPECT_EQ(other.enumSubKeys(kUser, proxy + "\\Nope", keys), RegStatus::NotFound);
  EXPECT_TRUE(keys.empty());
}

TEST_F(RegistryTest, LocalMachineKeysLiveUnderTheirOwnRoot) {
  Registry reg(m_file);
  ASSERT_EQ(reg.setString(RegRoot::LocalMachine, "Software\\Shared", "v", "machine"),
            RegStatus::Ok);
  ASSERT_EQ(reg.setString(kUser, "Software\\Shared", "v", "user"), RegStatus::Ok);
  std::string s;
  EXPECT_EQ(reg.queryString(RegRoot::LocalMachine, "Software\\Shared", "v", s), RegStatus::Ok);
  EXPECT_EQ(s, "machine");
  std::string text = test::readFileText(m_file);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Shared]\n\"v\"=\"machine\""),
            std::string::npos)
      << text;
}

TEST_F(RegistryTest, FileAndFolderArePrivate) {
  Registry reg(m_file);
  ASSERT_EQ(reg.setString(kUser, "Software\\Proxy1", "Pass", "secret"), RegStatus::Ok);
  EXPECT_EQ(modeOf(m_file), 0600);
  EXPECT_EQ(modeOf(m_dir.path() + "/config/fetchwright"), 0700);
  EXPECT_EQ(modeOf(m_dir.path() + "/config"), 0700);
  // A rewrite keeps the mode even when the old file had been loosened.
  ASSERT_EQ(chmod(m_file.c_str(), 0644), 0);
  ASSERT_EQ(reg.setString(kUser, "Software\\Proxy1", "Pass", "other"), RegStatus::Ok);
  EXPECT_EQ(modeOf(m_file), 0600);
}

TEST_F(RegistryTest, TransactionWritesTheFileOnceAndOnlyWhenSomethingChanged) {
  Registry reg(m_file);
  auto saveGroup = [&] {
    return reg.transact([](RegTransaction& t) {
      for (uint32_t i = 0; i < 20; ++i) t.setDword(kUser, kGeneral, "V" + std::to_string(i), i);
      return true;
    });
  };
  ASSERT_EQ(saveGroup(), RegStatus::Ok);
  FileSignature first = fileSignature(m_file);
  ASSERT_TRUE(first.exists);
  // The same values again change nothing, so the file is not replaced.
  ASSERT_EQ(saveGroup(), RegStatus::Ok);
  EXPECT_EQ(fileSignature(m_file), first);

  // A transaction that gives up leaves neither file nor memory changed.
  ASSERT_EQ(reg.transact([](RegTransaction& t) {
    t.setDword(kUser, kGeneral, "V0", 1000);
    t.deleteKey(kUser, "Software");
    return false;
  }),
            RegStatus::Ok);
  EXPECT_EQ(fileSignature(m_file), first);
  uint32_t d = 0;
  EXPECT_EQ(reg.queryDword(kUser, kGeneral, "V0", d), RegStatus::Ok);
  EXPECT_EQ(d, 0u);
}

TEST_F(RegistryTest, WritersInTwoObjectsDoNotLoseEachOthersValues) {
  Registry a(m_file), b(m_file);
  ASSERT_EQ(a.setDword(kUser, kGeneral, "FromA", 1), RegStatus::Ok);
  ASSERT_EQ(b.setDword(kUser, kGeneral, "FromB", 2), RegStatus::Ok);
  ASSERT_EQ(a.setDword(kUser, kGeneral, "FromA2", 3), RegStatus::Ok);
  uint32_t d = 0;
  EXPECT_EQ(b.queryDword(kUser, kGeneral, "FromA2", d), RegStatus::Ok);
  EXPECT_EQ(a.queryDword(kUser, kGeneral, "FromB", d), RegStatus::Ok);
  EXPECT_EQ(d, 2u);
}

TEST_F(RegistryTest, UnparseableFileIsReportedReadAsEmptyAndKept) {
  const std::string garbage =
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\K]\n"
      "\"v\"=dword:zz\n\"Pass\"=\"precious\"\n";
  m_dir.write("config/fetchwright/registry.reg", garbage);
  Registry reg(m_file);
  uint32_t d = 0;
  EXPECT_EQ(reg.queryDword(kUser, "K", "Pass", d), RegStatus::NotFound);
  EXPECT_NE(reg.loadError().find("line 3"), std::string::npos) << reg.loadError();
  EXPECT_EQ(reg.preservedBadFile(), "");
  EXPECT_EQ(test::readFileText(m_file), garbage);  // reading alone changes nothing

  ASSERT_EQ(reg.setDword(kUser, "K", "v", 5), RegStatus::Ok);
  EXPECT_EQ(reg.preservedBadFile(), m_file + ".bad");
  EXPECT_EQ(test::readFileText(m_file + ".bad"), garbage);
  EXPECT_EQ(reg.queryDword(kUser, "K", "v", d), RegStatus::Ok);
  EXPECT_EQ(d, 5u);
  EXPECT_NE(reg.loadError(), "");  // still there for whoever asks later

  // A second bad file does not replace the first one kept.
  m_dir.write("config/fetchwright/registry.reg", "junk\n");
  Registry again(m_file);
  ASSERT_EQ(again.setDword(kUser, "K", "v", 6), RegStatus::Ok);
  EXPECT_EQ(again.preservedBadFile(), m_file + ".bad.2");
  EXPECT_EQ(test::readFileText(m_file + ".bad"), garbage);
  EXPECT_EQ(test::readFileText(m_file + ".bad.2"), "junk\n");
}

TEST_F(RegistryTest, UnreadableFileIsNeverOverwritten) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  m_dir.write("config/fetchwright/registry.reg",
              "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\K]\n\"v\"=dword:1\n");
  ASSERT_EQ(chmod(m_file.c_str(), 0), 0);
  Registry reg(m_file);
  EXPECT_EQ(reg.setDword(kUser, "K", "v", 2), RegStatus::IoError);
  uint32_t d = 0;
  EXPECT_EQ(reg.queryDword(kUser, "K", "v", d), RegStatus::IoError);
  ASSERT_EQ(chmod(m_file.c_str(), 0600), 0);
  EXPECT_EQ(reg.queryDword(kUser, "K", "v", d), RegStatus::Ok);
  EXPECT_EQ(d, 1u);
}

// One process rewrites the store over and over while this one reads it: every read must find a
// complete, consistent file.
TEST_F(RegistryTest, ReaderInAnotherProcessNeverSeesAHalfWrittenFile) {
  constexpr int kWrites = 150;
  {
    Registry seed(m_file);
    ASSERT_EQ(seed.setDword(kUser, "Bench", "n", 0), RegStatus::Ok);
  }
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Registry writer(m_file);
    for (int i = 1; i <= kWrites; ++i) {
      RegStatus st = writer.transact([i](RegTransaction& t) {
        // A large binary makes each write span many blocks.
        t.setBinary(kUser, "Bench", "blob", std::string(20000, char(i)));
        t.setDword(kUser, "Bench", "n", uint32_t(i));
        return true;
      });
      if (st != RegStatus::Ok) _exit(1);
    }
    _exit(0);
  }
  Registry reader(m_file);
  int reads = 0, bad = 0;
  bool childDone = false;
  int status = 0;
  for (int iter = 0; iter < 20000 && !childDone; ++iter) {
    childDone = waitpid(child, &status, WNOHANG) == child;
    reader.read([&](const RegView& v) {
      uint32_t n = 0;
      std::string blob;
      if (v.queryDword(kUser, "Bench", "n", n) != RegStatus::Ok) {
        ++bad;
        return;
      }
      if (n == 0) return;
      if (v.queryBinary(kUser, "Bench", "blob", blob) != RegStatus::Ok ||
          blob != std::string(20000, char(n))) {
        ++bad;
      }
    });
    // Also read the file directly, bypassing the cache.
    RegNode top;
    std::string error;
    if (!parseRegText(test::readFileText(m_file), top, error)) ++bad;
    ++reads;
  }
  if (!childDone) {
    ASSERT_EQ(waitpid(child, &status, 0), child);
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(bad, 0) << "after " << reads << " reads";
  EXPECT_EQ(reader.loadError(), "");
  uint32_t n = 0;
  EXPECT_EQ(reader.queryDword(kUser, "Bench", "n", n), RegStatus::Ok);
  EXPECT_EQ(n, uint32_t(kWrites));
}

}  // namespace
}  // namespace fw
