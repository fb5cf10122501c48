#pragma once
// The update check's windows: "Check Newest Version", which runs a check and shows its
// outcome (the logic is jobs/update_window.h's UpdateWindow), and the small offer that
// opens when the automatic check found a newer version with no window open.
//
// Main (GUI) thread only.

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "jobs/update_window.h"

class QLabel;
class QPushButton;

namespace fw {

// Opens `url` in the default browser; tests replace it.
using PageOpener = std::function<void(const std::string& url)>;
PageOpener defaultPageOpener();

class UpdateDialog : public QDialog, public UpdateWindowView {
  Q_OBJECT

 public:
  // Starts the check at once (UpdateWindow::open). Deletes itself when closed.
  UpdateDialog(MessageLoop& loop, UpdateChecker& checker, QWidget* parent = nullptr,
               PageOpener opener = defaultPageOpener());
  ~UpdateDialog() override;

  // UpdateWindowView.
  void changed() override;
  void openPage(const std::string& url) override;

  UpdateWindow& window() { return *m_window; }
  QString text() const;
  QPushButton* moreInfoButton() const { return m_moreInfo; }
  QPushButton* closeButton() const { return m_close; }

 private:
  PageOpener m_opener;
  QLabel* m_text;
  QPushButton* m_moreInfo;
  QPushButton* m_close;
  std::unique_ptr<UpdateWindow> m_window;
};

// "A newer version of Fetchwright was found." with "More Info" (the download page) and
// "Cancel". Deletes itself when closed.
class NewerVersionDialog : public QDialog {
  Q_OBJECT

 public:
  NewerVersionDialog(const std::string& downloadPage, QWidget* parent = nullptr,
                     PageOpener opener = defaultPageOpener());
  QPushButton* moreInfoButton() const { return m_moreInfo; }

 private:
  QPushButton* m_moreInfo;
};

}  // namespace fw
