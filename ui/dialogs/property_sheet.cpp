#include "ui/dialogs/property_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/message_box.h"

namespace fw {

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}
std::string ss(const QString& s) {
  return s.toStdString();
}

void addCategories(QComboBox* box, const CategoryRecord* cat, int depth) {
  for (; cat; cat = cat->nextSibling) {
    if (cat->id != kCategoryDownload && cat->id != kCategoryDeleted)
      box->addItem(QString(depth * 2, QLatin1Char(' ')) + qs(cat->name), cat->id);
    addCategories(box, cat->firstChild, depth + 1);
  }
}

void fillProxies(QComboBox* box, const Settings& settings) {
  for (const ProxyRecord& p : settings.proxy.proxies) box->addItem(qs(p.title));
}

void selectPlace(QComboBox* box, int place) {
  box->setCurrentIndex(place >= 0 && place < box->count() ? place : 0);
}

}  // namespace

PropertySheet::PropertySheet(const Settings& settings, const CategoryTree& tree,
                             const JobSheetValues& values, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_boxes(boxes) {
  setWindowTitle(QStringLiteral("Property Dialog"));
  auto* layout = new QVBoxLayout(this);
  m_tabs = new QTabWidget(this);
  m_tabs->addTab(buildGeneral(tree), QStringLiteral("General"));
  m_tabs->addTab(buildAdvanced(), QStringLiteral("Advanced"));
  m_tabs->addTab(buildAlternate(), QStringLiteral("Alternate URLs"));
  layout->addWidget(m_tabs);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &PropertySheet::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  connect(m_tabs, &QTabWidget::currentChanged, this, &PropertySheet::onTabChanged);
  setValues(values);
  m_url->setFocus();
  resize(520, 470);
}

QWidget* PropertySheet::buildGeneral(const CategoryTree& tree) {
  auto* page = new QWidget(this);
  auto* form = new QFormLayout(page);
  form->setRowWrapPolicy(QFormLayout::DontWrapRows);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  m_url = new QLineEdit(page);
  form->addRow(QStringLiteral("Url:"), m_url);
  m_referrer = new QLineEdit(page);
  form->addRow(QStringLiteral("Referrer:"), m_referrer);
  m_category = new QComboBox(page);
  if (tree.root()) addCategories(m_category, tree.root()->firstChild, 0);
  form->addRow(QStringLiteral("Category:"), m_category);

  auto* folderRow = new QHBoxLayout;
  m_folder = new QLineEdit(page);
  auto* browse = new QPushButton(QStringLiteral(". . ."), page);
  browse->setAutoDefault(false);
  browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(browse->text()) + 24);
  connect(browse, &QPushButton::clicked, this, [this] {
    QString dir =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Save to"), m_folder->text());
    if (!dir.isEmpty()) m_folder->setText(dir);
  });
  folderRow->addWidget(m_folder, 1);
  folderRow->addWidget(browse);
  form->addRow(QStringLiteral("Save to "), folderRow);
  m_name = new QLineEdit(page);
  form->addRow(QStringLiteral("Rename"), m_name);

  auto* splitBox = new QWidget(page);
  auto* splitRow = new QHBoxLayout(splitBox);
  splitRow->setContentsMargins(0, 0, 0, 0);
  m_split = new QSpinBox(splitBox);
  m_split->setRange(1, static_cast<int>(std::max<uint32_t>(1, m_settings.general.maxSplit)));
  splitRow->addWidget(m_split);
  splitRow->addWidget(new QLabel(QStringLiteral("Part Simultaneous"), splitBox));
  splitRow->addStretch(1);
  splitBox->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  form->addRow(QStringLiteral("Split file:"), splitBox);

  m_rate = new QComboBox(page);
  for (int i = 1; i <= 5; ++i) m_rate->addItem(QStringLiteral("%1 Star").arg(i));
  form->addRow(QStringLiteral("Rate "), m_rate);
  m_start = new QComboBox(page);
  m_start->addItems(
      {QStringLiteral("Manual"), QStringLiteral("Immediately"), QStringLiteral("Schedule")});
  form->addRow(QStringLiteral("Start Type"), m_start);
  m_comment = new QPlainTextEdit(page);
  m_comment->setTabChangesFocus(true);
  m_comment->setMinimumHeight(60);
  m_comment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  form->addRow(QStringLiteral("Comment :"), m_comment);

  m_saveDefaultButton = new QPushButton(QStringLiteral("Save as default"), page);
  m_saveDefaultButton->setAutoDefault(false);
  connect(m_saveDefaultButton, &QPushButton::clicked, this, [this] {
    if (m_saveDefault) m_saveDefault(values());
  });
  auto* defRow = new QHBoxLayout;
  defRow->addStretch(1);
  defRow->addWidget(m_saveDefaultButton);
  form->addRow(defRow);
  return page;
}

QWidget* PropertySheet::buildAdvanced() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  auto* ftp = new QGroupBox(QStringLiteral("  FTP   "), page);
  auto* ftpLayout = new QVBoxLayout(ftp);
  m_ftpSubdirs = new QCheckBox(QStringLiteral("Download &subdirectories from Ftp"), ftp);
  m_ftpCreateDirs = new QCheckBox(QStringLiteral("Create sub&directories locally"), ftp);
  m_ftpCategory = new QCheckBox(QStringLiteral("Create &Category"), ftp);
  for (QCheckBox* b : {m_ftpSubdirs, m_ftpCreateDirs, m_ftpCategory}) ftpLayout->addWidget(b);
  layout->addWidget(ftp);

  auto* login = new QGroupBox(QStringLiteral("Login to Server"), page);
  auto* loginForm = new QFormLayout(login);
  m_user = new QLineEdit(login);
  m_password = new QLineEdit(login);
  m_password->setEchoMode(QLineEdit::Password);
  loginForm->addRow(QStringLiteral("Username:"), m_user);
  loginForm->addRow(QStringLiteral("Password:"), m_password);
  layout->addWidget(login);

  auto* proxy = new QGroupBox(QStringLiteral("Proxy"), page);
  auto* proxyForm = new QFormLayout(proxy);
  m_httpProxy = new QComboBox(proxy);
  m_ftpProxy = new QComboBox(proxy);
  fillProxies(m_httpProxy, m_settings);
  fillProxies(m_ftpProxy, m_settings);
  proxyForm->addRow(QStringLiteral("Http:"), m_httpProxy);
  proxyForm->addRow(QStringLiteral("FTP:"), m_ftpProxy);
  layout->addWidget(proxy);
  m_multiProxy = new QCheckBox(
      QStringLiteral("&Multi-proxy (Use different proxies in multiple connetions)"), page);
  layout->addWidget(m_multiProxy);
  layout->addStretch(1);
  return page;
}

QWidget* PropertySheet::buildAlternate() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  m_altList = new QListWidget(page);
  layout->addWidget(m_altList, 1);
  auto* editRow = new QHBoxLayout;
  auto* label = new QLabel(QStringLiteral("Alternate URL:"), page);
  m_altEdit = new QLineEdit(page);
  label->setBuddy(m_altEdit);
  editRow->addWidget(label);
  editRow->addWidget(m_altEdit, 1);
  layout->addLayout(editRow);
  auto* buttons = new QHBoxLayout;
  m_altAdd = new QPushButton(QStringLiteral("Add"), page);
  m_altDelete = new QPushButton(QStringLiteral("Delete"), page);
  auto* ok = new QPushButton(QStringLiteral("Ok"), page);
  for (QPushButton* b : {m_altAdd, m_altDelete, ok}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  layout->addLayout(buttons);
  m_altAdd->setEnabled(false);
  connect(m_altEdit, &QLineEdit::textChanged, this,
          [this](const QString& t) { m_altAdd->setEnabled(alternateUrlAddable(ss(t))); });
  connect(m_altAdd, &QPushButton::clicked, this, [this] {
    if (!alternateUrlAddable(ss(m_altEdit->text()))) return;
    m_altList->addItem(qs(alternateUrlToAdd(ss(m_altEdit->text()))));
    m_altEdit->clear();
  });
  connect(m_altDelete, &QPushButton::clicked, this, [this] { delete m_altList->currentItem(); });
  connect(ok, &QPushButton::clicked, this, &PropertySheet::accept);
  return page;
}

JobSheetValues PropertySheet::values() const {
  JobSheetValues v;
  v.url = ss(m_url->text());
  v.referrer = ss(m_referrer->text());
  v.category = static_cast<uint16_t>(m_category->currentData().toUInt());
  v.saveDir = ss(m_folder->text());
  v.fileName = ss(m_name->text());
  v.splitCount = m_split->value();
  v.rate = m_rate->currentIndex() + 1;
  v.startMode = static_cast<StartMode>(std::max(0, m_start->currentIndex()));
  v.comment = ss(m_comment->toPlainText());
  v.ftpSubdirs = m_ftpSubdirs->isChecked();
  v.ftpCreateDirs = m_ftpCreateDirs->isChecked();
  v.ftpCategory = m_ftpCategory->isChecked();
  v.userName = ss(m_user->text());
  v.password = ss(m_password->text());
  v.httpProxy = std::max(0, m_httpProxy->currentIndex());
  v.ftpProxy = std::max(0, m_ftpProxy->currentIndex());
  v.multiProxy = m_multiProxy->isChecked();
  for (int i = 0; i < m_altList->count(); ++i) v.altUrls.push_back(ss(m_altList->item(i)->text()));
  return v;
}

void PropertySheet::setValues(const JobSheetValues& v) {
  m_url->setText(qs(v.url));
  m_referrer->setText(qs(v.referrer));
  int cat = m_category->findData(v.category);
  m_category->setCurrentIndex(cat >= 0 ? cat : 0);
  m_folder->setText(qs(v.saveDir));
  m_name->setText(qs(v.fileName));
  m_split->setValue(v.splitCount);
  m_rate->setCurrentIndex(std::clamp(v.rate, 1, 5) - 1);
  m_start->setCurrentIndex(std::clamp<int>(v.startMode, 0, 2));
  m_comment->setPlainText(qs(v.comment));
  m_ftpSubdirs->setChecked(v.ftpSubdirs);
  m_ftpCreateDirs->setChecked(v.ftpCreateDirs);
  m_ftpCategory->setChecked(v.ftpCategory);
  m_user->setText(qs(v.userName));
  m_password->setText(qs(v.password));
  selectPlace(m_httpProxy, v.httpProxy);
  selectPlace(m_ftpProxy, v.ftpProxy);
  m_multiProxy->setChecked(v.multiProxy);
  m_altList->clear();
  for (const std::string& u : v.altUrls) m_altList->addItem(qs(u));
}

bool PropertySheet::checkGeneral() {
  JobSheetValues v = values();
  SheetCheck check = checkGeneralPage(v, m_settings.general.maxSplit);
  if (check.ok()) {
    // The URL loses its login to the login fields; the rest keeps what was typed.
    m_url->setText(qs(v.url));
    m_user->setText(qs(v.userName));
    m_password->setText(qs(v.password));
    m_name->setText(qs(v.fileName));
    return true;
  }
  m_checking = true;
  m_tabs->setCurrentIndex(0);
  m_lastTab = 0;
  m_checking = false;
  m_boxes.show(check.message, BoxIcon::Warning, BoxButtons::Ok);
  QLineEdit* field = check.field == SheetField::Url       ? m_url
                     : check.field == SheetField::SaveDir ? m_folder
                                                          : m_name;
  field->setFocus();
  field->selectAll();
  return false;
}

void PropertySheet::onTabChanged(int index) {
  if (m_checking) return;
  const int left = m_lastTab;
  m_lastTab = index;
  if (left == 0 && index != 0) checkGeneral();
}

void PropertySheet::accept() {
  if (!checkGeneral()) return;
  QDialog::accept();
}

}  // namespace fw
