#include "ui/dialogs/dialing_dialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace fw {

DialingDialog::DialingDialog(DialingWindow& window, QWidget* parent)
    : QDialog(parent), m_window(&window), m_list(new QListWidget(this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::WindowModal);
  auto* layout = new QVBoxLayout(this);
  m_list->setSelectionMode(QAbstractItemView::NoSelection);
  m_list->setFocusPolicy(Qt::NoFocus);
  m_list->setMinimumSize(420, 160);
  layout->addWidget(m_list, 1);
  auto* buttons = new QDialogButtonBox(this);
  m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::rejected, this, &DialingDialog::reject);
  layout->addWidget(buttons);
  setCaption(window.caption());
  linesChanged();
}

DialingDialog::~DialingDialog() {
  // Destroyed with its parent while the dial runs: the dial must not draw on a dead view.
  m_dying = true;
  if (DialingWindow* w = m_window) {
    m_window = nullptr;
    w->close();
  }
}

void DialingDialog::setCaption(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
}

void DialingDialog::linesChanged() {
  if (!m_window) return;
  const std::vector<std::string>& lines = m_window->lines();
  // Lines are only appended, except when the list was emptied: redraw only what is new.
  if (static_cast<size_t>(m_list->count()) > lines.size()) m_list->clear();
  for (size_t i = static_cast<size_t>(m_list->count()); i < lines.size(); ++i)
    m_list->addItem(QString::fromStdString(lines[i]));
  m_list->scrollToBottom();
}

void DialingDialog::closeView() {
  m_window = nullptr;
  if (m_dying) return;
  // Hidden first: inside the close box's own close event a second close() is ignored.
  QDialog::reject();
  close();
}

void DialingDialog::reject() {
  // Esc, Cancel and the close box: the DialingWindow decides and closes this view.
  if (DialingWindow* w = m_window)
    w->close();
  else
    QDialog::reject();
}

}  // namespace fw
