// "Export To HTML File": the export dialog over the category chosen in the tree.

#include <QTreeView>

#include "ui/html_export/html_export_dialog.h"
#include "ui/main_window/main_window.h"
#include "ui/panes/category_tree_model.h"
#include "ui/panes/job_list_model.h"

namespace fw {

void MainWindow::onExportHtml() {
  const CategoryRecord* current = m_categoryModel->categoryAt(m_categoryView->currentIndex());
  if (!current) current = m_jobModel->category();
  HtmlExportDialog d(m_session.tree(), current, m_session.settings().general.sizeInBytes(),
                     *m_boxes, this);
  d.exec();
}

}  // namespace fw
