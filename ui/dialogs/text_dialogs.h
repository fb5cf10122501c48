#pragma once
// The "Comment" and "ReName" dialogs of a job. Each checks its text with the functions of
// job_text_edits.h when OK is pressed; a refusal is shown and the dialog stays open.
//
// Main (GUI) thread only.

#include <QDialog>

#include "records/job_record.h"

class QPlainTextEdit;
class QLineEdit;

namespace fw {

class MessageBoxes;

class CommentDialog : public QDialog {
  Q_OBJECT

 public:
  CommentDialog(const JobRecord& job, MessageBoxes& boxes, QWidget* parent = nullptr);
  std::string text() const;
  void setText(const std::string& text);
  void accept() override;

 private:
  MessageBoxes& m_boxes;
  QPlainTextEdit* m_edit;
};

class RenameDialog : public QDialog {
  Q_OBJECT

 public:
  // On OK the job's file is renamed (applyRename) before the dialog closes.
  RenameDialog(JobRecord& job, MessageBoxes& boxes, QWidget* parent = nullptr);
  void setName(const std::string& name);
  void accept() override;

 private:
  JobRecord& m_job;
  MessageBoxes& m_boxes;
  QLineEdit* m_edit;
};

}  // namespace fw
