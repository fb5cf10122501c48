#pragma once
// The settings a Role reads while it runs, copied by the controller when a run starts
// so that a Role never reaches into the program-wide settings from its own thread.

#include <cstdint>
#include <string>

namespace fw {

namespace conntype {
inline constexpr uint32_t kAlwaysRetry = 0x10;  // "ConnType" bit: retry without limit
}

// "Check" bits a Role reads.
inline constexpr uint32_t kCheckSendReferer = 0x01;
inline constexpr uint32_t kCheckBrowserCookies = 0x02;

struct RoleSettings {
  int connOutSec = 90;                     // "ConnOut"
  int dataOutSec = 90;                     // "DataOut"
  int relaytSec = 5;                       // "Relayt"
  uint32_t retryNum = 99;                  // "RetryNum"
  uint32_t connType = 0x88;                // "ConnType"
  uint32_t protocolCheck = 7;              // "Check"
  uint32_t userAgent = 4;                  // "UserAgent"
  std::string userAgentText;               // "UserAgentText"
  std::string ftpLoginMail;                // "FtpLoginMail"
  std::string asciiMode = ".TXT";          // "ASCIIMode": extensions fetched as text
  uint32_t tlsVerify = 1;                  // check the server's certificate and name
  bool stillDownloadNonResumable = false;  // "GeneralCheck" 0x0002
  bool useDialup = false;                  // dial-up networking on
  bool allocateOnSize = false;             // reserve the file as soon as its size is known
  int bufferSizeKB = 4096;                 // "BufferSize"
  // Pacing on (the desktop program, "Pacing" 1): every Role waits 12 slices of 49 ms
  // before it connects when it needs no dial-up line. Off (fetchwright-cli's default):
  // it connects at once; a stop request already waiting is still honoured first, and
  // the wait for a dial-up line stays.
  bool pacing = true;
  // Tests shorten the fixed pause of step 31 (12 slices of 49 ms) and the one-second
  // pause before following a redirect; the program leaves both at their defaults.
  int startPauseSlices = 12;
  int redirectPauseMs = 1000;
};

}  // namespace fw
