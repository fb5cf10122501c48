#pragma once
// The capture module: what the browser side hands to the program, and how.
//  - browserClick: a download the browser is about to start. Taken when its URL passes
//    the monitored-type test, the hand-off block carries URL and referrer (kind 3) and the
//    program answers 1; in every other case the browser goes on with its own download.
//  - addUrl: one link (kind 2: url, info, detail); the program's answer is not used.
//  - addUrlList: a page's links as the link-list text (request 7161).
// The hand-off block exists only during one delivery (capture/module/hand_off_block.h).
// Blocking calls; any thread, one call at a time per object.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "capture/module/capture_settings.h"
#include "capture/module/hand_off_block.h"
#include "capture/module/program_link.h"

namespace fw {

enum class Delivery {
  Answered,    // the program read the block; `answer` holds its integer
  Busy,        // another delivery holds the block
  NoBlock,     // the block could not be made
  NotRunning,  // the program is not running and could not be started
  Failed,      // the request failed or timed out
  Empty,       // nothing to deliver
};

// Why a browser click was or was not taken.
enum class ClickOutcome {
  Taken,         // the program answered 1
  NotMonitored,  // Monitor bit 0x20 clear, or the URL is not of a monitored type
  Busy,
  NoBlock,
  NotRunning,
  Failed,
  Refused,  // the program answered something other than 1
};
const char* clickOutcomeName(ClickOutcome o);

class CaptureModule {
 public:
  CaptureModule(const CaptureSettings& settings, ProgramLink link,
                std::string blockName = handOffBlockName());

  // `beforeDelivery` runs once the URL qualified and the block is held, before the program
  // is asked (the host stores the download's cookies there, so the job's first request
  // carries them). The URL tested and delivered is `url`.
  ClickOutcome browserClick(const std::string& url, const std::string& referrer,
                            const std::function<void()>& beforeDelivery = nullptr);
  Delivery addUrl(const std::string& url, const std::string& info, const std::string& detail);
  // Fewer than two items deliver nothing (Empty). Items beyond the link list's bound are
  // left out; what fits is sent, even when that is no item at all.
  Delivery addUrlList(const std::vector<std::string>& items);

  // Writes `lines` into the block and sends `kind`; the block is removed afterwards.
  Delivery deliverThroughBlock(uint32_t kind, const std::vector<std::string>& lines,
                               int32_t& answer, const std::function<void()>& beforeSend = nullptr);

 private:
  const CaptureSettings& m_settings;
  ProgramLink m_link;
  std::string m_blockName;
};

}  // namespace fw
