// New jobs: the URLs offered from outside, the new-job property sheet, the property sheet
// of a job, the "Select Url" windows and "Add batch download...".

#include <QTimer>

#include "engine/url/url_parse.h"
#include "store/settings_io.h"
#include "ui/dialogs/batch_dialog.h"
#include "ui/dialogs/property_sheet.h"
#include "ui/dialogs/select_url_logic.h"
#include "ui/dialogs/select_url_window.h"
#include "ui/main_window/main_window.h"

namespace fw {

namespace {

UrlRow rowFor(const std::string& url) {
  UrlParts parts;
  std::string name = parseUrl(std::string_view(url), parts) == 1 ? parts.fileName : url;
  return UrlRow{name, url, name};
}

}  // namespace

void MainWindow::offerUrls(const std::vector<AddJobRequest>& requests, UrlSource source) {
  if (m_session.closing()) return;
  switch (decideOffer(source, requests.size(), m_session.settings().general)) {
    case OfferAction::Nothing:
      return;
    case OfferAction::AddNow:
      for (const AddJobRequest& r : requests) addJobNow(r);
      return;
    case OfferAction::PropertySheet: {
      const AddJobRequest& r = requests.front();
      NewJobOffer offer{r.url, r.referer, r.comment};
      QTimer::singleShot(0, this, [this, offer] {
        if (m_session.closing()) return;
        raiseWindow();
        openNewJobSheet(offer);
      });
      return;
    }
    case OfferAction::SelectUrl: {
      std::vector<UrlRow> rows;
      for (const AddJobRequest& r : requests) rows.push_back(rowFor(r.url));
      openSelectUrl(rows);
      return;
    }
  }
}

std::optional<JobSheetValues> MainWindow::openNewJobSheet(
    const NewJobOffer& offer, const std::vector<std::string>& furtherUrls) {
  if (m_session.closing()) return std::nullopt;
  ModalScope modal(*this);
  Settings& settings = m_session.settings();
  PropertySheet sheet(settings, m_session.tree(),
                      newJobValues(settings, offer.url, offer.referrer, offer.comment), *m_boxes,
                      this);
  sheet.setSaveAsDefault([this](const JobSheetValues& v) {
    saveAsDefault(v, m_session.settings().general);
    generalSettingsIo(m_session.registry(), m_session.settings().general, 2);
    m_session.settingsChanged();
  });
  if (sheet.exec() != QDialog::Accepted) return std::nullopt;
  JobSheetValues values = sheet.values();
  JobContext ctx = m_session.jobContext();
  NewJobResult added = addNewJobs(ctx, values, furtherUrls);
  if (!added.refusal.empty()) m_boxes->show(added.refusal, BoxIcon::Warning, BoxButtons::Ok);
  updateStatusCounts();
  return values;
}

void MainWindow::onProperty() {
  std::vector<JobRecord*> sel = selectedJobs();
  if (sel.size() != 1) return;
  JobRecord* job = sel.front();
  ModalScope modal(*this);
  PropertySheet sheet(m_session.settings(), m_session.tree(), jobValues(*job), *m_boxes, this);
  sheet.setSaveAsDefault([this](const JobSheetValues& v) {
    saveAsDefault(v, m_session.settings().general);
    generalSettingsIo(m_session.registry(), m_session.settings().general, 2);
    m_session.settingsChanged();
  });
  if (sheet.exec() != QDialog::Accepted) return;
  // The job may have ended and been removed while the sheet was open.
  CategoryRecord* holder = m_session.tree().holderOf(*job);
  if (!holder) return;
  const JobSheetValues values = sheet.values();
  const uint16_t before = job->category;
  applyToJob(*job, values);
  // A finished job is filed in its category: a category the user changed takes it there. A
  // queued job goes to its category when it finishes.
  if (holder->id != kCategoryDownload && values.category != before &&
      m_session.tree().findCategory(values.category)) {
    JobContext ctx = m_session.jobContext();
    moveJob(ctx, *job, values.category, false);
    refreshJobList();
  } else {
    jobChanged(*job);
  }
  refreshPanes();
}

SelectUrlWindow* MainWindow::openSelectUrl(const std::vector<UrlRow>& rows) {
  if (m_session.closing() || rows.empty()) return nullptr;
  auto* window = new SelectUrlWindow(rows, [this](const std::vector<std::string>& urls) {
    processChosenUrls(
        urls, *m_boxes,
        [this](const std::string& url) {
          return openNewJobSheet(NewJobOffer{url, {}, {}});
        },
        [this](const JobSheetValues& first, const std::vector<std::string>& rest) {
          JobContext ctx = m_session.jobContext();
          int added = addFurtherJobs(ctx, first, rest);
          updateStatusCounts();
          return added;
        });
  });
  m_selectUrls.erase(std::remove(m_selectUrls.begin(), m_selectUrls.end(), nullptr),
                     m_selectUrls.end());
  m_selectUrls.push_back(window);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

bool MainWindow::addJobNow(const AddJobRequest& request) {
  if (m_session.closing()) return false;
  JobContext ctx = m_session.jobContext();
  bool added = addJob(ctx, request) != nullptr;
  if (added) updateStatusCounts();
  return added;
}

int MainWindow::selectUrlWindowCount() const {
  int n = 0;
  for (const QPointer<SelectUrlWindow>& w : m_selectUrls)
    if (w) ++n;
  return n;
}

void MainWindow::closeSelectUrlWindows() {
  for (const QPointer<SelectUrlWindow>& w : m_selectUrls)
    if (w) w->close();
  m_selectUrls.clear();
}

void MainWindow::onAddBatch() {
  BatchDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  std::vector<AddJobRequest> requests;
  for (const std::string& url : dialog.urls()) {
    AddJobRequest r;
    r.url = url;
    requests.push_back(std::move(r));
  }
  offerUrls(requests, UrlSource::Batch);
}

}  // namespace fw
