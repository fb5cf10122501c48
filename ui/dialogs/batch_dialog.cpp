#include "ui/dialogs/batch_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace fw {

BatchDialog::BatchDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Add batch job"));
  auto* layout = new QVBoxLayout(this);
  auto* help = new QLabel(
      QStringLiteral("Put * where the number or letter goes and give its range below, or write "
                     "the range into the URL as [from-to], e.g. [001-120] or [a-z]."),
      this);
  help->setWordWrap(true);
  layout->addWidget(help);
  auto* form = new QFormLayout;
  m_pattern = new QLineEdit(this);
  m_pattern->setPlaceholderText(QStringLiteral("http://www.example.com/file*.zip"));
  form->addRow(QStringLiteral("URL:"), m_pattern);
  auto* range = new QHBoxLayout;
  m_from = new QLineEdit(QStringLiteral("1"), this);
  m_to = new QLineEdit(QStringLiteral("10"), this);
  m_width = new QSpinBox(this);
  m_width->setRange(0, kBatchWidthMax);
  range->addWidget(m_from);
  range->addWidget(new QLabel(QStringLiteral("to"), this));
  range->addWidget(m_to);
  range->addWidget(new QLabel(QStringLiteral("Width:"), this));
  range->addWidget(m_width);
  form->addRow(QStringLiteral("From:"), range);
  layout->addLayout(form);
  m_preview = new QLabel(this);
  m_preview->setWordWrap(true);
  m_preview->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_preview->setMinimumHeight(64);
  m_preview->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  layout->addWidget(m_preview, 1);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  m_ok = box->button(QDialogButtonBox::Ok);
  connect(box, &QDialogButtonBox::accepted, this, &BatchDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(box);
  for (QLineEdit* e : {m_pattern, m_from, m_to})
    connect(e, &QLineEdit::textChanged, this, &BatchDialog::refresh);
  connect(m_width, &QSpinBox::valueChanged, this, &BatchDialog::refresh);
  refresh();
  resize(520, 260);
}

BatchForm BatchDialog::form() const {
  return BatchForm{m_pattern->text().trimmed().toStdString(), m_from->text().toStdString(),
                   m_to->text().toStdString(), m_width->value()};
}

void BatchDialog::setForm(const BatchForm& form) {
  m_pattern->setText(QString::fromStdString(form.pattern));
  m_from->setText(QString::fromStdString(form.from));
  m_to->setText(QString::fromStdString(form.to));
  m_width->setValue(form.width);
  refresh();
}

void BatchDialog::refresh() {
  const BatchForm s = form();
  if (s.pattern.empty()) {
    m_preview->setText(QString());
    m_ok->setEnabled(false);
    return;
  }
  const BatchPlan plan = planBatch(s);
  m_ok->setEnabled(plan.ok());
  if (!plan.ok()) {
    m_preview->setText(QString::fromStdString(plan.error));
    return;
  }
  m_preview->setText(
      QStringLiteral("%1 URLs\nFirst: %2\nLast:  %3")
          .arg(plan.count)
          .arg(QString::fromStdString(plan.first), QString::fromStdString(plan.last)));
}

void BatchDialog::accept() {
  if (!planBatch(form()).ok()) return;
  QDialog::accept();
}

}  // namespace fw
