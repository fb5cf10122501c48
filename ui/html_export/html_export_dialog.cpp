#include "ui/html_export/html_export_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/atomic_file.h"
#include "ui/common/icons.h"

namespace fw {

namespace {

// The categories in tree order, each indented by its depth.
void addCategories(QComboBox* box, const CategoryRecord* cat, int depth) {
  for (; cat; cat = cat->nextSibling) {
    box->addItem(icon(Icon::Folder),
                 QString(depth * 4, QLatin1Char(' ')) + QString::fromStdString(cat->name),
                 QVariant::fromValue(reinterpret_cast<quintptr>(cat)));
    addCategories(box, cat->firstChild, depth + 1);
  }
}

}  // namespace

bool writeHtmlExport(const std::string& path, const std::string& page) {
  AtomicWriteOptions options;
  options.mode = 0644;  // a page for the browser, not a secret
  return writeFileAtomically(path, page, options);
}

HtmlExportDialog::HtmlExportDialog(const CategoryTree& tree, const CategoryRecord* current,
                                   bool sizeInBytes, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), m_sizeInBytes(sizeInBytes), m_boxes(boxes) {
  setObjectName(QStringLiteral("HtmlExportDialog"));
  setWindowTitle(QStringLiteral("Export Downloaded info to HTML"));
  m_category = new QComboBox(this);
  m_category->setMinimumContentsLength(24);
  addCategories(m_category, tree.root(), 0);
  m_style = new QComboBox(this);
  m_style->addItem(QStringLiteral("Normal"), static_cast<int>(HtmlStyle::Normal));
  m_style->addItem(QStringLiteral("Table"), static_cast<int>(HtmlStyle::Table));
  m_includeSub = new QCheckBox(QStringLiteral("Include Sub-Category"), this);
  m_view = new QCheckBox(QStringLiteral("View Export HTML file"), this);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Category"), m_category);
  form->addRow(QStringLiteral("Style"), m_style);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* exportButton =
      buttons->addButton(QStringLiteral("Export"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  exportButton->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (exportPage()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(m_includeSub);
  layout->addWidget(m_view);
  layout->addStretch(1);
  layout->addWidget(buttons);

  choose(current ? current : tree.root(), HtmlStyle::Normal, true, true);
  askPath = [this] { return defaultAskPath(); };
  openPage = [](const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
  };
}

const CategoryRecord* HtmlExportDialog::category() const {
  return reinterpret_cast<const CategoryRecord*>(m_category->currentData().value<quintptr>());
}

HtmlStyle HtmlExportDialog::style() const {
  return static_cast<HtmlStyle>(m_style->currentData().toInt());
}

bool HtmlExportDialog::includeSub() const {
  return m_includeSub->isChecked();
}

bool HtmlExportDialog::viewAfter() const {
  return m_view->isChecked();
}

void HtmlExportDialog::choose(const CategoryRecord* cat, HtmlStyle style, bool includeSub,
                              bool viewAfter) {
  int at = m_category->findData(QVariant::fromValue(reinterpret_cast<quintptr>(cat)));
  m_category->setCurrentIndex(at < 0 ? 0 : at);
  m_style->setCurrentIndex(m_style->findData(static_cast<int>(style)));
  m_includeSub->setChecked(includeSub);
  m_view->setChecked(viewAfter);
}

std::string HtmlExportDialog::defaultAskPath() {
  QFileDialog d(this, QStringLiteral("Export To HTML File"));
  d.setAcceptMode(QFileDialog::AcceptSave);
  d.setDefaultSuffix(QStringLiteral("htm"));
  d.setNameFilters({QStringLiteral("HTML Files (*.htm *.html)"), QStringLiteral("All Files (*)")});
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
  return d.selectedFiles().front().toStdString();
}

bool HtmlExportDialog::exportPage() {
  const CategoryRecord* cat = category();
  if (!cat) return false;
  const std::string path = askPath();
  if (path.empty()) return false;
  const std::string page =
      htmlExportPage(htmlExportSnapshot(*cat, includeSub()), style(), includeSub(), m_sizeInBytes);
  if (!writeHtmlExport(path, page)) {
    m_boxes.show(kHtmlExportError, BoxIcon::Warning, BoxButtons::Ok);
    return false;
  }
  if (viewAfter()) openPage(path);
  return true;
}

}  // namespace fw
