#include "capture/module/capture_module.h"

#include "capture/module/link_list_text.h"
#include "capture/module/monitored_type.h"
#include "platform/control_kinds.h"

namespace fw {

const char* clickOutcomeName(ClickOutcome o) {
  switch (o) {
    case ClickOutcome::Taken:
      return "taken";
    case ClickOutcome::NotMonitored:
      return "not monitored";
    case ClickOutcome::Busy:
      return "another delivery is under way";
    case ClickOutcome::NoBlock:
      return "hand-off block unavailable";
    case ClickOutcome::NotRunning:
      return "Fetchwright is not running";
    case ClickOutcome::Failed:
      return "no answer from Fetchwright";
    case ClickOutcome::Refused:
      return "refused by Fetchwright";
  }
  return "";
}

CaptureModule::CaptureModule(const CaptureSettings& settings, ProgramLink link,
                             std::string blockName)
    : m_settings(settings), m_link(std::move(link)), m_blockName(std::move(blockName)) {}

Delivery CaptureModule::deliverThroughBlock(uint32_t kind, const std::vector<std::string>& lines,
                                            int32_t& answer,
                                            const std::function<void()>& beforeSend) {
  answer = 0;
  HandOffBlockWriter block(m_blockName);
  switch (block.create()) {
    case HandOffBlockWriter::Open::Created:
      break;
    case HandOffBlockWriter::Open::Busy:
      return Delivery::Busy;
    case HandOffBlockWriter::Open::Failed:
      return Delivery::NoBlock;
  }
  block.write(lines);
  if (beforeSend) beforeSend();
  ControlReply reply;
  ProgramCall call = callProgram(m_link, ControlRequest{kind, {}}, reply);
  block.close();
  if (call == ProgramCall::NotRunning) return Delivery::NotRunning;
  if (call == ProgramCall::Failed) return Delivery::Failed;
  answer = reply.result;
  return Delivery::Answered;
}

ClickOutcome CaptureModule::browserClick(const std::string& url, const std::string& referrer,
                                         const std::function<void()>& beforeDelivery) {
  if (!isMonitoredUrl(m_settings, url)) return ClickOutcome::NotMonitored;
  int32_t answer = 0;
  switch (deliverThroughBlock(kControlHandOffClick, {url, referrer}, answer, beforeDelivery)) {
    case Delivery::Answered:
      return answer == 1 ? ClickOutcome::Taken : ClickOutcome::Refused;
    case Delivery::Busy:
      return ClickOutcome::Busy;
    case Delivery::NoBlock:
      return ClickOutcome::NoBlock;
    case Delivery::NotRunning:
      return ClickOutcome::NotRunning;
    case Delivery::Failed:
    case Delivery::Empty:
      break;
  }
  return ClickOutcome::Failed;
}

Delivery CaptureModule::addUrl(const std::string& url, const std::string& info,
                               const std::string& detail) {
  int32_t answer = 0;
  return deliverThroughBlock(kControlHandOffAddUrl, {url, info, detail}, answer);
}

Delivery CaptureModule::addUrlList(const std::vector<std::string>& items) {
  if (items.size() < 2) return Delivery::Empty;
  ControlReply reply;
  switch (callProgram(m_link, ControlRequest{kControlLinkList, buildLinkListText(items)}, reply)) {
    case ProgramCall::Answered:
      return Delivery::Answered;
    case ProgramCall::NotRunning:
      return Delivery::NotRunning;
    case ProgramCall::Failed:
      break;
  }
  return Delivery::Failed;
}

}  // namespace fw
