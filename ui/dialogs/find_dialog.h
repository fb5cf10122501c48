#pragma once
// The "Find" dialog: the search text (with the texts used lately) and the fields to look
// in. "Find next" closes it with the query; the window then selects the match.
//
// Main (GUI) thread only.

#include <QDialog>

#include <string>
#include <vector>

#include "ui/dialogs/job_finder.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace fw {

class FindDialog : public QDialog {
  Q_OBJECT

 public:
  // `recent`: the texts searched lately, oldest first.
  FindDialog(const FindQuery& last, const std::vector<std::string>& recent,
             QWidget* parent = nullptr);
  FindQuery query() const;
  void setQuery(const FindQuery& q);

 private:
  void updateButton();

  QComboBox* m_text;
  QCheckBox* m_name;
  QCheckBox* m_url;
  QCheckBox* m_comment;
  QPushButton* m_find;
};

}  // namespace fw
