// The HTML export: both styles with and without sub-categories against the page's exact
// text, with a job of unknown size, a running one, an empty category and values a
// hostile server or user could choose; the snapshot of a category tree; and the
// dialog's export with its page opened, and its error message.

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

#include "platform/atomic_file.h"
#include "store/category_tree.h"
#include "support/temp_dir.h"
#include "ui/html_export/html_export_dialog.h"

namespace fw {
namespace {

HtmlCategory sampleTree() {
  HtmlJob done;
  done.url = "http://h.example/a.zip";
  done.fileName = "a.zip";
  done.rate = 5;
  done.received = 2048;
  done.total = 2048;
  done.finished = true;
  done.completeTime = DateStamp{2026, 12, 8, 9, 5, 3, 2};
  done.savedPath = "/d/My Files/a.zip";
  done.referer = "http://h.example/";
  done.comment = "good";
  HtmlJob running;
  running.url = "https://h.example/b";
  running.fileName = "b.bin";
  running.rate = 3;
  running.received = 5120;
  running.savedPath = "/d/b.bin";
  HtmlJob hostile;
  hostile.url = "http://h.example/c?a=1&b=2";
  hostile.fileName = "<img src=x onerror=alert(1)>.zip";
  hostile.rate = 1;
  hostile.total = 100;
  hostile.savedPath = "/d/<img>.zip";
  hostile.referer = "javascript:alert(1)";
  hostile.comment = "it's \"fine\" & <b>";

  HtmlCategory empty{"Empty", {}, {}};
  HtmlCategory music{"Mu<sic>", {hostile}, {empty}};
  return HtmlCategory{"Downloaded", {done, running}, {music}};
}

TEST(HtmlExport, BothStylesWithAndWithoutSubCategories) {
  const std::string tableHead =
      "<html><head><title>Fetchwright Job List</title></head><body><center>\r\n";
  const std::string columns =
      "</font></b><br><table border=\"1\" width=\"90%\" bgcolor=\"#FFEEDD\"><tr "
      "bgcolor=\"#FFE4CA\"><td  width=\"25%\">Name</td><td  width=\"10%\">Rate</td><td "
      "width=\"10%\">Size</td><td width=\"20%\">Complete Time</td><td  width=\"10%\">Save "
      "As</td><td>Comment</td></tr>\r\n\r\n";
  const std::string subColumns =
      "</font></b><br><table border=\"1\" width=\"90%\" bgcolor=\"#FFEEDD\"><tr "
      "bgcolor=\"#FFE4CA\"><td  width=\"25%\">Name</td><td  width=\"10%\">Rate<td "
      "width=\"10%\">Size</td><td width=\"20%\">Complete Time</td><td  width=\"10%\">Save "
      "As</td><td>Comment</td></tr>\r\n\r\n";
  const std::string tableTop =
      tableHead + "<b><FONT COLOR=\"#CC0000\"> Downloaded " + columns +
      "<tr><td><a href=\"http://h.example/a.zip\">a.zip</a></td><td>5 Star</td><td> 2KB/2KB "
      "</td><td>  2026-12-8 9:5:3 </td><td><a href=\"file:///d/My%20Files/a.zip\">Open</a></td>"
      "<td> good </td></tr>"
      "<tr><td><a href=\"https://h.example/b\">b.bin</a></td><td>3 Star</td><td> ?/5KB </td>"
      "<td>  &nbsp; </td><td><a href=\"file:///d/b.bin\">Open</a></td><td> &nbsp;</td></tr>"
      " </table><p>";
  const std::string tableSubs =
      "<b><FONT COLOR=\"#CC0000\">Mu&lt;sic&gt;" + subColumns +
      "<tr><td><a href=\"http://h.example/c?a=1&amp;b=2\">&lt;img src=x "
      "onerror=alert(1)&gt;.zip</a></td><td>1 Star</td><td> 0KB/0KB </td><td>  &nbsp; </td>"
      "<td><a href=\"file:///d/%3Cimg%3E.zip\">Open</a></td>"
      "<td> it&#39;s &quot;fine&quot; &amp; &lt;b&gt; </td></tr> </table><p>"
      "<b><FONT COLOR=\"#CC0000\">Empty" +
      subColumns + " </table><p>";

  const std::string normalTop =
      "<html><head><title>Fetchwright Job List</title></head><body>\r\n"
      "<h3><FONT COLOR=\"#CC0000\">Downloaded</FONT></h3><p>\r\n\r\n"
      "<li><b>Name:</b><a href=\"http://h.example/a.zip\">a.zip</a><li><b>Rate:</b>5 Star"
      "<li><b>Size:</b> 2KB/2KB <li><b>Complete Time:</b>2026-12-8 9:5:3<li><b>Save as:</b>"
      "<a href=\"file:///d/My%20Files/a.zip\">/d/My Files/a.zip</a><li><b>Referer:</b>"
      "<a href=\"http://h.example/\"></a><li><b>Comment:</b>good<br><p>"
      "<li><b>Name:</b><a href=\"https://h.example/b\">b.bin</a><li><b>Rate:</b>3 Star"
      "<li><b>Size:</b> ?/5KB <li><b>Complete Time:</b>&nbsp;<li><b>Save as:</b>"
      "<a href=\"file:///d/b.bin\">/d/b.bin</a><li><b>Referer:</b><a href=\"\"></a>"
      "<li><b>Comment:</b>&nbsp;<br><p>";
  const std::string normalSubs =
      "<h3><FONT COLOR=\"#CC0000\">Mu&lt;sic&gt;</FONT></h3><p>\r\n\r\n"
      "<li><b>Name:</b><a href=\"http://h.example/c?a=1&amp;b=2\">&lt;img src=x "
      "onerror=alert(1)&gt;.zip</a><li><b>Rate:</b>1 Star<li><b>Size:</b> 0KB/0KB "
      "<li><b>Complete Time:</b>&nbsp;<li><b>Save as:</b><a href=\"file:///d/%3Cimg%3E.zip\">"
      "/d/&lt;img&gt;.zip</a><li><b>Referer:</b><a href=\"\"></a>"
      "<li><b>Comment:</b>it&#39;s &quot;fine&quot; &amp; &lt;b&gt;<br><p>"
      "<h3><FONT COLOR=\"#CC0000\">Empty</FONT></h3><p>\r\n\r\n";

  std::string tableInBytes = tableTop;
  tableInBytes.replace(tableInBytes.find(" 2KB/2KB "), 9, " 2048/2048 ");
  tableInBytes.replace(tableInBytes.find(" ?/5KB "), 7, " ?/5120 ");

  struct Case {
    const char* what;
    HtmlStyle style;
    bool includeSub;
    bool bytes;
    std::string want;
  } cases[] = {
      {"table with sub-categories", HtmlStyle::Table, true, false, tableTop + tableSubs},
      {"table alone", HtmlStyle::Table, false, false, tableTop},
      {"table in bytes", HtmlStyle::Table, false, true, tableInBytes},
      {"normal with sub-categories", HtmlStyle::Normal, true, false, normalTop + normalSubs},
      {"normal alone", HtmlStyle::Normal, false, false, normalTop},
  };
  const HtmlCategory tree = sampleTree();
  for (const Case& c : cases)
    EXPECT_EQ(htmlExportPage(tree, c.style, c.includeSub, c.bytes), c.want) << c.what;

  HtmlCategory lonely{"Nothing", {}, {}};
  EXPECT_EQ(htmlExportPage(lonely, HtmlStyle::Table, true, false),
            tableHead + "<b><FONT COLOR=\"#CC0000\"> Nothing " + columns + " </table><p>")
      << "an empty category still has its table";
}

// An HTML parser sees only the template's own tags in a page of hostile values.
TEST(HtmlExport, HostileValuesAddNoTags) {
  test::TempDir dir("fw-html-parse");
  const std::string script = dir.path() + "/tags.py";
  ASSERT_TRUE(writeFileAtomically(script, R"(import sys
from html.parser import HTMLParser
allowed = {"html", "head", "title", "body", "center", "b", "font", "br", "table", "tr", "td",
           "a", "h3", "p", "li"}
class Tags(HTMLParser):
    def handle_starttag(self, tag, attrs):
        if tag not in allowed or any(n not in ("href", "color", "border", "width", "bgcolor")
                                     for n, _ in attrs):
            sys.exit("unexpected <%s %s>" % (tag, attrs))
Tags().feed(open(sys.argv[1], encoding="utf-8").read())
)"));
  for (HtmlStyle style : {HtmlStyle::Normal, HtmlStyle::Table}) {
    const std::string page = dir.path() + "/page.htm";
    ASSERT_TRUE(writeHtmlExport(page, htmlExportPage(sampleTree(), style, true, false)));
    const std::string command = "python3 " + script + " " + page;
    EXPECT_EQ(std::system(command.c_str()), 0) << static_cast<int>(style);
  }
}

// A tree with a finished job, one of unknown size and a sub-category.
struct SampleStore {
  SampleStore() {
    CategoryRecord* root = tree.createRoot("Fetchwright", "/d", 0, 0);
    done = tree.appendChild(*root, "Downloaded", "/d", 0, 0);
    sub = tree.appendChild(*done, "Music", "/d/Music", 0x20, 0);
    auto* a = new JobRecord;
    a->url = "http://h.example/a.zip";
    a->fileName = "a.zip";
    a->saveDir = "/d";
    a->fileSize = a->downloaded = 2048;
    a->flags = jobflags::kComplete;
    a->completeTime = DateStamp{2026, 12, 8, 9, 5, 3, 2};
    tree.appendJob(*done, a);
    auto* b = new JobRecord;
    b->url = "http://h.example/b";
    b->fileName = "b";
    b->saveDir = "/d";
    b->downloaded = 10;
    tree.appendJob(*done, b);
    auto* c = new JobRecord;
    c->url = "http://h.example/c.mp3";
    c->fileName = "c.mp3";
    c->saveDir = "/d/Music";
    tree.appendJob(*sub, c);
  }
  CategoryTree tree;
  CategoryRecord* done = nullptr;
  CategoryRecord* sub = nullptr;
};

TEST(HtmlExport, SnapshotOfACategory) {
  SampleStore store;
  HtmlCategory all = htmlExportSnapshot(*store.done, true);
  ASSERT_EQ(all.jobs.size(), 2u);
  EXPECT_TRUE(all.jobs[0].finished);
  EXPECT_EQ(all.jobs[0].savedPath, "/d/a.zip");
  EXPECT_EQ(all.jobs[0].completeTime.day, 8);
  EXPECT_FALSE(all.jobs[1].finished);
  EXPECT_EQ(all.jobs[1].total, -1);
  EXPECT_EQ(all.jobs[1].received, 10);
  ASSERT_EQ(all.children.size(), 1u);
  EXPECT_EQ(all.children[0].jobs[0].savedPath, "/d/Music/c.mp3");
  EXPECT_TRUE(htmlExportSnapshot(*store.done, false).children.empty());
}

struct Boxes : MessageBoxes {
  std::vector<std::string> shown;
  int show(const std::string& text, BoxIcon, BoxButtons) override {
    shown.push_back(text);
    return kBoxOk;
  }
};

TEST(HtmlExport, DialogWritesAndOpensThePageOrSaysItFailed) {
  SampleStore store;
  test::TempDir dir("fw-html");
  Boxes boxes;
  HtmlExportDialog dialog(store.tree, store.done, false, boxes);
  EXPECT_EQ(dialog.category(), store.done);
  EXPECT_EQ(dialog.style(), HtmlStyle::Normal) << "as the dialog opens";
  EXPECT_TRUE(dialog.includeSub());
  EXPECT_TRUE(dialog.viewAfter());

  std::string target = dir.path() + "/jobs.htm";
  std::vector<std::string> opened;
  dialog.askPath = [&] { return target; };
  dialog.openPage = [&](const std::string& p) { opened.push_back(p); };
  dialog.choose(store.done, HtmlStyle::Table, false, true);
  ASSERT_TRUE(dialog.exportPage());
  std::string page;
  ASSERT_EQ(readWholeFile(target, page), 1);
  EXPECT_EQ(page.rfind("<html><head><title>Fetchwright Job List</title></head><body><center>", 0),
            0u);
  EXPECT_NE(page.find(">a.zip</a>"), std::string::npos);
  EXPECT_EQ(page.find("Music"), std::string::npos) << "sub-categories left out";
  EXPECT_EQ(opened, std::vector<std::string>{target});
  EXPECT_TRUE(boxes.shown.empty());

  target = dir.path() + "/missing/jobs.htm";
  EXPECT_FALSE(dialog.exportPage());
  EXPECT_EQ(boxes.shown, std::vector<std::string>{kHtmlExportError});
  EXPECT_EQ(opened.size(), 1u) << "a page that was not written is not opened";

  dialog.askPath = [] { return std::string(); };
  EXPECT_FALSE(dialog.exportPage()) << "the save dialog was cancelled";
  EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace fw
