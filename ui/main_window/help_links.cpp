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

QUrl homePageUrl(const std::string& homePage) {
  QUrl url(QString::fromStdString(homePage));
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == "http" || scheme == "https") ? url : QUrl();
}

QUrl faqUrl(const std::string& homePage) {
  QUrl home = homePageUrl(homePage);
  return home.isValid() ? home.resolved(QUrl(QStringLiteral("faq.html"))) : QUrl();
}

}  // namespace fw
