#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <set>

#include "platform/paths.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

EnvLookup envOf(std::map<std::string, std::string> vars) {
  return [vars](const std::string& name) {
    auto it = vars.find(name);
    return it == vars.end() ? std::string() : it->second;
  };
}

TEST(Paths, PerUserFolders) {
  const struct {
    const char* what;
    std::map<std::string, std::string> env;
    const char *config, *data, *runtime;
  } cases[] = {
      {"defaults",
       {{"HOME", "/home/u"}},
       "/home/u/.config/fetchwright",
       "/home/u/.local/share/fetchwright",
       nullptr},
      {"xdg",
       {{"HOME", "/home/u"},
        {"XDG_CONFIG_HOME", "/cfg/"},
        {"XDG_DATA_HOME", "/dat"},
        {"XDG_RUNTIME_DIR", "/run/user/7"}},
       "/cfg/fetchwright",
       "/dat/fetchwright",
       "/run/user/7/fetchwright"},
      {"relative xdg is ignored",
       {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "cfg"}, {"XDG_DATA_HOME", "./d"}},
       "/home/u/.config/fetchwright",
       "/home/u/.local/share/fetchwright",
       nullptr},
      {"FETCHWRIGHT_HOME wins",
       {{"HOME", "/home/u"},
        {"XDG_CONFIG_HOME", "/cfg"},
        {"XDG_RUNTIME_DIR", "/run/user/7"},
        {"FETCHWRIGHT_HOME", "/t/fw/"}},
       "/t/fw/config",
       "/t/fw/data",
       "/t/fw/runtime"},
  };
  for (const auto& c : cases) {
    EnvLookup env = envOf(c.env);
    EXPECT_EQ(configDir(env), c.config) << c.what;
    EXPECT_EQ(dataDir(env), c.data) << c.what;
    if (c.runtime) {
      EXPECT_EQ(runtimeDir(env), c.runtime) << c.what;
    } else {
      EXPECT_EQ(runtimeDir(env).rfind("/tmp/fetchwright-", 0), 0u) << c.what;
    }
  }
}

TEST(Paths, DownloadFolderFromUserDirs) {
  test::TempDir dir("fwpaths");
  const std::string home = dir.path();
  auto env = envOf({{"HOME", home}});
  EXPECT_EQ(downloadDir(env), home + "/Downloads");  // no user-dirs.dirs

  const struct {
    std::string file;
    std::string expected;
  } cases[] = {
      {"# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n",
       home + "/Téléchargements"},
      {"XDG_DOWNLOAD_DIR=\"/srv/dl/\"\n", "/srv/dl"},
      {"XDG_DOWNLOAD_DIR=\"/first\"\nXDG_DOWNLOAD_DIR=\"/second\"\n", "/second"},
      {"XDG_DOWNLOAD_DIR=\"relative/dl\"\n", home + "/Downloads"},
      {"XDG_DOWNLOAD_DIR=\"$HOMEX/dl\"\n", home + "/Downloads"},
      {"XDG_DOWNLOAD_DIR=\"/unterminated\n", home + "/Downloads"},
      {"XDG_DOWNLOAD_DIR=\"$HOME/my \\\"dl\\\"\"\n", home + "/my \"dl\""},
  };
  for (const auto& c : cases) {
    dir.write(".config/user-dirs.dirs", c.file);
    EXPECT_EQ(downloadDir(env), c.expected) << c.file;
  }
  // The file is looked for under XDG_CONFIG_HOME, and FETCHWRIGHT_HOME ignores it.
  dir.write("cfg/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"/from/xdg\"\n");
  EXPECT_EQ(downloadDir(envOf({{"HOME", home}, {"XDG_CONFIG_HOME", home + "/cfg"}})), "/from/xdg");
  EXPECT_EQ(downloadDir(envOf({{"HOME", home}, {"FETCHWRIGHT_HOME", "/t/fw"}})), "/t/fw/Downloads");
}

TEST(Paths, WindowsFoldersMapIntoTheDownloadFolder) {
  auto env = envOf({{"HOME", "/h"}, {"FETCHWRIGHT_HOME", "/fw"}});
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"C:\\Downloaded", "/fw/Downloads"},
      {"C:\\Downloaded\\", "/fw/Downloads"},
      {"c:\\downloaded\\Music", "/fw/Downloads/Music"},
      {"C:\\Downloaded\\Music\\Live\\", "/fw/Downloads/Music/Live"},
      {"C:/Downloaded/Software", "/fw/Downloads/Software"},
      {"C:\\Deleted", "/fw/Downloads/Deleted"},
      {"C:\\Deleted\\old", "/fw/Downloads/Deleted/old"},
      {"C:\\DownloadedX", "C:\\DownloadedX"},
      {"D:\\Downloaded", "D:\\Downloaded"},
      {"/home/u/files", "/home/u/files"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(mapWindowsFolder(c.in, env), c.out) << c.in;
}

TEST(Paths, ShareDirIsUnderThePrefix) {
  std::string s = shareDir();
  EXPECT_EQ(s.substr(s.size() - std::string("/share/fetchwright").size()), "/share/fetchwright");
  EXPECT_EQ(s[0], '/');
}

TEST(Paths, ShareDirFollowsTheInstalledExecutable) {
  const std::set<std::string> folders = {"/opt/fw/share/fetchwright", "/share/fetchwright"};
  auto isFolder = [&](const std::string& p) { return folders.count(p) > 0; };
  const struct {
    const char *exe, *prefix, *share;
  } cases[] = {
      {"/opt/fw/bin/fetchwright", "/usr", "/opt/fw/share/fetchwright"},
      {"/bin/fetchwright", "/usr", "/share/fetchwright"},
      // No data beside it, or not in a "bin" folder (the build tree): the built prefix.
      {"/home/u/bin/fetchwright", "/usr/local", "/usr/local/share/fetchwright"},
      {"/opt/fw/sbin/fetchwright", "/usr/", "/usr/share/fetchwright"},
      {"/opt/fw/build/app/fetchwright", "/", "/share/fetchwright"},
      {"", "/usr", "/usr/share/fetchwright"},
  };
  for (const auto& c : cases) EXPECT_EQ(shareDirFor(c.exe, c.prefix, isFolder), c.share) << c.exe;
}

TEST(Paths, MakeDirsCreatesParentsWithTheMode) {
  test::TempDir dir("fwpaths");
  std::string deep = dir.path() + "/a/b/c";
  std::string error;
  ASSERT_TRUE(makeDirs(deep, 0700, &error)) << error;
  ASSERT_TRUE(makeDirs(deep, 0700, &error)) << error;  // existing is fine
  struct stat st {};
  ASSERT_EQ(stat((dir.path() + "/a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  dir.write("file", "x");
  EXPECT_FALSE(makeDirs(dir.path() + "/file", 0700, &error));
  EXPECT_FALSE(makeDirs(dir.path() + "/file/sub", 0700, &error));
  EXPECT_NE(error, "");
}

}  // namespace
}  // namespace fw
