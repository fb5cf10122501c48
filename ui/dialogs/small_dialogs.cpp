#include "ui/dialogs/small_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/common/icons.h"

namespace fw {

AboutDialog::AboutDialog(const std::string& homePage, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Fetchwright"));
  auto* layout = new QHBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  auto* logo = new QLabel(this);
  logo->setPixmap(icon(Icon::App).pixmap(64, 64));
  logo->setAlignment(Qt::AlignTop);
  layout->addWidget(logo);
  auto* right = new QVBoxLayout;
  auto* title = new QLabel(QStringLiteral("<b style='font-size:16pt'>Fetchwright</b>"), this);
  auto* version = new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(FW_VERSION)), this);
  auto* about = new QLabel(QStringLiteral("A download manager: each file is fetched in parts over "
                                          "several connections at once, resumed after breaks, "
                                          "queued, scheduled and sorted into categories."),
                           this);
  about->setWordWrap(true);
  about->setFixedWidth(320);
  for (QLabel* l : {title, version, about}) right->addWidget(l);
  if (!homePage.empty()) {
    auto* link = new QLabel(
        QStringLiteral("<a href='%1'>%1</a>").arg(QString::fromStdString(homePage).toHtmlEscaped()),
        this);
    link->setOpenExternalLinks(true);
    right->addWidget(link);
  }
  right->addSpacing(8);
  auto* b = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(b, &QDialogButtonBox::accepted, this, &QDialog::accept);
  right->addWidget(b);
  layout->addLayout(right);
}

PermanentDeleteDialog::PermanentDeleteDialog(QWidget* parent)
    : QDialog(parent),
      m_downloaded(new QCheckBox(QStringLiteral("Delete downloaded file"), this)),
      m_uncompleted(new QCheckBox(QStringLiteral("Delete &uncompleted file"), this)) {
  setWindowTitle(QStringLiteral("Fetchwright"));
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* sign = new QLabel(this);
  sign->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
  sign->setAlignment(Qt::AlignTop);
  top->addWidget(sign);
  top->addWidget(new QLabel(QString::fromLatin1(kPermanentDeleteQuestion), this), 1);
  layout->addLayout(top);
  layout->addWidget(m_downloaded);
  layout->addWidget(m_uncompleted);
  auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(b, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(b, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(b);
}

PermanentDeleteChoice PermanentDeleteDialog::choice() const {
  PermanentDeleteChoice c;
  c.ok = result() == QDialog::Accepted;
  c.deleteDownloaded = m_downloaded->isChecked();
  c.deleteUncompleted = m_uncompleted->isChecked();
  return c;
}

BackupChooserDialog::BackupChooserDialog(QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this)) {
  setWindowTitle(QStringLiteral("Restore backup file"));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(QStringLiteral("The job database is damaged. Choose a backup copy to "
                                         "restore, or Cancel to start with a new database."),
                          this);
  text->setWordWrap(true);
  layout->addWidget(text);
  layout->addWidget(m_list, 1);
  auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(b, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(b, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  layout->addWidget(b);
  resize(520, 300);
}

int BackupChooserDialog::choose(const std::vector<BackupCandidate>& candidates) {
  m_list->clear();
  for (const BackupCandidate& c : candidates)
    m_list->addItem(QStringLiteral("%1    %2")
                        .arg(QString::fromStdString(c.timeText), QString::fromStdString(c.path)));
  m_list->setCurrentRow(0);
  if (exec() != QDialog::Accepted) return -1;
  return m_list->currentRow();
}

CountdownWindow::CountdownWindow(EndOfWorkCountdown& countdown, QWidget* parent)
    : QDialog(parent), m_countdown(&countdown), m_text(new QLabel(this)) {
  setWindowTitle(QStringLiteral("Fetchwright"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* sign = new QLabel(this);
  sign->setPixmap(icon(countdown.shutdown() ? Icon::ShutDown : Icon::Exit).pixmap(32, 32));
  top->addWidget(sign);
  m_text->setMinimumWidth(300);
  top->addWidget(m_text, 1);
  layout->addLayout(top);
  auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  // The buttons go to the countdown, which closes this window through closeView().
  connect(b, &QDialogButtonBox::accepted, this, [this] {
    if (m_countdown) m_countdown->ok();
  });
  connect(b, &QDialogButtonBox::rejected, this, [this] {
    if (m_countdown) m_countdown->cancel();
  });
  layout->addWidget(b);
}

CountdownWindow::~CountdownWindow() {
  // Closed by the window manager or with its parent: the countdown stops with it.
  if (EndOfWorkCountdown* c = m_countdown) {
    m_countdown = nullptr;
    c->cancel();
  }
}

void CountdownWindow::textChanged() {
  if (m_countdown) m_text->setText(QString::fromStdString(m_countdown->text()));
}

void CountdownWindow::closeView() {
  m_countdown = nullptr;
  close();
}

QString CountdownWindow::text() const {
  return m_text->text();
}

}  // namespace fw
