#include "ui/dialogs/update_dialogs.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/common/icons.h"

namespace fw {

namespace {

QLabel* signLabel(QWidget* parent) {
  auto* sign = new QLabel(parent);
  sign->setPixmap(icon(Icon::Web).pixmap(32, 32));
  sign->setAlignment(Qt::AlignTop);
  return sign;
}

}  // namespace

PageOpener defaultPageOpener() {
  return
      [](const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); };
}

UpdateDialog::UpdateDialog(MessageLoop& loop, UpdateChecker& checker, QWidget* parent,
                           PageOpener opener)
    : QDialog(parent), m_opener(std::move(opener)), m_text(new QLabel(this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromUtf8(kUpdateWindowCaption));
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(signLabel(this));
  m_text->setWordWrap(true);
  m_text->setMinimumWidth(340);
  m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  top->addWidget(m_text, 1);
  layout->addLayout(top);
  auto* buttons = new QDialogButtonBox(this);
  m_moreInfo = buttons->addButton(QStringLiteral("More Info"), QDialogButtonBox::ActionRole);
  m_close = buttons->addButton(QDialogButtonBox::Close);
  m_moreInfo->hide();
  connect(m_moreInfo, &QPushButton::clicked, this, [this] { m_window->moreInfo(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  m_close->setDefault(true);
  m_window = std::make_unique<UpdateWindow>(loop, checker, this);
  m_window->open();
  changed();
}

UpdateDialog::~UpdateDialog() = default;

void UpdateDialog::changed() {
  if (!m_window) return;
  m_text->setText(QString::fromStdString(m_window->text()));
  m_moreInfo->setVisible(m_window->moreInfoShown());
}

void UpdateDialog::openPage(const std::string& url) {
  if (m_opener) m_opener(url);
}

QString UpdateDialog::text() const {
  return m_text->text();
}

NewerVersionDialog::NewerVersionDialog(const std::string& downloadPage, QWidget* parent,
                                       PageOpener opener)
    : QDialog(parent) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Fetchwright"));
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(signLabel(this));
  auto* text = new QLabel(QString::fromUtf8(kUpdateNewerText), this);
  top->addWidget(text, 1);
  layout->addLayout(top);
  auto* buttons = new QDialogButtonBox(this);
  m_moreInfo = buttons->addButton(QStringLiteral("More Info"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialogButtonBox::Cancel);
  // A build that names no download page has nothing to open.
  m_moreInfo->setVisible(!downloadPage.empty());
  m_moreInfo->setDefault(true);
  connect(m_moreInfo, &QPushButton::clicked, this, [this, downloadPage, opener] {
    if (opener) opener(downloadPage);
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

}  // namespace fw
