#include "capture/receiver/hand_off_receiver.h"

#include "capture/module/monitor_flags.h"
#include "capture/receiver/link_list_rows.h"
#include "engine/url/url_parse.h"
#include "platform/ascii_text.h"
#include "platform/control_kinds.h"

namespace fw {

namespace {

std::string lineAt(const std::vector<std::string>& lines, size_t i) {
  return i < lines.size() ? lines[i] : std::string();
}

}  // namespace

std::vector<std::string> handOffLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(trimmed(text.substr(start, end - start)));
    start = end + 1;
  }
  return lines;
}

std::string urlExtension(const std::string& url) {
  UrlParts parts;
  if (!parseUrl(std::string_view(url), parts)) return "";
  size_t dot = parts.fileName.rfind('.');
  if (dot == std::string::npos) return "";
  std::string ext = parts.fileName.substr(dot);
  for (char& c : ext) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return ext;
}

bool extensionInMonitorList(const std::string& extension, const std::string& monitorType) {
  return !extension.empty() && monitorType.find(extension) != std::string::npos;
}

std::string cutUtf8(const std::string& text, size_t max) {
  if (text.size() <= max) return text;
  size_t end = max;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

HandOffReceiver::HandOffReceiver(HandOffWindow& window, const GeneralSettings& settings,
                                 std::string blockName)
    : m_window(window), m_settings(settings), m_blockName(std::move(blockName)) {}

bool HandOffReceiver::handle(const ControlRequest& request, ControlReply& reply) {
  switch (request.kind) {
    case kControlHandOffList:
    case kControlHandOffAddUrl:
    case kControlHandOffClick:
      reply = ControlReply{onHandOff(request.kind), {}};
      return true;
    case kControlLinkList:
      reply = ControlReply{onLinkList(request.payload), {}};
      return true;
    default:
      return false;
  }
}

int32_t HandOffReceiver::onHandOff(uint32_t kind) {
  m_window.bringToFront();
  std::string text;
  if (readHandOffBlock(text, m_blockName) != BlockRead::Read) return 0;

  switch (kind) {
    case kControlHandOffList:
      m_slots.listText = text;
      if (!m_window.closing()) m_window.openSelectUrl(linkListRows(m_slots.listText));
      return 1;
    case kControlHandOffAddUrl: {
      std::vector<std::string> lines = handOffLines(text);
      m_slots.url = lineAt(lines, 0);
      m_slots.comment = lineAt(lines, 1);
      m_slots.referrer = lineAt(lines, 2);
      if (!m_window.closing() && !m_slots.url.empty())
        m_window.queuePropertySheet(NewJobOffer{m_slots.url, m_slots.referrer, m_slots.comment});
      return 1;
    }
    case kControlHandOffClick:
      return onClick(text);
    default:
      return 1;
  }
}

int32_t HandOffReceiver::onClick(const std::string& text) {
  if (!(m_settings.monitor & monitorflag::kBrowser)) return 0;
  if (m_window.closing()) return 0;
  std::vector<std::string> lines = handOffLines(text);
  m_slots.url = lineAt(lines, 0);
  m_slots.referrer = lineAt(lines, 1);
  if (m_slots.url.empty()) return 1;
  UrlParts parts;
  if (!parseUrl(std::string_view(m_slots.url), parts)) return -1;
  if (!extensionInMonitorList(urlExtension(m_slots.url), m_settings.monitorType)) return -1;

  // The slots are not consumed by a sheet here (the offer carries its values), so a click
  // starts from an empty comment rather than one left by an earlier hand-off.
  m_slots.comment.clear();
  if (m_settings.monitor & monitorflag::kFillComment) {
    std::string clip = m_window.clipboardText();
    m_slots.comment =
        clip.size() > kClipboardCommentMax ? cutUtf8(clip, kClipboardCommentCut) : clip;
  }
  if (m_settings.monitor & monitorflag::kBrowserConfirm) {
    m_window.queuePropertySheet(NewJobOffer{m_slots.url, m_slots.referrer, m_slots.comment});
  } else {
    AddJobRequest request;
    request.url = m_slots.url;
    request.referer = m_slots.referrer;
    request.comment = m_slots.comment;
    m_window.addJobNow(request);
    m_slots.comment.clear();
  }
  return 1;
}

int32_t HandOffReceiver::onLinkList(std::string_view bytes) {
  m_slots.listText = std::string(bytes.substr(0, bytes.find('\0')));
  if (!m_window.closing()) m_window.openSelectUrl(linkListRows(m_slots.listText));
  return 1;
}

}  // namespace fw
