#include "ui/dialogs/select_url_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMimeDatabase>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/dialogs/select_url_logic.h"

namespace fw {

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

// The freedesktop icon `iconName` from the desktop's theme, else from the common theme's
// files (a bare X session has no platform theme, and Qt then finds no file-type icons).
QIcon namedIcon(const QString& iconName) {
  QIcon icon = QIcon::fromTheme(iconName);
  if (!icon.isNull()) return icon;
  for (const char* folder : {"mimetypes", "legacy"}) {
    for (const char* size : {"16x16", "32x32"}) {
      const QString path = QStandardPaths::locate(
          QStandardPaths::GenericDataLocation,
          QStringLiteral("icons/Adwaita/%1/%2/%3.png").arg(size, folder, iconName));
      if (!path.isEmpty()) icon.addFile(path);
    }
    if (!icon.isNull()) return icon;
  }
  return icon;
}

// The icon for files named like `name`; the plain file icon when no theme has one.
QIcon fileTypeIcon(const std::string& name) {
  static QMimeDatabase db;
  const QMimeType type = db.mimeTypeForFile(qs(name), QMimeDatabase::MatchExtension);
  QIcon icon = namedIcon(type.iconName());
  if (icon.isNull()) icon = namedIcon(type.genericIconName());
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
  return icon;
}

std::vector<std::string> checkedTexts(const QListWidget* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->checkState() == Qt::Checked)
      out.push_back(list->item(i)->data(Qt::UserRole).toString().toStdString());
  return out;
}

// A list of check boxes under its caption with an "All" box that ticks or clears them all.
QListWidget* checkList(QWidget* parent, QVBoxLayout* column, const QString& caption,
                       const std::vector<std::string>& values, QCheckBox*& all) {
  column->addWidget(new QLabel(caption, parent));
  auto* list = new QListWidget(parent);
  for (const std::string& v : values) {
    auto* item = new QListWidgetItem(v.empty() ? QStringLiteral("(none)") : qs(v), list);
    item->setData(Qt::UserRole, qs(v));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
  }
  column->addWidget(list, 1);
  all = new QCheckBox(QStringLiteral("All"), parent);
  all->setChecked(true);
  QObject::connect(all, &QCheckBox::clicked, list, [list](bool on) {
    for (int i = 0; i < list->count(); ++i)
      list->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  });
  column->addWidget(all);
  QObject::connect(list, &QListWidget::itemChanged, all, [list, all] {
    bool every = true;
    for (int i = 0; i < list->count(); ++i)
      every = every && list->item(i)->checkState() == Qt::Checked;
    all->setChecked(every);
  });
  return list;
}

}  // namespace

SelectUrlWindow::SelectUrlWindow(const std::vector<UrlRow>& rows, Chosen onOk, QWidget* parent)
    : QWidget(parent, Qt::Window), m_rows(rows), m_onOk(std::move(onOk)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Select Url"));
  auto* layout = new QVBoxLayout(this);
  m_list = new QTreeWidget(this);
  m_list->setHeaderLabels({QStringLiteral("Title"), QStringLiteral("URL ")});
  m_list->setRootIsDecorated(false);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  for (const UrlRow& r : m_rows) {
    auto* item = new QTreeWidgetItem(m_list, {qs(r.title), qs(r.url)});
    item->setIcon(0, fileTypeIcon(r.iconName));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Checked);
  }
  m_list->header()->resizeSection(0, 200);
  layout->addWidget(m_list, 1);

  auto* buttons = new QHBoxLayout;
  auto* mark = new QPushButton(QStringLiteral("Mark Highlight"), this);
  auto* choose = new QPushButton(QStringLiteral("Choose"), this);
  auto* okButton = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  okButton->setDefault(true);
  buttons->addWidget(mark);
  buttons->addWidget(choose);
  buttons->addStretch(1);
  buttons->addWidget(okButton);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(mark, &QPushButton::clicked, this, &SelectUrlWindow::markHighlighted);
  connect(choose, &QPushButton::clicked, this, &SelectUrlWindow::choose);
  connect(okButton, &QPushButton::clicked, this, &SelectUrlWindow::ok);
  connect(cancel, &QPushButton::clicked, this, &QWidget::close);
  resize(640, 360);
}

std::vector<std::string> SelectUrlWindow::tickedUrls() const {
  std::vector<std::string> out;
  for (int i = 0; i < m_list->topLevelItemCount(); ++i)
    if (m_list->topLevelItem(i)->checkState(0) == Qt::Checked)
      out.push_back(m_rows[static_cast<size_t>(i)].url);
  return out;
}

void SelectUrlWindow::setTicked(int row, bool ticked) {
  if (QTreeWidgetItem* item = m_list->topLevelItem(row))
    item->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
}

void SelectUrlWindow::markHighlighted() {
  for (QTreeWidgetItem* item : m_list->selectedItems()) item->setCheckState(0, Qt::Checked);
}

void SelectUrlWindow::applyFilter(const std::vector<std::string>& hosts,
                                  const std::vector<std::string>& extensions) {
  for (int i = 0; i < m_list->topLevelItemCount(); ++i)
    setTicked(i, linkChosen(m_rows[static_cast<size_t>(i)].url, hosts, extensions));
}

void SelectUrlWindow::choose() {
  SelectLinkDialog filter(linkHosts(m_rows), linkExtensions(m_rows), this);
  if (filter.exec() == QDialog::Accepted)
    applyFilter(filter.chosenHosts(), filter.chosenExtensions());
}

void SelectUrlWindow::ok() {
  std::vector<std::string> urls = tickedUrls();
  Chosen onOk = m_onOk;
  // The sheets that follow are modal; this window is gone before they open.
  close();
  if (onOk) onOk(urls);
}

SelectLinkDialog::SelectLinkDialog(const std::vector<std::string>& hosts,
                                   const std::vector<std::string>& extensions, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Select Link"));
  auto* layout = new QVBoxLayout(this);
  auto* lists = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  m_hosts = checkList(this, left, QStringLiteral("Host name:"), hosts, m_allHosts);
  m_extensions =
      checkList(this, right, QStringLiteral("File Extention:"), extensions, m_allExtensions);
  lists->addLayout(left, 3);
  lists->addLayout(right, 2);
  layout->addLayout(lists, 1);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(box);
  resize(480, 320);
}

std::vector<std::string> SelectLinkDialog::chosenHosts() const {
  return checkedTexts(m_hosts);
}

std::vector<std::string> SelectLinkDialog::chosenExtensions() const {
  return checkedTexts(m_extensions);
}

}  // namespace fw
