// The "Graph/Log", "File Manager", "Schedule" and "Sounds" pages.

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>

#include "ui/common/color_ref.h"
#include "ui/options/options_forms.h"
#include "ui/options/options_pages.h"

namespace fw {

namespace {

// ---- Graph/Log ----

class GraphOptions final : public OptionsPage {
 public:
  explicit GraphOptions(OptionsHost& host) : OptionsPage(host) {
    m_scale = numberEdit(this, "scale");
    m_transparent = new QCheckBox(QStringLiteral("Transparent"), this);
    m_dropGraph = new QCheckBox(QStringLiteral("Display Graph At DropZone"), this);

    auto* colours = new QGroupBox(QStringLiteral("Colors"), this);
    auto* grid = new QGridLayout(colours);
    grid->addWidget(new QLabel(QStringLiteral("Text"), colours), 0, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("Background"), colours), 0, 2, Qt::AlignHCenter);
    ColorSettings& c = m_page.colors;
    int row = 1;
    auto line = [&](const char* caption, uint32_t* text, uint32_t* back) {
      grid->addWidget(new QLabel(QString::fromLatin1(caption), colours), row, 0);
      if (text) grid->addWidget(swatch(colours, text), row, 1);
      if (back) grid->addWidget(swatch(colours, back), row, 2);
      ++row;
    };
    line("Server Line", &c.server, &c.serverBk);
    line("Error Line", &c.error, &c.errorBk);
    line("Command Line", &c.command, &c.commandBk);
    line("State Line", &c.state, &c.stateBk);
    line("Detail Text", &c.blockText, &c.blockBack);
    line("Progress", nullptr, &c.progressCor);
    line("Graph", &c.graphFore, &c.graphBack);
    auto* reset = new QPushButton(QStringLiteral("Reset"), colours);
    grid->addWidget(reset, row, 2);
    grid->setColumnStretch(3, 1);

    auto* top = new QFormLayout;
    top->addRow(QStringLiteral("Graph scale:"), [&] {
      auto* box = new QWidget(this);
      auto* r = new QHBoxLayout(box);
      r->setContentsMargins(0, 0, 0, 0);
      r->addWidget(m_scale);
      r->addWidget(new QLabel(QStringLiteral("KB/s"), box));
      r->addStretch(1);
      return box;
    }());
    chainTabs({m_scale});
    QWidget* previous = m_scale;
    for (auto& [button, value] : m_swatches) {
      QWidget::setTabOrder(previous, button);
      previous = button;
    }
    chainTabs({previous, reset, m_transparent, m_dropGraph});
    auto* col = new QVBoxLayout(this);
    col->addLayout(top);
    col->addWidget(colours);
    col->addWidget(m_transparent);
    col->addWidget(m_dropGraph);
    col->addStretch(1);
    connect(reset, &QPushButton::clicked, this, [this] {
      m_page.reset();
      paintSwatches();
    });
  }

  void showValues() override {
    m_page = GraphPage::load(m_host.settings().color);
    m_scale->setText(qs(m_page.scale));
    m_transparent->setChecked(m_page.colors.flag & 0x01);
    m_dropGraph->setChecked(m_page.colors.flag & 0x02);
    paintSwatches();
  }

  QLineEdit* leave(std::string& message) override {
    m_page.scale = ss(m_scale->text());
    m_page.colors.flag = (m_page.colors.flag & ~3u) | (m_transparent->isChecked() ? 1u : 0u) |
                         (m_dropGraph->isChecked() ? 2u : 0u);
    FieldError e = m_page.check();
    if (!e.ok()) {
      message = e.message;
      return m_scale;
    }
    m_page.store(m_host.settings().color);
    m_host.colorsChanged();
    return nullptr;
  }

 private:
  QPushButton* swatch(QWidget* parent, uint32_t* value) {
    auto* b = new QPushButton(parent);
    b->setFixedSize(56, 22);
    m_swatches.push_back({b, value});
    connect(b, &QPushButton::clicked, this, [this, value] {
      QColor picked = QColorDialog::getColor(fromColorRef(*value), this);
      if (!picked.isValid()) return;
      *value = toColorRef(picked);
      paintSwatches();
    });
    return b;
  }
  void paintSwatches() {
    for (auto& [button, value] : m_swatches) {
      QPixmap pm(40, 12);
      pm.fill(fromColorRef(*value));
      button->setIcon(QIcon(pm));
      button->setIconSize(pm.size());
    }
  }

  GraphPage m_page;
  QLineEdit* m_scale;
  QCheckBox* m_transparent;
  QCheckBox* m_dropGraph;
  std::vector<std::pair<QPushButton*, uint32_t*>> m_swatches;
};

// ---- File Manager ----

QButtonGroup* radioGroup(QGroupBox* box, std::initializer_list<const char*> captions) {
  auto* group = new QButtonGroup(box);
  auto* col = new QVBoxLayout(box);
  int id = 0;
  for (const char* c : captions) {
    auto* r = new QRadioButton(QString::fromLatin1(c), box);
    group->addButton(r, id++);
    col->addWidget(r);
  }
  return group;
}

class FileManagerOptions final : public OptionsPage {
 public:
  explicit FileManagerOptions(OptionsHost& host) : OptionsPage(host) {
    auto* finished = new QGroupBox(QStringLiteral("When a download is complete"), this);
    m_finished = radioGroup(finished, {"Do not Move", "Prompt", "Move"});
    auto* exists = new QGroupBox(QStringLiteral("If the file exists"), this);
    m_exists = radioGroup(exists, {"Overwrite", "Auto Rename", "Stop"});
    auto* scan = new QGroupBox(QStringLiteral("Virus scanner"), this);
    m_scanner = new QCheckBox(QStringLiteral("Use virus scanner to scan the downloaded file(s)"));
    m_program = new QLineEdit(scan);
    m_program->setObjectName(QStringLiteral("virusExe"));
    m_args = new QLineEdit(scan);
    m_args->setObjectName(QStringLiteral("virusArgs"));
    m_types = new QLineEdit(scan);
    m_types->setObjectName(QStringLiteral("virusType"));
    auto* browse = new QPushButton(QStringLiteral("Brower"), scan);
    auto* programRow = new QHBoxLayout;
    programRow->addWidget(m_program, 1);
    programRow->addWidget(browse);
    auto* sf = new QFormLayout(scan);
    sf->addRow(m_scanner);
    sf->addRow(QStringLiteral("Program:"), programRow);
    sf->addRow(QStringLiteral("Arguments:"), m_args);
    sf->addRow(QStringLiteral("File types:"), m_types);

    chainTabs({m_scanner, m_program, browse, m_args, m_types});
    auto* top = new QHBoxLayout;
    top->addWidget(finished);
    top->addWidget(exists);
    auto* col = new QVBoxLayout(this);
    col->addLayout(top);
    col->addWidget(scan);
    col->addStretch(1);
    connect(browse, &QPushButton::clicked, this, [this] {
      // Programs on this system have no ".exe": every file is offered.
      QString chosen = QFileDialog::getOpenFileName(
          this, QStringLiteral("Brower"), m_program->text(), QStringLiteral("Program (*)"));
      if (!chosen.isEmpty()) m_program->setText(chosen);
    });
  }

  void showValues() override {
    FileManagerPage p = FileManagerPage::load(m_host.settings().general);
    m_finished->button(p.finished)->setChecked(true);
    m_exists->button(p.exists)->setChecked(true);
    m_scanner->setChecked(p.scanner);
    m_program->setText(qs(p.program));
    m_args->setText(qs(p.args));
    m_types->setText(qs(p.types));
  }

  QLineEdit* leave(std::string&) override {
    FileManagerPage p;
    p.finished = std::max(0, m_finished->checkedId());
    p.exists = std::max(0, m_exists->checkedId());
    p.scanner = m_scanner->isChecked();
    p.program = ss(m_program->text().trimmed());
    p.args = ss(m_args->text());
    p.types = ss(m_types->text());
    p.store(m_host.settings().general);
    return nullptr;
  }

 private:
  QButtonGroup* m_finished;
  QButtonGroup* m_exists;
  QCheckBox* m_scanner;
  QLineEdit* m_program;
  QLineEdit* m_args;
  QLineEdit* m_types;
};

// ---- Schedule ----

class ScheduleOptions final : public OptionsPage {
 public:
  explicit ScheduleOptions(OptionsHost& host) : OptionsPage(host) {
    static constexpr std::array<const char*, 7> kDays = {
        "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    m_start = new QTimeEdit(this);
    m_stop = new QTimeEdit(this);
    m_start->setObjectName(QStringLiteral("startTime"));
    m_stop->setObjectName(QStringLiteral("stopTime"));
    for (QTimeEdit* t : {m_start, m_stop}) {
      t->setDisplayFormat(QStringLiteral("HH:mm"));
      t->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    auto* times = new QGroupBox(QStringLiteral("Time"), this);
    auto* tf = new QFormLayout(times);
    tf->addRow(QStringLiteral("Start downloading at:"), m_start);
    tf->addRow(QStringLiteral("Stop downloading at:"), m_stop);
    auto* days = new QGroupBox(QStringLiteral("Days"), this);
    auto* dl = new QGridLayout(days);
    for (size_t i = 0; i < kDays.size(); ++i) {
      m_days[i] = new QCheckBox(QString::fromLatin1(kDays[i]), days);
      dl->addWidget(m_days[i], static_cast<int>(i % 4), static_cast<int>(i / 4));
    }
    auto* col = new QVBoxLayout(this);
    col->addWidget(times);
    col->addWidget(days);
    col->addStretch(1);
  }

  void showValues() override {
    SchedulePage p = SchedulePage::load(m_host.settings().general);
    m_start->setTime(QTime(p.start / 60, p.start % 60));
    m_stop->setTime(QTime(p.stop / 60, p.stop % 60));
    for (size_t i = 0; i < m_days.size(); ++i) m_days[i]->setChecked(p.days & (1u << i));
  }

  QLineEdit* leave(std::string&) override {
    SchedulePage p;
    p.start = m_start->time().hour() * 60 + m_start->time().minute();
    p.stop = m_stop->time().hour() * 60 + m_stop->time().minute();
    p.days = 0;
    for (size_t i = 0; i < m_days.size(); ++i)
      if (m_days[i]->isChecked()) p.days |= 1u << i;
    p.store(m_host.settings().general);
    return nullptr;
  }

 private:
  QTimeEdit* m_start;
  QTimeEdit* m_stop;
  std::array<QCheckBox*, 7> m_days{};
};

// ---- Sounds ----

class SoundsOptions final : public OptionsPage {
 public:
  explicit SoundsOptions(OptionsHost& host) : OptionsPage(host) {
    static constexpr std::array<const char*, 4> kFlags = {"Download Success", "Download Failure",
                                                          "All Done", "Enable Sound"};
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("sounds"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Event "), QStringLiteral("Sound file")});
    m_list->header()->resizeSection(0, 120);
    m_list->header()->resizeSection(1, 290);
    for (const char* e : SoundsPage::kEvents)
      new QTreeWidgetItem(m_list, {QString::fromLatin1(e), QString()});
    auto* play = new QPushButton(QStringLiteral("Play  "), this);
    auto* none = new QPushButton(QStringLiteral("None"), this);
    auto* browse = new QPushButton(QStringLiteral("Browse"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(play);
    buttons->addWidget(none);
    buttons->addWidget(browse);
    auto* popups = new QGroupBox(QStringLiteral("Pop-up window on"), this);
    auto* pl = new QHBoxLayout(popups);
    for (size_t i = 0; i < kFlags.size(); ++i) {
      m_flags[i] = new QCheckBox(QString::fromLatin1(kFlags[i]), popups);
      if (i < 3) pl->addWidget(m_flags[i]);
    }
    chainTabs({m_flags[0], m_flags[1], m_flags[2], m_flags[3], m_list, play, none, browse});
    auto* col = new QVBoxLayout(this);
    col->addWidget(popups);
    col->addWidget(m_flags[3]);
    col->addWidget(m_list, 1);
    col->addLayout(buttons);

    connect(play, &QPushButton::clicked, this, [this] {
      if (QTreeWidgetItem* it = m_list->currentItem())
        if (!it->text(1).isEmpty()) m_host.playSound(ss(it->text(1)));
    });
    connect(none, &QPushButton::clicked, this, [this] {
      if (QTreeWidgetItem* it = m_list->currentItem()) it->setText(1, QString());
    });
    connect(browse, &QPushButton::clicked, this, [this] {
      QTreeWidgetItem* it = m_list->currentItem();
      if (!it) return;
      QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Browse"),
                                                    QFileInfo(it->text(1)).absolutePath(),
                                                    QStringLiteral("Sound Files (*.wav)"));
      if (!chosen.isEmpty()) it->setText(1, chosen);
    });
  }

  void showValues() override {
    SoundsPage p = SoundsPage::load(m_host.settings().sounds);
    for (size_t i = 0; i < m_flags.size(); ++i) m_flags[i]->setChecked(p.flags & (1u << i));
    for (int i = 0; i < 4; ++i)
      m_list->topLevelItem(i)->setText(1, qs(p.files[static_cast<size_t>(i)]));
    if (!m_list->currentItem()) m_list->setCurrentItem(m_list->topLevelItem(0));
  }

  QLineEdit* leave(std::string&) override {
    SoundsPage p;
    for (size_t i = 0; i < m_flags.size(); ++i)
      if (m_flags[i]->isChecked()) p.flags |= 1u << i;
    for (int i = 0; i < 4; ++i)
      p.files[static_cast<size_t>(i)] = ss(m_list->topLevelItem(i)->text(1));
    p.store(m_host.settings().sounds);
    return nullptr;
  }

 private:
  QTreeWidget* m_list;
  std::array<QCheckBox*, 4> m_flags{};
};

}  // namespace

OptionsPage* makeGraphPage(OptionsHost& host) {
  return new GraphOptions(host);
}
OptionsPage* makeFileManagerPage(OptionsHost& host) {
  return new FileManagerOptions(host);
}
OptionsPage* makeSchedulePage(OptionsHost& host) {
  return new ScheduleOptions(host);
}
OptionsPage* makeSoundsPage(OptionsHost& host) {
  return new SoundsOptions(host);
}

}  // namespace fw
