#include "ui/dialogs/column_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/panes/job_columns.h"

namespace fw {

ColumnDialog::ColumnDialog(const ColumnLayout& layout, bool queue, QWidget* parent)
    : QDialog(parent),
      m_chooser(layout, queue),
      m_list(new QListWidget(this)),
      m_show(new QPushButton(QStringLiteral("Show"), this)),
      m_hide(new QPushButton(QStringLiteral("Hide"), this)),
      m_up(new QPushButton(QStringLiteral("Move Up"), this)),
      m_down(new QPushButton(QStringLiteral("Move Down"), this)),
      m_width(new QSpinBox(this)) {
  setWindowTitle(QStringLiteral("Colume"));
  auto* layoutBox = new QVBoxLayout(this);
  auto* intro = new QLabel(
      QStringLiteral(
          "Use the Move Up and Move Down buttons to reorder the columns however you like"),
      this);
  intro->setWordWrap(true);
  layoutBox->addWidget(intro);

  auto* middle = new QHBoxLayout;
  middle->addWidget(m_list, 1);
  auto* side = new QVBoxLayout;
  auto* reset = new QPushButton(QStringLiteral("Default"), this);
  for (QPushButton* b : {m_show, m_hide, m_up, m_down, reset}) side->addWidget(b);
  side->addStretch();
  middle->addLayout(side);
  layoutBox->addLayout(middle);

  auto* widthRow = new QHBoxLayout;
  widthRow->addWidget(new QLabel(QStringLiteral("The selected column should be"), this));
  m_width->setRange(0, kColumnWidthMax);
  widthRow->addWidget(m_width);
  widthRow->addWidget(new QLabel(QStringLiteral("pixels wide"), this));
  widthRow->addStretch();
  layoutBox->addLayout(widthRow);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layoutBox->addWidget(buttons);

  connect(m_list, &QListWidget::currentRowChanged, this, &ColumnDialog::updateButtons);
  connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    if (m_filling) return;
    int i = m_list->row(item);
    if (item->checkState() == Qt::Checked)
      m_chooser.show(i);
    else
      m_chooser.hide(i);
    fill(i);
  });
  connect(m_show, &QPushButton::clicked, this, [this] {
    m_chooser.show(current());
    fill(current());
  });
  connect(m_hide, &QPushButton::clicked, this, [this] {
    m_chooser.hide(current());
    fill(current());
  });
  connect(m_up, &QPushButton::clicked, this, [this] { fill(m_chooser.moveUp(current())); });
  connect(m_down, &QPushButton::clicked, this, [this] { fill(m_chooser.moveDown(current())); });
  connect(reset, &QPushButton::clicked, this, [this] {
    m_chooser.reset();
    fill(0);
  });
  connect(m_width, &QSpinBox::valueChanged, this, [this](int w) {
    if (!m_filling) m_chooser.setWidth(current(), w);
  });
  fill(0);
  resize(420, 460);
}

int ColumnDialog::current() const {
  return m_list->currentRow();
}

void ColumnDialog::fill(int select) {
  m_filling = true;
  m_list->clear();
  const auto& entries = m_chooser.entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    auto* item = new QListWidgetItem(QString::fromLatin1(slotName(entries[i].slot)), m_list);
    item->setCheckState(entries[i].shown ? Qt::Checked : Qt::Unchecked);
    int idx = static_cast<int>(i);
    if (!m_chooser.canShow(idx) && !m_chooser.canHide(idx))
      item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
  }
  m_list->setCurrentRow(select);
  m_filling = false;
  updateButtons();
}

void ColumnDialog::updateButtons() {
  const int i = current();
  const auto& entries = m_chooser.entries();
  const bool valid = i >= 0 && i < static_cast<int>(entries.size());
  m_show->setEnabled(m_chooser.canShow(i));
  m_hide->setEnabled(m_chooser.canHide(i));
  m_up->setEnabled(valid && i > 0);
  m_down->setEnabled(valid && i + 1 < static_cast<int>(entries.size()));
  m_width->setEnabled(valid && entries[static_cast<size_t>(i)].slot != kSlotResume);
  m_filling = true;
  m_width->setValue(valid ? entries[static_cast<size_t>(i)].width : 0);
  m_filling = false;
}

}  // namespace fw
