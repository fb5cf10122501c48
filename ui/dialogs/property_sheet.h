#pragma once
// The job property sheet "Property Dialog" with its pages "General", "Advanced" and
// "Alternate URLs", for a new job and for an existing one. Its values and checks are in
// job_sheet_values.h; the sheet shows them, runs the "General" page's checks when that
// page is left or OK is pressed (the message, then the focus on the failing field with its
// text selected, the sheet kept open), and hands the checked values back. What OK then
// does (adding, updating) is the caller's, with the functions of job_sheet_values.h.
//
// Main (GUI) thread only.

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "store/category_tree.h"
#include "store/settings_records.h"
#include "ui/dialogs/job_sheet_values.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace fw {

class MessageBoxes;

class PropertySheet : public QDialog {
  Q_OBJECT

 public:
  // `settings` gives the proxy list and the split maximum; `tree` the categories.
  PropertySheet(const Settings& settings, const CategoryTree& tree, const JobSheetValues& values,
                MessageBoxes& boxes, QWidget* parent = nullptr);

  // The values as the pages show them now (checked ones once accepted).
  JobSheetValues values() const;
  void setValues(const JobSheetValues& values);
  // "Save as default" passes the page's values here.
  void setSaveAsDefault(std::function<void(const JobSheetValues&)> save) {
    m_saveDefault = std::move(save);
  }
  void accept() override;

  // For tests and the gallery.
  QTabWidget* tabs() const { return m_tabs; }
  QLineEdit* urlEdit() const { return m_url; }
  QLineEdit* folderEdit() const { return m_folder; }
  QLineEdit* nameEdit() const { return m_name; }
  QLineEdit* alternateEdit() const { return m_altEdit; }
  QPushButton* alternateAddButton() const { return m_altAdd; }
  QListWidget* alternateList() const { return m_altList; }
  QPushButton* saveDefaultButton() const { return m_saveDefaultButton; }

 private:
  QWidget* buildGeneral(const CategoryTree& tree);
  QWidget* buildAdvanced();
  QWidget* buildAlternate();
  // The checks; on a failure the message is shown and the field takes the focus.
  bool checkGeneral();
  void onTabChanged(int index);

  const Settings& m_settings;
  MessageBoxes& m_boxes;
  std::function<void(const JobSheetValues&)> m_saveDefault;
  int m_lastTab = 0;
  bool m_checking = false;

  QTabWidget* m_tabs = nullptr;
  QLineEdit* m_url = nullptr;
  QLineEdit* m_referrer = nullptr;
  QComboBox* m_category = nullptr;
  QLineEdit* m_folder = nullptr;
  QLineEdit* m_name = nullptr;
  QSpinBox* m_split = nullptr;
  QComboBox* m_rate = nullptr;
  QComboBox* m_start = nullptr;
  QPlainTextEdit* m_comment = nullptr;
  QPushButton* m_saveDefaultButton = nullptr;
  QCheckBox* m_ftpSubdirs = nullptr;
  QCheckBox* m_ftpCreateDirs = nullptr;
  QCheckBox* m_ftpCategory = nullptr;
  QLineEdit* m_user = nullptr;
  QLineEdit* m_password = nullptr;
  QComboBox* m_httpProxy = nullptr;
  QComboBox* m_ftpProxy = nullptr;
  QCheckBox* m_multiProxy = nullptr;
  QListWidget* m_altList = nullptr;
  QLineEdit* m_altEdit = nullptr;
  QPushButton* m_altAdd = nullptr;
  QPushButton* m_altDelete = nullptr;
};

}  // namespace fw
