#pragma once
// The segment map under the detail tabs: the selected job's file as a bar, received bytes,
// bytes a Role is fetching and missing bytes each in one colour, with a legend and the
// received amount. Redrawn with the one-second tick.
//
// Main thread only.

#include <QWidget>

#include "ui/panes/shown_progress.h"

namespace fw {

class SegmentMap : public QWidget {
  Q_OBJECT

 public:
  explicit SegmentMap(QWidget* parent = nullptr);

  void setProgress(const ShownProgress& progress, bool complete, bool sizeInBytes);
  void clear();

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ShownProgress m_progress;
  bool m_complete = false;
  bool m_sizeInBytes = false;
  bool m_empty = true;
};

}  // namespace fw
