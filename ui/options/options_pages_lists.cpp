// The "Proxy", "Dial-Up Networking" and "Other" pages.

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <map>

#include "store/settings_io.h"
#include "ui/options/options_forms.h"
#include "ui/options/options_pages.h"
#include "ui/options/proxy_list_edit.h"
#include "ui/options/proxy_setting_dialog.h"

namespace fw {

namespace {

std::string proxyKey(size_t number) {
  char name[32];
  std::snprintf(name, sizeof name, ProxySettings::kEntryKeyFormat, static_cast<int>(number));
  return std::string(settingkeys::kProxy) + "\\" + name;
}

// ---- Proxy ----

class ProxyOptions final : public OptionsPage {
 public:
  enum Column { kHttpColumn, kFtpColumn, kMultiColumn, kTitleColumn };

  explicit ProxyOptions(OptionsHost& host) : OptionsPage(host), m_list(host.settings().proxy) {
    m_view = new QTreeWidget(this);
    m_view->setObjectName(QStringLiteral("proxies"));
    m_view->setRootIsDecorated(false);
    m_view->setHeaderLabels({QStringLiteral("HTTP Default  "), QStringLiteral("FTP Default "),
                             QStringLiteral("Multi-Proxy "), QStringLiteral("Title ")});
    for (int c : {kHttpColumn, kFtpColumn, kMultiColumn}) m_view->header()->resizeSection(c, 90);
    m_view->header()->resizeSection(kTitleColumn, 160);
    auto* add = new QPushButton(QStringLiteral("Add"), this);
    auto* edit = new QPushButton(QStringLiteral("Edit"), this);
    auto* del = new QPushButton(QStringLiteral("Delete"), this);
    del->setObjectName(QStringLiteral("deleteProxy"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(add);
    buttons->addWidget(edit);
    buttons->addWidget(del);
    auto* col = new QVBoxLayout(this);
    col->addWidget(m_view, 1);
    col->addWidget(new QLabel(
        QStringLiteral("Click a row's HTTP or FTP Default box to give new jobs that proxy."),
        this));
    col->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, [this] {
      ProxyRecord fresh;
      fresh.flags = m_list.newRecordFlags();
      ProxySettingDialog d(fresh, m_host.boxes(), this);
      if (d.exec() != QDialog::Accepted) return;
      m_list.add(d.record());
      fill(static_cast<int>(m_list.rows().size()) - 1);
    });
    auto editRow = [this] {
      int row = currentRow();
      if (row < 0) return;
      ProxySettingDialog d(m_list.rows()[static_cast<size_t>(row)], m_host.boxes(), this);
      if (d.exec() != QDialog::Accepted) return;
      m_list.replace(row, d.record());
      fill(row);
    };
    connect(edit, &QPushButton::clicked, this, editRow);
    connect(m_view, &QTreeWidget::itemDoubleClicked, this, editRow);
    connect(del, &QPushButton::clicked, this, [this] { deleteRow(currentRow()); });
    connect(m_view, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* it, int column) {
      int row = m_view->indexOfTopLevelItem(it);
      if (column == kHttpColumn) m_list.setDefaultHttp(row);
      if (column == kFtpColumn) m_list.setDefaultFtp(row);
      if (column == kHttpColumn || column == kFtpColumn) fill(row);
    });
  }

  // The first row is never deleted. The registry keeps "Proxy1".."ProxyN" without gaps:
  // the highest number goes now, the rest are rewritten when the page is left.
  void deleteRow(int row) {
    size_t oldCount = m_list.rows().size();
    if (!m_list.remove(row)) return;
    m_host.registry().deleteKey(RegRoot::CurrentUser, proxyKey(oldCount));
    fill(std::min(row, static_cast<int>(m_list.rows().size()) - 1));
  }

  void showValues() override {
    m_list = ProxyListEdit(m_host.settings().proxy);
    fill(0);
  }

  QLineEdit* leave(std::string&) override {
    ProxySettings& p = m_host.settings().proxy;
    m_list.store(p);
    proxySettingsIo(m_host.registry(), p, kSettingsSave);
    std::vector<int> moved = m_list.jobIndexes();
    if (!moved.empty()) m_host.proxiesMoved(moved);
    // The stored list is the one further deletions are counted from.
    m_list = ProxyListEdit(p);
    return nullptr;
  }

 private:
  int currentRow() const {
    return m_view->currentItem() ? m_view->indexOfTopLevelItem(m_view->currentItem()) : -1;
  }
  void fill(int select) {
    m_view->clear();
    const auto& rows = m_list.rows();
    for (size_t i = 0; i < rows.size(); ++i) {
      auto* it = new QTreeWidgetItem(m_view);
      int row = static_cast<int>(i);
      it->setCheckState(kHttpColumn, row == m_list.defaultHttp() ? Qt::Checked : Qt::Unchecked);
      it->setCheckState(kFtpColumn, row == m_list.defaultFtp() ? Qt::Checked : Qt::Unchecked);
      it->setText(kTitleColumn, qs(rows[i].title));
    }
    if (select >= 0 && select < m_view->topLevelItemCount())
      m_view->setCurrentItem(m_view->topLevelItem(select));
  }

  ProxyListEdit m_list;
  QTreeWidget* m_view;
};

// ---- Dial-Up Networking ----

class DialUpOptions final : public OptionsPage {
 public:
  explicit DialUpOptions(OptionsHost& host) : OptionsPage(host) {
    m_entry = new QComboBox(this);
    m_entry->setObjectName(QStringLiteral("dialEntry"));
    m_hangUp = new QCheckBox(QStringLiteral("Hang up when done"), this);
    m_redial = new QCheckBox(QStringLiteral("Redial if disconnected"), this);
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("dialUser"));
    m_pass = new QLineEdit(this);
    m_pass->setObjectName(QStringLiteral("dialPass"));
    m_pass->setEchoMode(QLineEdit::Password);
    m_times = numberEdit(this, "dialTimes");
    m_wait = numberEdit(this, "dialWait");
    m_establish = new QLineEdit(this);
    m_establish->setObjectName(QStringLiteral("establish"));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Connection:"), m_entry);
    form->addRow(QStringLiteral("User name:"), m_user);
    form->addRow(QStringLiteral("Password:"), m_pass);
    form->addRow(QStringLiteral("Redial attempts:"), m_times);
    auto* wait = new QWidget(this);
    auto* wl = new QHBoxLayout(wait);
    wl->setContentsMargins(0, 0, 0, 0);
    wl->addWidget(m_wait);
    wl->addWidget(new QLabel(QStringLiteral("seconds"), wait));
    wl->addStretch(1);
    form->addRow(QStringLiteral("Wait between redials:"), wait);
    form->addRow(QStringLiteral("Reconnect window title:"), m_establish);
    form->addRow(m_hangUp);
    form->addRow(m_redial);
    m_entry->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_entry->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_entry->setMinimumWidth(240);
    chainTabs({m_entry, m_user, m_pass, m_times, m_wait, m_establish, m_hangUp, m_redial});
    m_details = {m_hangUp, m_redial, m_user, m_pass, m_times, m_wait, m_establish};
    connect(m_entry, &QComboBox::currentIndexChanged, this, [this] { updateEnabled(); });
  }

  void showValues() override {
    DialUpPage p = DialUpPage::load(m_host.settings().dialUp, m_host.dialEntries());
    m_entries = p.entries;
    m_entry->clear();
    for (const std::string& e : p.entries) m_entry->addItem(qs(e));
    m_entry->setCurrentIndex(p.selected);
    m_hangUp->setChecked(p.hangUp);
    m_redial->setChecked(p.redial);
    m_user->setText(qs(p.user));
    m_pass->setText(qs(p.pass));
    m_times->setText(qs(p.times));
    m_wait->setText(qs(p.wait));
    m_establish->setText(qs(p.establish));
    updateEnabled();
  }

  QLineEdit* leave(std::string& message) override {
    DialUpPage p;
    p.entries = m_entries;
    p.selected = std::max(0, m_entry->currentIndex());
    p.hangUp = m_hangUp->isChecked();
    p.redial = m_redial->isChecked();
    p.user = ss(m_user->text());
    p.pass = ss(m_pass->text());
    p.times = ss(m_times->text());
    p.wait = ss(m_wait->text());
    p.establish = ss(m_establish->text());
    FieldError e = p.check();
    if (!e.ok()) {
      message = e.message;
      return e.field == DialUpPage::kTimes ? m_times : m_wait;
    }
    p.store(m_host.settings().dialUp);
    return nullptr;
  }

 private:
  void updateEnabled() {
    for (QWidget* w : m_details) w->setEnabled(m_entry->currentIndex() > 0);
  }

  std::vector<std::string> m_entries;
  QComboBox* m_entry;
  QCheckBox* m_hangUp;
  QCheckBox* m_redial;
  QLineEdit* m_user;
  QLineEdit* m_pass;
  QLineEdit* m_times;
  QLineEdit* m_wait;
  QLineEdit* m_establish;
  std::vector<QWidget*> m_details;
};

// ---- Other ----

class OtherOptions final : public OptionsPage {
 public:
  explicit OtherOptions(OptionsHost& host) : OptionsPage(host) {
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("otherTree"));
    m_tree->setHeaderHidden(true);
    std::map<std::string, QTreeWidgetItem*> nodes;
    auto node = [&](QTreeWidgetItem* parent, const std::string& key, const char* caption) {
      auto found = nodes.find(key);
      if (found != nodes.end()) return found->second;
      auto* it = parent ? new QTreeWidgetItem(parent, {QString::fromLatin1(caption)})
                        : new QTreeWidgetItem(m_tree, {QString::fromLatin1(caption)});
      nodes[key] = it;
      return it;
    };
    const auto& items = otherItems();
    for (size_t i = 0; i < items.size(); ++i) {
      const OtherItem& o = items[i];
      QTreeWidgetItem* parent = node(nullptr, o.group, o.group);
      if (o.sub) parent = node(parent, std::string(o.group) + "/" + o.sub, o.sub);
      auto* it = new QTreeWidgetItem(parent, {QString::fromLatin1(o.label)});
      it->setData(0, Qt::UserRole, static_cast<int>(i));
      it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      m_items.push_back(it);
    }
    m_tree->expandAll();
    auto* col = new QVBoxLayout(this);
    col->addWidget(m_tree);
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* it) { click(it); });
  }

  // The change takes effect at the click.
  void click(QTreeWidgetItem* it) {
    QVariant index = it->data(0, Qt::UserRole);
    if (!index.isValid()) return;
    uint32_t& flags = m_host.settings().general.otherFlag;
    flags = otherItemClicked(flags, otherItems()[static_cast<size_t>(index.toInt())]);
    showValues();
  }

  void showValues() override {
    uint32_t flags = m_host.settings().general.otherFlag;
    for (QTreeWidgetItem* it : m_items) {
      const OtherItem& o = otherItems()[static_cast<size_t>(it->data(0, Qt::UserRole).toInt())];
      it->setCheckState(0, otherItemOn(flags, o) ? Qt::Checked : Qt::Unchecked);
    }
  }

  QLineEdit* leave(std::string&) override { return nullptr; }

 private:
  QTreeWidget* m_tree;
  std::vector<QTreeWidgetItem*> m_items;
};

}  // namespace

OptionsPage* makeProxyPage(OptionsHost& host) {
  return new ProxyOptions(host);
}
OptionsPage* makeDialUpPage(OptionsHost& host) {
  return new DialUpOptions(host);
}
OptionsPage* makeOtherPage(OptionsHost& host) {
  return new OtherOptions(host);
}

}  // namespace fw
