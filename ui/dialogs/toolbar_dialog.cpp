#include "ui/dialogs/toolbar_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/main_window/toolbar_buttons.h"

namespace fw {

std::vector<int> ToolbarEditor::available() const {
  std::vector<int> out;
  for (const ToolButtonSpec& b : toolButtons())
    if (std::find(m_ids.begin(), m_ids.end(), b.id) == m_ids.end()) out.push_back(b.id);
  return out;
}

int ToolbarEditor::add(int id, int at) {
  if (!toolButton(id) || std::find(m_ids.begin(), m_ids.end(), id) != m_ids.end()) return -1;
  if (at < 0 || at > static_cast<int>(m_ids.size())) at = static_cast<int>(m_ids.size());
  m_ids.insert(m_ids.begin() + at, id);
  return at;
}

void ToolbarEditor::addSeparator(int at) {
  if (at < 0 || at > static_cast<int>(m_ids.size())) at = static_cast<int>(m_ids.size());
  m_ids.insert(m_ids.begin() + at, kToolSeparator);
}

void ToolbarEditor::remove(int at) {
  if (at >= 0 && at < static_cast<int>(m_ids.size())) m_ids.erase(m_ids.begin() + at);
}

int ToolbarEditor::moveUp(int at) {
  if (at <= 0 || at >= static_cast<int>(m_ids.size())) return at;
  std::swap(m_ids[static_cast<size_t>(at)], m_ids[static_cast<size_t>(at - 1)]);
  return at - 1;
}

int ToolbarEditor::moveDown(int at) {
  if (at < 0 || at + 1 >= static_cast<int>(m_ids.size())) return at;
  std::swap(m_ids[static_cast<size_t>(at)], m_ids[static_cast<size_t>(at + 1)]);
  return at + 1;
}

void ToolbarEditor::reset() {
  m_ids = defaultToolbar();
}

namespace {

QListWidgetItem* itemFor(int id, QListWidget* list) {
  const ToolButtonSpec* b = toolButton(id);
  auto* item = new QListWidgetItem(list);
  if (b) {
    item->setText(QString::fromLatin1(b->label));
    item->setIcon(icon(b->icon));
  } else {
    item->setText(QStringLiteral("---- Separator ----"));
  }
  item->setData(Qt::UserRole, id);
  return item;
}

}  // namespace

ToolbarDialog::ToolbarDialog(const std::vector<int>& ids, QWidget* parent)
    : QDialog(parent),
      m_editor(ids),
      m_available(new QListWidget(this)),
      m_bar(new QListWidget(this)) {
  setWindowTitle(QStringLiteral("Customize Toolbar"));
  for (QListWidget* l : {m_available, m_bar}) l->setIconSize(QSize(20, 20));
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Available buttons:"), this), 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("Toolbar buttons:"), this), 0, 2);
  grid->addWidget(m_available, 1, 0);
  grid->addWidget(m_bar, 1, 2);
  auto* middle = new QVBoxLayout;
  auto* add = new QPushButton(QStringLiteral("Add ->"), this);
  auto* remove = new QPushButton(QStringLiteral("<- Remove"), this);
  auto* sep = new QPushButton(QStringLiteral("Separator"), this);
  auto* up = new QPushButton(QStringLiteral("Move Up"), this);
  auto* down = new QPushButton(QStringLiteral("Move Down"), this);
  auto* reset = new QPushButton(QStringLiteral("Reset"), this);
  for (QPushButton* b : {add, remove, sep, up, down, reset}) middle->addWidget(b);
  middle->addStretch();
  grid->addLayout(middle, 1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  auto barRow = [this] { return m_bar->currentRow(); };
  connect(add, &QPushButton::clicked, this, [this, barRow] {
    QListWidgetItem* item = m_available->currentItem();
    if (!item) return;
    int at = barRow() < 0 ? -1 : barRow() + 1;
    fill(m_editor.add(item->data(Qt::UserRole).toInt(), at));
  });
  connect(m_available, &QListWidget::itemDoubleClicked, add, &QPushButton::click);
  connect(remove, &QPushButton::clicked, this, [this, barRow] {
    int at = barRow();
    m_editor.remove(at);
    fill(std::min(at, static_cast<int>(m_editor.ids().size()) - 1));
  });
  connect(sep, &QPushButton::clicked, this, [this, barRow] {
    int at = barRow() < 0 ? static_cast<int>(m_editor.ids().size()) : barRow() + 1;
    m_editor.addSeparator(at);
    fill(at);
  });
  connect(up, &QPushButton::clicked, this, [this, barRow] { fill(m_editor.moveUp(barRow())); });
  connect(down, &QPushButton::clicked, this, [this, barRow] { fill(m_editor.moveDown(barRow())); });
  connect(reset, &QPushButton::clicked, this, [this] {
    m_editor.reset();
    fill(0);
  });
  fill(0);
  resize(520, 440);
}

void ToolbarDialog::fill(int selectOnBar) {
  m_available->clear();
  for (int id : m_editor.available()) itemFor(id, m_available);
  m_bar->clear();
  for (int id : m_editor.ids()) itemFor(id, m_bar);
  m_available->setCurrentRow(0);
  m_bar->setCurrentRow(selectOnBar);
}

}  // namespace fw
