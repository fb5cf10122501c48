#include "ui/options/options_sheet.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/options/options_pages.h"

namespace fw {

OptionsSheet::OptionsSheet(OptionsHost& host, int page, QWidget* parent)
    : QDialog(parent), m_host(host) {
  setWindowTitle(QStringLiteral("Options"));
  m_tabs = new QTabWidget(this);
  m_tabs->setUsesScrollButtons(false);
  m_pages = {makeGeneralPage(host),     makeConnectionPage(host), makeProxyPage(host),
             makeProtocolPage(host),    makeMonitorPage(host),    makeGraphPage(host),
             makeFileManagerPage(host), makeDialUpPage(host),     makeSchedulePage(host),
             makeSoundsPage(host),      makeOtherPage(host)};
  for (int i = 0; i < kPageCount; ++i)
    m_tabs->addTab(m_pages[static_cast<size_t>(i)],
                   QString::fromLatin1(kCaptions[static_cast<size_t>(i)]));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* col = new QVBoxLayout(this);
  col->addWidget(m_tabs);
  col->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &OptionsSheet::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  m_current = page >= 0 && page < kPageCount ? page : 0;
  {
    QSignalBlocker block(m_tabs);
    m_tabs->setCurrentIndex(m_current);
  }
  m_pages[static_cast<size_t>(m_current)]->showValues();
  connect(m_tabs, &QTabWidget::currentChanged, this, &OptionsSheet::tabChanged);
}

bool OptionsSheet::showPage(int page) {
  m_tabs->setCurrentIndex(page);
  return m_current == page;
}

bool OptionsSheet::leaveCurrent() {
  std::string message;
  QLineEdit* refused = m_pages[static_cast<size_t>(m_current)]->leave(message);
  if (!refused) return true;
  // The page is showing again before the warning, so that the edit can take the focus.
  if (m_tabs->currentIndex() != m_current) {
    QSignalBlocker block(m_tabs);
    m_tabs->setCurrentIndex(m_current);
  }
  m_host.boxes().show(message, BoxIcon::Warning, BoxButtons::Ok);
  refused->setFocus();
  refused->selectAll();
  return false;
}

void OptionsSheet::tabChanged(int to) {
  if (to == m_current || !leaveCurrent()) return;
  m_current = to;
  m_pages[static_cast<size_t>(m_current)]->showValues();
}

void OptionsSheet::accept() {
  if (!leaveCurrent()) return;
  QDialog::accept();
}

}  // namespace fw
