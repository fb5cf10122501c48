#pragma once
// What capture's receivers in the program (HandOffReceiver, ClipboardMonitor) ask of the
// main window. The desktop program implements it with its windows; tests and the test
// receiver record the calls. Every member is called on the main thread.

#include <string>
#include <vector>

#include "store/job_operations.h"

namespace fw {

// A row of a "Select Url" window.
struct UrlRow {
  std::string title;  // link text, or the file name
  std::string url;
  std::string iconName;  // the file name whose type gives the row's icon
  bool operator==(const UrlRow&) const = default;
};

// What the new-job property sheet opens with.
struct NewJobOffer {
  std::string url;
  std::string referrer;
  std::string comment;
  bool operator==(const NewJobOffer&) const = default;
};

class HandOffWindow {
 public:
  virtual ~HandOffWindow() = default;

  // Restores the main window and brings it in front of the browser.
  virtual void bringToFront() = 0;
  // Opens a (modeless) "Select Url" window listing `rows` and returns once it is shown.
  virtual void openSelectUrl(const std::vector<UrlRow>& rows) = 0;
  // Opens the new-job property sheet for `offer` LATER, from the event loop: the sender is
  // waiting for the answer of the request being handled and must get it first.
  virtual void queuePropertySheet(const NewJobOffer& offer) = 0;
  // Creates the job at once with everything not in `request` from the defaults (AddJob,
  // then the queue starts it as the defaults say). False when nothing was added.
  virtual bool addJobNow(const AddJobRequest& request) = 0;
  // The clipboard's text; "" when it holds none.
  virtual std::string clipboardText() = 0;
  // The closing flag: true once shut-down has begun.
  virtual bool closing() const = 0;
};

}  // namespace fw
