#pragma once
// The message boxes the core asks for. The GUI shows them with the caption
// "Fetchwright"; the command-line program and the tests answer them without a screen.

#include <string>

namespace fw {

enum class BoxIcon { Information, Question, Warning, Stop };
enum class BoxButtons { Ok, OkCancel, YesNo };

// Answers, numbered as the Windows message box results.
enum BoxAnswer : int { kBoxOk = 1, kBoxCancel = 2, kBoxYes = 6, kBoxNo = 7 };

// Main thread only.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows `text` exactly and returns the button pressed.
  virtual int show(const std::string& text, BoxIcon icon, BoxButtons buttons) = 0;
};

}  // namespace fw
