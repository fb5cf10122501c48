#include "ui/options/proxy_setting_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

namespace fw {

namespace {
QLineEdit* edit(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  return e;
}
}  // namespace

ProxySettingDialog::ProxySettingDialog(const ProxyRecord& record, MessageBoxes& boxes,
                                       QWidget* parent)
    : QDialog(parent), m_boxes(boxes), m_record(record), m_hiddenType(record.type) {
  setWindowTitle(QStringLiteral("Proxy Setting"));
  m_title = edit(this, "title");
  m_server = edit(this, "server");
  m_port = edit(this, "port");
  m_port->setFixedWidth(80);
  m_user = edit(this, "user");
  m_pass = edit(this, "pass");
  m_pass->setEchoMode(QLineEdit::Password);
  m_noCache = new QCheckBox(QStringLiteral("No-Cache"), this);
  m_pasv = new QCheckBox(QStringLiteral("PASV Mode"), this);
  m_auth = new QCheckBox(QStringLiteral("Authenticate"), this);
  m_auth->setObjectName(QStringLiteral("authenticate"));

  auto* typeBox = new QGroupBox(QStringLiteral("Tyle"), this);
  auto* tl = new QVBoxLayout(typeBox);
  m_type = new QButtonGroup(this);
  for (size_t i = 0; i < std::size(ProxyForm::kShownTypes); ++i) {
    auto* r = new QRadioButton(QString::fromLatin1(ProxyForm::kShownCaptions[i]), typeBox);
    r->setObjectName(QStringLiteral("type%1").arg(ProxyForm::kShownTypes[i]));
    m_type->addButton(r, ProxyForm::kShownTypes[i]);
    tl->addWidget(r);
  }

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Title:"), m_title);
  form->addRow(QStringLiteral("Server:"), m_server);
  form->addRow(QStringLiteral("Port:"), m_port);
  auto* login = new QGroupBox(QStringLiteral("Login"), this);
  auto* lf = new QFormLayout(login);
  lf->addRow(m_auth);
  lf->addRow(QStringLiteral("User Name:"), m_user);
  lf->addRow(QStringLiteral("Password:"), m_pass);
  auto* options = new QVBoxLayout;
  options->addWidget(typeBox);
  options->addWidget(m_noCache);
  options->addWidget(m_pasv);
  options->addStretch(1);
  auto* middle = new QHBoxLayout;
  middle->addWidget(login, 1);
  middle->addLayout(options);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* col = new QVBoxLayout(this);
  col->addLayout(form);
  col->addLayout(middle);
  col->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &ProxySettingDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  QList<QAbstractButton*> types = m_type->buttons();
  QWidget::setTabOrder(m_title, m_server);
  QWidget::setTabOrder(m_server, m_port);
  QWidget* previous = m_port;
  for (QAbstractButton* b : types) {
    QWidget::setTabOrder(previous, b);
    previous = b;
  }
  for (QWidget* w : std::initializer_list<QWidget*>{m_auth, m_user, m_pass, m_noCache, m_pasv}) {
    QWidget::setTabOrder(previous, w);
    previous = w;
  }

  ProxyForm f = ProxyForm::load(record);
  m_title->setText(QString::fromStdString(f.title));
  m_server->setText(QString::fromStdString(f.server));
  m_port->setText(QString::fromStdString(f.port));
  m_user->setText(QString::fromStdString(f.user));
  m_pass->setText(QString::fromStdString(f.pass));
  if (QAbstractButton* b = m_type->button(f.type)) b->setChecked(true);
  m_noCache->setChecked(f.flags & proxyflags::kNoCache);
  m_pasv->setChecked(f.flags & proxyflags::kPassive);
  m_auth->setChecked(f.flags & proxyflags::kAuthenticate);
  connect(m_type, &QButtonGroup::idClicked, this, [this] { updateEnabled(); });
  connect(m_auth, &QCheckBox::toggled, this, [this] { updateEnabled(); });
  updateEnabled();
  setMinimumWidth(440);
}

ProxyForm ProxySettingDialog::read() const {
  ProxyForm f;
  f.title = m_title->text().toStdString();
  f.server = m_server->text().trimmed().toStdString();
  f.port = m_port->text().toStdString();
  f.user = m_user->text().toStdString();
  f.pass = m_pass->text().toStdString();
  f.type = m_type->checkedId() >= 0 ? m_type->checkedId() : m_hiddenType;
  f.flags = (m_record.flags &
             ~(proxyflags::kNoCache | proxyflags::kPassive | proxyflags::kAuthenticate)) |
            (m_noCache->isChecked() ? proxyflags::kNoCache : 0) |
            (m_pasv->isChecked() ? proxyflags::kPassive : 0) |
            (m_auth->isChecked() ? proxyflags::kAuthenticate : 0);
  return f;
}

void ProxySettingDialog::updateEnabled() {
  bool direct = read().direct();
  m_server->setEnabled(!direct);
  m_port->setEnabled(!direct);
  m_auth->setEnabled(!direct);
  m_user->setEnabled(!direct && m_auth->isChecked());
  m_pass->setEnabled(!direct && m_auth->isChecked());
}

void ProxySettingDialog::accept() {
  ProxyForm f = read();
  FieldError e = f.check();
  if (!e.ok()) {
    m_boxes.show(e.message, BoxIcon::Warning, BoxButtons::Ok);
    QLineEdit* field =
        std::array<QLineEdit*, 3>{m_title, m_server, m_port}[static_cast<size_t>(e.field)];
    field->setFocus();
    field->selectAll();
    return;
  }
  m_record = f.record();
  QDialog::accept();
}

}  // namespace fw
