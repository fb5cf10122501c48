#pragma once
// The "Proxy Setting" dialog: one proxy record. OK checks the record (ProxyForm) and
// stays open after a warning, with the focus on the refused field.
//
// Main (GUI) thread only.

#include <QDialog>

#include "platform/message_box.h"
#include "ui/options/proxy_list_edit.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace fw {

class ProxySettingDialog : public QDialog {
  Q_OBJECT

 public:
  ProxySettingDialog(const ProxyRecord& record, MessageBoxes& boxes, QWidget* parent = nullptr);
  // After Accepted: the record as checked.
  ProxyRecord record() const { return m_record; }

  void accept() override;

 private:
  ProxyForm read() const;
  void updateEnabled();

  MessageBoxes& m_boxes;
  ProxyRecord m_record;
  int m_hiddenType;  // a type without a button stays as it was
  QLineEdit* m_title;
  QLineEdit* m_server;
  QLineEdit* m_port;
  QLineEdit* m_user;
  QLineEdit* m_pass;
  QButtonGroup* m_type;
  QCheckBox* m_noCache;
  QCheckBox* m_pasv;
  QCheckBox* m_auth;
};

}  // namespace fw
