#pragma once
// The core's message boxes as QMessageBox windows captioned "Fetchwright", with the
// design's texts exactly as the core passes them.
//
// Main (GUI) thread only.

#include <QPointer>
#include <QWidget>

#include "platform/message_box.h"

namespace fw {

inline constexpr const char* kCaption = "Fetchwright";

class QtMessageBoxes final : public MessageBoxes {
 public:
  explicit QtMessageBoxes(QWidget* parent = nullptr) : m_parent(parent) {}
  void setParent(QWidget* parent) { m_parent = parent; }
  int show(const std::string& text, BoxIcon icon, BoxButtons buttons) override;

 private:
  QPointer<QWidget> m_parent;
};

}  // namespace fw
