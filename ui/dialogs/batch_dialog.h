#pragma once
// "Add batch job": a URL template with one "*" or "[from-to]", the range for "*" (from, to,
// zero-padding width), and a live preview of the first and last URLs and the count, or of
// what is wrong with the template. OK is refused while the template is wrong.
//
// Main (GUI) thread only.

#include <QDialog>

#include <string>
#include <vector>

#include "ui/dialogs/batch_template.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace fw {

class BatchDialog : public QDialog {
  Q_OBJECT

 public:
  explicit BatchDialog(QWidget* parent = nullptr);

  BatchForm form() const;
  void setForm(const BatchForm& form);
  // The URLs once accepted.
  std::vector<std::string> urls() const { return expandBatch(form()); }
  void accept() override;

  QLabel* preview() const { return m_preview; }
  QPushButton* okButton() const { return m_ok; }

 private:
  void refresh();

  QLineEdit* m_pattern = nullptr;
  QLineEdit* m_from = nullptr;
  QLineEdit* m_to = nullptr;
  QSpinBox* m_width = nullptr;
  QLabel* m_preview = nullptr;
  QPushButton* m_ok = nullptr;
};

}  // namespace fw
