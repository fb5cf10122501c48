#pragma once
// The "Check Newest Version" window without its widgets: its text line, the "More Info"
// button and its one-second time-out. Opening it starts a check (or waits for the one
// already running); a Qt dialog only draws what it holds.
//
// Threads: main thread only.

#include <string>

#include "jobs/update_check.h"
#include "platform/message_loop.h"

namespace fw {

inline constexpr const char* kUpdateWindowCaption = "Check Newest Version";
inline constexpr const char* kUpdateDownloading = "Downloading the update information...";
inline constexpr const char* kUpdateNewerText = "A newer version of Fetchwright was found.";
inline constexpr const char* kUpdateLatestText =
    "You already have the latest version of Fetchwright.";
inline constexpr const char* kUpdateFailedText = "Can't get update information.";
inline constexpr int kUpdateWindowTimerId = 1;
// The window gives up once more than this many one-second ticks passed without a result.
inline constexpr int kUpdateWindowTicks = 31;

class UpdateWindowView {
 public:
  virtual ~UpdateWindowView() = default;
  // text() or moreInfoShown() changed.
  virtual void changed() = 0;
  // "More Info": open `url` in the default browser.
  virtual void openPage(const std::string& url) = 0;
};

class UpdateWindow final : public Window {
 public:
  // `view` may be null (tests). The checker must outlive the window or be destroyed
  // first (the window then simply waits for nothing).
  UpdateWindow(MessageLoop& loop, UpdateChecker& checker, UpdateWindowView* view);
  ~UpdateWindow() override;

  // Shows the first text, starts the check and the one-second timer.
  void open();
  const std::string& text() const { return m_text; }
  bool moreInfoShown() const { return m_moreInfo; }
  bool answered() const { return m_answered; }
  int ticks() const { return m_ticks; }

  // The "More Info" button.
  void moreInfo();

  LResult handleMessage(MessageId msg, WParam w, LParam l) override;

 private:
  friend class UpdateChecker;
  void showResult(WParam note);
  void failed(bool timedOut);
  void stopTimer();

  UpdateChecker* m_checker;
  UpdateWindowView* m_view;
  std::string m_text;
  bool m_moreInfo = false;
  bool m_answered = false;
  bool m_timerOn = false;
  int m_ticks = 0;
};

}  // namespace fw
