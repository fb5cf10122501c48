#include "ui/html_export/html_export_page.h"

#include <cctype>
#include <cstdio>

#include "jobs/job_progress.h"
#include "platform/ascii_text.h"

namespace fw {

namespace {

constexpr const char* kTitle = "<html><head><title>Fetchwright Job List</title></head><body>";

// The table's column heads after the heading's name. The sub-category form misses the
// "</td>" after "Rate", as the page has always been written.
constexpr const char* kTableHead =
    "</font></b><br><table border=\"1\" width=\"90%\" bgcolor=\"#FFEEDD\"><tr "
    "bgcolor=\"#FFE4CA\"><td  width=\"25%\">Name</td><td  width=\"10%\">Rate</td><td "
    "width=\"10%\">Size</td><td width=\"20%\">Complete Time</td><td  width=\"10%\">Save "
    "As</td><td>Comment</td></tr>\r\n\r\n";
constexpr const char* kSubTableHead =
    "</font></b><br><table border=\"1\" width=\"90%\" bgcolor=\"#FFEEDD\"><tr "
    "bgcolor=\"#FFE4CA\"><td  width=\"25%\">Name</td><td  width=\"10%\">Rate<td "
    "width=\"10%\">Size</td><td width=\"20%\">Complete Time</td><td  width=\"10%\">Save "
    "As</td><td>Comment</td></tr>\r\n\r\n";

std::string sizeOf(const HtmlJob& job, bool bytes) {
  std::string received = sizeText(job.received, bytes);
  if (job.total < 0) return "?/" + received;
  return received + "/" + sizeText(job.total, bytes);
}

std::string timeOf(const HtmlJob& job) {
  if (!job.finished || !job.completeTime.isSet()) return "&nbsp;";
  const DateStamp& t = job.completeTime;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d-%d-%d %d:%d:%d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return buf;
}

std::string rateOf(const HtmlJob& job) {
  return std::to_string(job.rate) + " Star";
}

void tableCategory(std::string& out, const HtmlCategory& cat, bool sub, bool includeSub,
                   bool bytes) {
  out += sub ? "<b><FONT COLOR=\"#CC0000\">" + escapeHtml(cat.name) + kSubTableHead
             : "<b><FONT COLOR=\"#CC0000\"> " + escapeHtml(cat.name) + " " + kTableHead;
  for (const HtmlJob& j : cat.jobs) {
    out += "<tr><td><a href=\"" + escapeHtml(safeHref(j.url)) + "\">" + escapeHtml(j.fileName) +
           "</a></td>";
    out += "<td>" + rateOf(j) + "</td>";
    out += "<td> " + escapeHtml(sizeOf(j, bytes)) + " </td>";
    out += "<td>  " + timeOf(j) + " </td>";
    out += "<td><a href=\"file://" + fileHrefPath(j.savedPath) + "\">Open</a></td>";
    out += j.comment.empty() ? std::string("<td> &nbsp;</td></tr>")
                             : "<td> " + escapeHtml(j.comment) + " </td></tr>";
  }
  out += " </table><p>";
  if (!includeSub) return;
  for (const HtmlCategory& child : cat.children) tableCategory(out, child, true, true, bytes);
}

void normalCategory(std::string& out, const HtmlCategory& cat, bool includeSub, bool bytes) {
  out += "<h3><FONT COLOR=\"#CC0000\">" + escapeHtml(cat.name) + "</FONT></h3><p>\r\n\r\n";
  for (const HtmlJob& j : cat.jobs) {
    out += "<li><b>Name:</b><a href=\"" + escapeHtml(safeHref(j.url)) + "\">" +
           escapeHtml(j.fileName) + "</a>";
    out +=
        "<li><b>Rate:</b>" + rateOf(j) + "<li><b>Size:</b> " + escapeHtml(sizeOf(j, bytes)) + " ";
    out += "<li><b>Complete Time:</b>" + timeOf(j);
    out += "<li><b>Save as:</b><a href=\"file://" + fileHrefPath(j.savedPath) + "\">" +
           escapeHtml(j.savedPath) + "</a><li><b>Referer:</b><a href=\"" +
           escapeHtml(safeHref(j.referer)) + "\"></a>";
    out += j.comment.empty() ? std::string("<li><b>Comment:</b>&nbsp;<br><p>")
                             : "<li><b>Comment:</b>" + escapeHtml(j.comment) + "<br><p>";
  }
  if (!includeSub) return;
  for (const HtmlCategory& child : cat.children) normalCategory(out, child, true, bytes);
}

}  // namespace

std::string escapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string safeHref(std::string_view url) {
  for (std::string_view scheme : {"http://", "https://", "ftp://"})
    if (startsWithNoCase(url, scheme)) return std::string(url);
  return std::string();
}

std::string fileHrefPath(std::string_view path) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

std::string htmlExportPage(const HtmlCategory& top, HtmlStyle style, bool includeSub,
                           bool sizeInBytes) {
  std::string out = kTitle;
  if (style == HtmlStyle::Table) {
    out += "<center>\r\n";
    tableCategory(out, top, false, includeSub, sizeInBytes);
  } else {
    out += "\r\n";
    normalCategory(out, top, includeSub, sizeInBytes);
  }
  return out;
}

HtmlCategory htmlExportSnapshot(const CategoryRecord& cat, bool withChildren) {
  HtmlCategory out;
  out.name = cat.name;
  for (const JobRecord* j = cat.firstJob; j; j = j->next) {
    const JobProgress p = readProgress(*j);
    HtmlJob h;
    h.url = j->url;
    h.fileName = p.fileName;
    h.rate = j->rate;
    h.received = p.downloaded;
    h.total = p.fileSize;
    JobRecord state;
    state.flags = p.flags;
    state.flags2 = p.flags2;
    state.fileSize = p.fileSize;
    state.downloaded = p.downloaded;
    h.finished = j->activeRoles == 0 && jobComplete(state);
    h.completeTime = j->completeTime;
    h.savedPath = p.saveDir.empty() ? p.fileName : p.saveDir + "/" + p.fileName;
    h.referer = j->referer;
    h.comment = j->comment;
    out.jobs.push_back(std::move(h));
  }
  if (withChildren)
    for (const CategoryRecord* c = cat.firstChild; c; c = c->nextSibling)
      out.children.push_back(htmlExportSnapshot(*c, true));
  return out;
}

}  // namespace fw
