#pragma once
// The "Select Url" window: links with check boxes (columns "Title" and "URL ", an icon
// from each file's type), "Mark Highlight" (ticks the highlighted rows), "Choose" (the
// "Select Link" filter by host name and file extension), "OK" and "Cancel". It is
// modeless and deletes itself when closed; OK closes it and passes the ticked URLs, top
// to bottom, to the owner's callback.
//
// Main (GUI) thread only.

#include <QDialog>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "capture/receiver/hand_off_window.h"

class QCheckBox;
class QListWidget;
class QTreeWidget;

namespace fw {

class SelectUrlWindow : public QWidget {
  Q_OBJECT

 public:
  using Chosen = std::function<void(const std::vector<std::string>& urls)>;
  // Every row starts ticked.
  SelectUrlWindow(const std::vector<UrlRow>& rows, Chosen onOk, QWidget* parent = nullptr);

  std::vector<std::string> tickedUrls() const;
  void setTicked(int row, bool ticked);
  // "Mark Highlight": the highlighted rows are ticked.
  void markHighlighted();
  // "Choose" with the filter's answer: exactly the rows of a chosen host and extension
  // stay ticked.
  void applyFilter(const std::vector<std::string>& hosts,
                   const std::vector<std::string>& extensions);
  void ok();

  QTreeWidget* list() const { return m_list; }
  const std::vector<UrlRow>& rows() const { return m_rows; }

 private:
  void choose();

  std::vector<UrlRow> m_rows;
  Chosen m_onOk;
  QTreeWidget* m_list = nullptr;
};

// "Select Link": the hosts and the extensions of the rows, each list with an "All" box.
class SelectLinkDialog : public QDialog {
  Q_OBJECT

 public:
  SelectLinkDialog(const std::vector<std::string>& hosts,
                   const std::vector<std::string>& extensions, QWidget* parent = nullptr);
  std::vector<std::string> chosenHosts() const;
  std::vector<std::string> chosenExtensions() const;
  QListWidget* hostList() const { return m_hosts; }
  QListWidget* extensionList() const { return m_extensions; }
  QCheckBox* allHosts() const { return m_allHosts; }
  QCheckBox* allExtensions() const { return m_allExtensions; }

 private:
  QListWidget* m_hosts = nullptr;
  QListWidget* m_extensions = nullptr;
  QCheckBox* m_allHosts = nullptr;
  QCheckBox* m_allExtensions = nullptr;
};

}  // namespace fw
