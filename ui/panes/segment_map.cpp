#include "ui/panes/segment_map.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "ui/panes/segment_spans.h"

namespace fw {

namespace {

const QColor kDoneColor(0x3b, 0x8e, 0xd8);
const QColor kActiveColor(0xf2, 0xa1, 0x2c);
const QColor kMissingColor(0xe2, 0xe5, 0xea);
const QColor kFrameColor(0x9a, 0xa3, 0xae);
const QColor kHeadColor(0xa8, 0x5a, 0x00);

QColor colorOf(SpanKind k) {
  switch (k) {
    case SpanKind::Done:
      return kDoneColor;
    case SpanKind::Active:
      return kActiveColor;
    case SpanKind::Missing:
      return kMissingColor;
  }
  return kMissingColor;
}

constexpr int kBarHeight = 18;
constexpr int kMargin = 6;

}  // namespace

SegmentMap::SegmentMap(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAccessibleName(QStringLiteral("Segment map"));
}

void SegmentMap::setProgress(const ShownProgress& progress, bool complete, bool sizeInBytes) {
  m_progress = progress;
  m_complete = complete;
  m_sizeInBytes = sizeInBytes;
  m_empty = false;
  update();
}

void SegmentMap::clear() {
  m_empty = true;
  m_progress = ShownProgress{};
  update();
}

QSize SegmentMap::sizeHint() const {
  return {400, minimumSizeHint().height()};
}

QSize SegmentMap::minimumSizeHint() const {
  return {120, kMargin * 3 + kBarHeight + fontMetrics().height()};
}

void SegmentMap::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRect bar(kMargin, kMargin, width() - 2 * kMargin, kBarHeight);
  QPainterPath clip;
  clip.addRoundedRect(QRectF(bar).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);

  p.save();
  p.setClipPath(clip);
  p.fillRect(bar, kMissingColor);
  if (!m_empty) {
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const Span& s : segmentSpans(m_progress, m_complete, bar.width()))
      p.fillRect(QRect(bar.left() + s.x0, bar.top(), s.x1 - s.x0, bar.height()), colorOf(s.kind));
    // Where each Role is writing now.
    for (const RangeProgress& r : m_progress.ranges) {
      if (!r.inUse || m_progress.fileSize <= 0) continue;
      const int x = bar.left() + static_cast<int>(static_cast<long double>(r.start) * bar.width() /
                                                  m_progress.fileSize);
      p.fillRect(QRect(std::min(x, bar.right() - 1), bar.top(), 2, bar.height()), kHeadColor);
    }
  }
  p.restore();
  p.setPen(QPen(kFrameColor, 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(clip);

  // Legend, then the amount received at the right.
  const int y = bar.bottom() + kMargin;
  const int h = fontMetrics().height();
  int x = kMargin;
  p.setRenderHint(QPainter::Antialiasing, false);
  const std::pair<SpanKind, QString> legend[] = {{SpanKind::Done, QStringLiteral("Received")},
                                                 {SpanKind::Active, QStringLiteral("Receiving")},
                                                 {SpanKind::Missing, QStringLiteral("Missing")}};
  for (const auto& [kind, text] : legend) {
    QRect swatch(x, y + (h - 10) / 2, 10, 10);
    p.fillRect(swatch, colorOf(kind));
    p.setPen(kFrameColor);
    p.drawRect(swatch.adjusted(0, 0, -1, -1));
    p.setPen(palette().color(QPalette::WindowText));
    x += 14;
    p.drawText(QRect(x, y, 200, h), Qt::AlignLeft | Qt::AlignVCenter, text);
    x += fontMetrics().horizontalAdvance(text) + 16;
  }
  if (!m_empty) {
    QString amount;
    if (m_progress.fileSize > 0) {
      amount = QStringLiteral("%1 of %2 (%3%)")
                   .arg(QString::fromStdString(sizeText(m_progress.downloaded, m_sizeInBytes)))
                   .arg(QString::fromStdString(sizeText(m_progress.fileSize, m_sizeInBytes)))
                   .arg(percentComplete(m_progress.downloaded, m_progress.fileSize));
    } else {
      amount = QString::fromStdString(sizeText(m_progress.downloaded, m_sizeInBytes));
    }
    p.drawText(QRect(x, y, width() - kMargin - x, h), Qt::AlignRight | Qt::AlignVCenter, amount);
  }
}

}  // namespace fw
