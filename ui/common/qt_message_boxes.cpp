#include "ui/common/qt_message_boxes.h"

#include <QMessageBox>

namespace fw {

int QtMessageBoxes::show(const std::string& text, BoxIcon icon, BoxButtons buttons) {
  QMessageBox box(m_parent);
  box.setWindowTitle(kCaption);
  box.setText(QString::fromStdString(text));
  switch (icon) {
    case BoxIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case BoxIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case BoxIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case BoxIcon::Stop:
      box.setIcon(QMessageBox::Critical);
      break;
  }
  switch (buttons) {
    case BoxButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case BoxButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case BoxButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok:
      return kBoxOk;
    case QMessageBox::Yes:
      return kBoxYes;
    case QMessageBox::No:
      return kBoxNo;
    default:
      // Escape or the window's close button on a Yes/No box counts as No.
      return buttons == BoxButtons::YesNo ? kBoxNo : kBoxCancel;
  }
}

}  // namespace fw
