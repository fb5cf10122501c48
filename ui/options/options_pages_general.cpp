// The "General", "Connection", "Protocol" and "Monitor" pages.

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <array>

#include "ui/options/options_forms.h"
#include "ui/options/options_pages.h"

namespace fw {

QLineEdit* numberEdit(QWidget* parent, const char* name, int width) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setFixedWidth(width);
  return e;
}

void chainTabs(std::initializer_list<QWidget*> widgets) {
  QWidget* previous = nullptr;
  for (QWidget* w : widgets) {
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

namespace {

QWidget* withUnit(QWidget* parent, QLineEdit* edit, const char* unit) {
  auto* box = new QWidget(parent);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(edit);
  row->addWidget(new QLabel(QString::fromLatin1(unit), box));
  row->addStretch(1);
  return box;
}

// ---- General ----

class GeneralOptions final : public OptionsPage {
 public:
  explicit GeneralOptions(OptionsHost& host) : OptionsPage(host) {
    static constexpr std::array<const char*, 9> kCaptions = {
        "Start main window minimized",
        "Still download from non-resumable sites",
        "If error occurs stop download",
        "Auto save listed file every ",
        "Write data to disk every",
        "Get file Date and Time from Server",
        "Start downloading on startup",
        "Use 'np!' as file extension til download is finished",
        "Auto backup download database every day "};
    auto* grid = new QGridLayout(this);
    m_minutes = numberEdit(this, "autoSaveMinutes");
    m_buffer = numberEdit(this, "bufferKb");
    m_segment = numberEdit(this, "minSegmentKb");
    for (size_t i = 0; i < kCaptions.size(); ++i) {
      m_checks[i] = new QCheckBox(QString::fromLatin1(kCaptions[i]), this);
      int row = static_cast<int>(i);
      grid->addWidget(m_checks[i], row, 0);
    }
    grid->addWidget(withUnit(this, m_minutes, "minutes"), 3, 1);
    grid->addWidget(withUnit(this, m_buffer, "KB"), 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("Min segment size:"), this), 9, 0);
    grid->addWidget(withUnit(this, m_segment, "KB"), 9, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(10, 1);
    chainTabs({m_checks[0], m_checks[1], m_checks[2], m_checks[3], m_minutes, m_checks[4], m_buffer,
               m_checks[5], m_checks[6], m_checks[7], m_checks[8], m_segment});
    connect(m_checks[3], &QCheckBox::toggled, m_minutes, &QWidget::setEnabled);
    connect(m_checks[4], &QCheckBox::toggled, m_buffer, &QWidget::setEnabled);
  }

  void showValues() override {
    GeneralPage p = GeneralPage::load(m_host.settings().general);
    for (size_t i = 0; i < m_checks.size(); ++i) m_checks[i]->setChecked(p.checks & (1u << i));
    m_minutes->setText(qs(p.autoSaveMinutes));
    m_buffer->setText(qs(p.bufferKb));
    m_segment->setText(qs(p.minSegmentKb));
    m_minutes->setEnabled(m_checks[3]->isChecked());
    m_buffer->setEnabled(m_checks[4]->isChecked());
  }

  QLineEdit* leave(std::string& message) override {
    GeneralPage p;
    for (size_t i = 0; i < m_checks.size(); ++i)
      if (m_checks[i]->isChecked()) p.checks |= 1u << i;
    p.autoSaveMinutes = ss(m_minutes->text());
    p.bufferKb = ss(m_buffer->text());
    p.minSegmentKb = ss(m_segment->text());
    FieldError e = p.check();
    if (!e.ok()) {
      message = e.message;
      return std::array<QLineEdit*, 3>{m_minutes, m_buffer,
                                       m_segment}[static_cast<size_t>(e.field)];
    }
    p.store(m_host.settings().general);
    return nullptr;
  }

 private:
  std::array<QCheckBox*, 9> m_checks{};
  QLineEdit* m_minutes;
  QLineEdit* m_buffer;
  QLineEdit* m_segment;
};

// ---- Connection ----

class ConnectionOptions final : public OptionsPage {
 public:
  explicit ConnectionOptions(OptionsHost& host) : OptionsPage(host) {
    static constexpr std::array<const char*, 8> kNames = {"connOut",    "dataOut",  "relayt",
                                                          "simuRole",   "retryNum", "bandWidth",
                                                          "manualBand", "autoBand"};
    for (size_t i = 0; i < kNames.size(); ++i) m_edits[i] = numberEdit(this, kNames[i], 90);
    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("connType"));
    for (const ConnectionTypePreset& t : kConnectionTypes) m_type->addItem(t.name);
    m_type->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_retry = new QCheckBox(QStringLiteral("Always retry"), this);
    chainTabs({m_edits[0], m_edits[1], m_edits[2], m_edits[3], m_edits[4], m_retry, m_type,
               m_edits[5], m_edits[6], m_edits[7]});

    auto* times = new QGroupBox(QStringLiteral("Connection"), this);
    auto* tf = new QFormLayout(times);
    tf->addRow(QStringLiteral("Connection time-out:"),
               withUnit(times, m_edits[ConnectionPage::kConnOut], "seconds"));
    tf->addRow(QStringLiteral("Data time-out:"),
               withUnit(times, m_edits[ConnectionPage::kDataOut], "seconds"));
    tf->addRow(QStringLiteral("Retry delay:"),
               withUnit(times, m_edits[ConnectionPage::kRelayt], "seconds"));
    tf->addRow(QStringLiteral("Max simultaneous jobs:"), m_edits[ConnectionPage::kSimuRole]);
    tf->addRow(QStringLiteral("Number of retries:"), m_edits[ConnectionPage::kRetryNum]);
    tf->addRow(QString(), m_retry);

    auto* speed = new QGroupBox(QStringLiteral("Bandwidth"), this);
    auto* sf = new QFormLayout(speed);
    sf->addRow(QStringLiteral("Connection type:"), m_type);
    sf->addRow(QStringLiteral("Line speed:"),
               withUnit(speed, m_edits[ConnectionPage::kBandWidth], "b/s"));
    sf->addRow(QStringLiteral("Traffic in manual mode:"),
               withUnit(speed, m_edits[ConnectionPage::kManualBand], "b/s"));
    sf->addRow(QStringLiteral("Kept back in automatic mode:"),
               withUnit(speed, m_edits[ConnectionPage::kAutoBand], "b/s"));

    auto* col = new QVBoxLayout(this);
    col->addWidget(times);
    col->addWidget(speed);
    col->addStretch(1);
    connect(m_type, &QComboBox::activated, this, [this](int index) {
      ConnectionPage p = read();
      p.chooseType(index);
      showPage(p);
    });
  }

  void showValues() override { showPage(ConnectionPage::load(m_host.settings().connection)); }

  QLineEdit* leave(std::string& message) override {
    ConnectionPage p = read();
    FieldError e = p.check();
    if (!e.ok()) {
      message = e.message;
      return m_edits[static_cast<size_t>(e.field)];
    }
    p.store(m_host.settings().connection);
    return nullptr;
  }

 private:
  ConnectionPage read() const {
    ConnectionPage p;
    for (size_t i = 0; i < m_edits.size(); ++i) p.edits[i] = ss(m_edits[i]->text());
    p.typeIndex = m_type->currentIndex();
    p.alwaysRetry = m_retry->isChecked();
    return p;
  }
  void showPage(const ConnectionPage& p) {
    for (size_t i = 0; i < m_edits.size(); ++i) m_edits[i]->setText(qs(p.edits[i]));
    m_type->setCurrentIndex(p.typeIndex);
    m_retry->setChecked(p.alwaysRetry);
    m_edits[ConnectionPage::kBandWidth]->setEnabled(p.speedEditable());
  }

  std::array<QLineEdit*, 8> m_edits{};
  QComboBox* m_type;
  QCheckBox* m_retry;
};

// ---- Protocol ----

class ProtocolOptions final : public OptionsPage {
 public:
  explicit ProtocolOptions(OptionsHost& host) : OptionsPage(host) {
    m_referrer = new QCheckBox(QStringLiteral("Send Referrer"), this);
    m_cookies = new QCheckBox(QStringLiteral("Enable Cookies"), this);
    m_agent = new QComboBox(this);
    m_agent->setObjectName(QStringLiteral("userAgent"));
    for (const char* a : ProtocolPage::kAgents) m_agent->addItem(QString::fromLatin1(a));
    m_agent->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_agentText = new QLineEdit(this);
    m_agentText->setObjectName(QStringLiteral("userAgentText"));
    m_ascii = new QLineEdit(this);
    m_ascii->setObjectName(QStringLiteral("asciiMode"));
    m_mail = new QLineEdit(this);
    m_mail->setObjectName(QStringLiteral("ftpLoginMail"));

    auto* http = new QGroupBox(QStringLiteral("HTTP"), this);
    auto* hf = new QFormLayout(http);
    hf->addRow(m_referrer);
    hf->addRow(m_cookies);
    hf->addRow(QStringLiteral("User-Agent:"), m_agent);
    hf->addRow(QString(), m_agentText);
    auto* ftp = new QGroupBox(QStringLiteral("FTP"), this);
    auto* ff = new QVBoxLayout(ftp);
    ff->addWidget(new QLabel(QStringLiteral("Use ASCII mode for files of type:"), ftp));
    ff->addWidget(m_ascii);
    ff->addWidget(new QLabel(QStringLiteral("EMail Address for Anonymous FTP Logins:"), ftp));
    ff->addWidget(m_mail);
    auto* col = new QVBoxLayout(this);
    col->addWidget(http);
    col->addWidget(ftp);
    col->addStretch(1);
    connect(m_agent, &QComboBox::currentIndexChanged, this, [this](int index) {
      ProtocolPage p;
      p.agent = index;
      m_agentText->setEnabled(p.agentTextEditable());
    });
  }

  void showValues() override {
    ProtocolPage p = ProtocolPage::load(m_host.settings().protocol);
    m_referrer->setChecked(p.checks & protocolcheck::kSendReferrer);
    m_cookies->setChecked(p.checks & protocolcheck::kBrowserCookies);
    m_agent->setCurrentIndex(p.agent);
    m_agentText->setText(qs(p.agentText));
    m_agentText->setEnabled(p.agentTextEditable());
    m_ascii->setText(qs(p.asciiMode));
    m_mail->setText(qs(p.loginMail));
  }

  QLineEdit* leave(std::string&) override {
    ProtocolPage p;
    p.checks = (m_referrer->isChecked() ? protocolcheck::kSendReferrer : 0) |
               (m_cookies->isChecked() ? protocolcheck::kBrowserCookies : 0);
    p.agent = m_agent->currentIndex();
    p.agentText = ss(m_agentText->text());
    p.asciiMode = ss(m_ascii->text());
    p.loginMail = ss(m_mail->text());
    p.store(m_host.settings().protocol);
    return nullptr;
  }

 private:
  QCheckBox* m_referrer;
  QCheckBox* m_cookies;
  QComboBox* m_agent;
  QLineEdit* m_agentText;
  QLineEdit* m_ascii;
  QLineEdit* m_mail;
};

// ---- Monitor ----

class MonitorOptions final : public OptionsPage {
 public:
  explicit MonitorOptions(OptionsHost& host) : OptionsPage(host) {
    // Bit order of "Monitor".
    static constexpr std::array<const char*, 7> kCaptions = {"Monitor",
                                                             "Confirmation",
                                                             "Netscape Navigator 4.x/5.x",
                                                             "Confirmation",
                                                             "Fill comment with clipboard contents",
                                                             "Internet Explorer",
                                                             "Wild Match"};
    static constexpr std::array<const char*, 7> kNames = {
        "clipMonitor", "clipConfirm", "netscape", "browserConfirm",
        "fillComment", "browser",     "wildMatch"};
    for (size_t i = 0; i < kCaptions.size(); ++i) {
      m_bits[i] = new QCheckBox(QString::fromLatin1(kCaptions[i]), this);
      m_bits[i]->setObjectName(QString::fromLatin1(kNames[i]));
    }
    m_bits[2]->setEnabled(false);
    m_bits[6]->setEnabled(false);
    m_types = new QLineEdit(this);
    m_types->setObjectName(QStringLiteral("monitorType"));
    chainTabs({m_bits[0], m_bits[1], m_bits[4], m_bits[5], m_bits[3], m_types});

    auto* clip = new QGroupBox(QStringLiteral("Clipboard"), this);
    auto* cl = new QVBoxLayout(clip);
    cl->addWidget(m_bits[0]);
    cl->addWidget(m_bits[1]);
    cl->addWidget(m_bits[4]);
    auto* browser = new QGroupBox(QStringLiteral("Browser Clicks"), this);
    auto* bl = new QVBoxLayout(browser);
    bl->addWidget(m_bits[5]);
    bl->addWidget(m_bits[2]);
    bl->addWidget(m_bits[3]);
    bl->addWidget(m_bits[6]);
    auto* col = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(clip);
    top->addWidget(browser);
    col->addLayout(top);
    col->addWidget(new QLabel(QStringLiteral("Monitor these file types:"), this));
    col->addWidget(m_types);
    col->addStretch(1);
  }

  void showValues() override {
    MonitorPage p = MonitorPage::load(m_host.settings().general);
    for (size_t i = 0; i < m_bits.size(); ++i) m_bits[i]->setChecked(p.flags & (1u << i));
    m_types->setText(qs(p.types));
  }

  QLineEdit* leave(std::string&) override {
    MonitorPage p;
    for (size_t i = 0; i < m_bits.size(); ++i)
      if (m_bits[i]->isChecked()) p.flags |= 1u << i;
    p.types = ss(m_types->text());
    GeneralSettings& g = m_host.settings().general;
    p.store(g);
    m_types->setText(qs(g.monitorType));
    // The capture side reads these from the registry, so they are written now.
    m_host.registry().setDword(RegRoot::CurrentUser, settingkeys::kGeneral, "Monitor", g.monitor);
    m_host.registry().setString(RegRoot::CurrentUser, settingkeys::kGeneral, "MonitorType",
                                g.monitorType);
    m_host.clipboardWatch((g.monitor & 0x01) != 0);
    return nullptr;
  }

 private:
  std::array<QCheckBox*, 7> m_bits{};
  QLineEdit* m_types;
};

}  // namespace

OptionsPage* makeGeneralPage(OptionsHost& host) {
  return new GeneralOptions(host);
}
OptionsPage* makeConnectionPage(OptionsHost& host) {
  return new ConnectionOptions(host);
}
OptionsPage* makeProtocolPage(OptionsHost& host) {
  return new ProtocolOptions(host);
}
OptionsPage* makeMonitorPage(OptionsHost& host) {
  return new MonitorOptions(host);
}

}  // namespace fw
