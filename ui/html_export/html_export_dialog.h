#pragma once
// "Export Downloaded info to HTML": the category, the style, whether sub-categories go
// with it and whether the page is opened afterwards. "Export" asks where to save the
// page, writes it (a page that fails half-way never replaces an older one) and opens it
// in the web browser when asked to.
//
// Main (GUI) thread only.

#include <QDialog>

#include <functional>
#include <string>

#include "platform/message_box.h"
#include "store/category_tree.h"
#include "ui/html_export/html_export_page.h"

class QCheckBox;
class QComboBox;

namespace fw {

inline constexpr const char* kHtmlExportError = "Export Download info to HTML file error!";

// Writes `page` to `path` through a temporary file. False when it could not be written.
bool writeHtmlExport(const std::string& path, const std::string& page);

class HtmlExportDialog : public QDialog {
  Q_OBJECT

 public:
  // `current`: the category chosen when the dialog opens (the tree's root when null).
  HtmlExportDialog(const CategoryTree& tree, const CategoryRecord* current, bool sizeInBytes,
                   MessageBoxes& boxes, QWidget* parent = nullptr);

  // Test seams: where the page goes (empty: cancelled) and how it is opened.
  std::function<std::string()> askPath;
  std::function<void(const std::string&)> openPage;

  const CategoryRecord* category() const;
  HtmlStyle style() const;
  bool includeSub() const;
  bool viewAfter() const;
  void choose(const CategoryRecord* cat, HtmlStyle style, bool includeSub, bool viewAfter);

  // "Export": true when the page was written (the dialog then closes).
  bool exportPage();

 private:
  std::string defaultAskPath();

  bool m_sizeInBytes;
  MessageBoxes& m_boxes;
  QComboBox* m_category;
  QComboBox* m_style;
  QCheckBox* m_includeSub;
  QCheckBox* m_view;
};

}  // namespace fw
