#include "ui/dialogs/find_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace fw {

FindDialog::FindDialog(const FindQuery& last, const std::vector<std::string>& recent,
                       QWidget* parent)
    : QDialog(parent),
      m_text(new QComboBox(this)),
      m_name(new QCheckBox(QStringLiteral("Name"), this)),
      m_url(new QCheckBox(QStringLiteral("URL"), this)),
      m_comment(new QCheckBox(QStringLiteral("Comment"), this)) {
  setWindowTitle(QStringLiteral("Find"));
  m_text->setEditable(true);
  m_text->setInsertPolicy(QComboBox::NoInsert);
  m_text->setMinimumContentsLength(28);
  for (auto it = recent.rbegin(); it != recent.rend(); ++it)
    m_text->addItem(QString::fromStdString(*it));

  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Find &what:"), m_text);
  layout->addLayout(form);
  auto* fields = new QGroupBox(QStringLiteral("Look in"), this);
  auto* row = new QHBoxLayout(fields);
  row->addWidget(m_name);
  row->addWidget(m_url);
  row->addWidget(m_comment);
  row->addStretch();
  layout->addWidget(fields);

  auto* buttons = new QDialogButtonBox(this);
  m_find = buttons->addButton(QStringLiteral("Find next"), QDialogButtonBox::AcceptRole);
  m_find->setDefault(true);
  buttons->addButton(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  setQuery(last);
  connect(m_text, &QComboBox::editTextChanged, this, &FindDialog::updateButton);
  for (QCheckBox* b : {m_name, m_url, m_comment})
    connect(b, &QCheckBox::toggled, this, &FindDialog::updateButton);
  updateButton();
  m_text->lineEdit()->selectAll();
}

FindQuery FindDialog::query() const {
  FindQuery q;
  q.text = m_text->currentText().toStdString();
  q.name = m_name->isChecked();
  q.url = m_url->isChecked();
  q.comment = m_comment->isChecked();
  return q;
}

void FindDialog::setQuery(const FindQuery& q) {
  m_text->setEditText(QString::fromStdString(q.text));
  m_name->setChecked(q.name);
  m_url->setChecked(q.url);
  m_comment->setChecked(q.comment);
}

void FindDialog::updateButton() {
  m_find->setEnabled(query().valid());
}

}  // namespace fw
