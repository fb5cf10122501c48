#include "ui/dialogs/text_dialogs.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "jobs/job_progress.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "ui/dialogs/job_text_edits.h"

namespace fw {

namespace {

QDialogButtonBox* okCancel(QDialog* d) {
  auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
  QObject::connect(b, &QDialogButtonBox::accepted, d, &QDialog::accept);
  QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
  return b;
}

}  // namespace

CommentDialog::CommentDialog(const JobRecord& job, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), m_boxes(boxes), m_edit(new QPlainTextEdit(this)) {
  setWindowTitle(QStringLiteral("Comment"));
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(
      QStringLiteral("Comment of %1:").arg(QString::fromStdString(readProgress(job).fileName)),
      this);
  label->setWordWrap(true);
  layout->addWidget(label);
  m_edit->setPlainText(QString::fromStdString(job.comment));
  m_edit->setTabChangesFocus(true);
  label->setBuddy(m_edit);
  layout->addWidget(m_edit);
  layout->addWidget(okCancel(this));
  resize(460, 260);
}

std::string CommentDialog::text() const {
  return m_edit->toPlainText().toStdString();
}

void CommentDialog::setText(const std::string& text) {
  m_edit->setPlainText(QString::fromStdString(text));
}

void CommentDialog::accept() {
  std::string why = checkComment(text());
  if (!why.empty()) {
    m_boxes.show(why, BoxIcon::Warning, BoxButtons::Ok);
    m_edit->setFocus();
    return;
  }
  QDialog::accept();
}

RenameDialog::RenameDialog(JobRecord& job, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), m_job(job), m_boxes(boxes), m_edit(new QLineEdit(this)) {
  setWindowTitle(QStringLiteral("ReName"));
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QStringLiteral("New name of the file:"), this);
  layout->addWidget(label);
  m_edit->setText(QString::fromStdString(job.fileName));
  // The name without its extension is what people usually change (".tar.gz" counts as
  // one extension).
  const QString name = m_edit->text();
  int dot = name.lastIndexOf(QLatin1Char('.'));
  const int tar = name.lastIndexOf(QStringLiteral(".tar."), -1, Qt::CaseInsensitive);
  if (tar > 0 && tar + 4 == dot) dot = tar;
  m_edit->setSelection(0, dot > 0 ? dot : name.size());
  label->setBuddy(m_edit);
  layout->addWidget(m_edit);
  auto* where = new QLabel(QStringLiteral("In %1").arg(QString::fromStdString(job.saveDir)), this);
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  where->setStyleSheet(QStringLiteral("color: palette(mid);"));
  layout->addWidget(where);
  layout->addWidget(okCancel(this));
  resize(460, sizeHint().height());
}

void RenameDialog::setName(const std::string& name) {
  m_edit->setText(QString::fromStdString(name));
}

void RenameDialog::accept() {
  std::string why = applyRename(FileSystem::system(), m_job, m_edit->text().toStdString());
  if (!why.empty()) {
    m_boxes.show(why, why == kRenameEmptyText ? BoxIcon::Stop : BoxIcon::Warning, BoxButtons::Ok);
    m_edit->setFocus();
    m_edit->selectAll();
    return;
  }
  QDialog::accept();
}

}  // namespace fw
