#include "ui/main_window/help_links.h"

#include <QFileInfo>

#include "platform/paths.h"

namespace fw {

QString manualPath() {
  QString installed = QString::fromStdString(shareDir() + "/manual.html");
  if (QFileInfo::exists(installed)) return installed;
  QString source = QStringLiteral(FW_MANUAL_SOURCE);
  return QFileInfo::exists(source) ? source : QString();
}

QUrl homePageUrl() {
  return QUrl(QStringLiteral(FW_HOME_PAGE));
}

QUrl faqUrl() {
  return homePageUrl().resolved(QUrl(QStringLiteral("faq.html")));
}

}  // namespace fw
