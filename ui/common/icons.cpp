#include "ui/common/icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace fw {

namespace {

const QColor kGreen(0x2e, 0x9d, 0x4e);
const QColor kOrange(0xe0, 0x8a, 0x1e);
const QColor kBlue(0x2f, 0x6f, 0xd0);
const QColor kRed(0xd0, 0x44, 0x3c);
const QColor kGray(0x6b, 0x76, 0x85);
const QColor kDark(0x3a, 0x44, 0x52);
const QColor kPurple(0x7d, 0x4f, 0xc0);
const QColor kAmber(0xd9, 0x9a, 0x10);
const QColor kFolder(0xe8, 0xb3, 0x3c);
const QColor kFolderDark(0xc4, 0x8f, 0x1d);
const QColor kPaper(0xfb, 0xfb, 0xfb);

QPen pen(const QColor& c, qreal w) {
  QPen p(c, w);
  p.setCapStyle(Qt::RoundCap);
  p.setJoinStyle(Qt::RoundJoin);
  return p;
}

void disc(QPainter& p, const QColor& c) {
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawEllipse(QRectF(1.5, 1.5, 21, 21));
}

void playGlyph(QPainter& p, const QColor& c) {
  QPainterPath t;
  t.moveTo(9.5, 7);
  t.lineTo(17.5, 12);
  t.lineTo(9.5, 17);
  t.closeSubpath();
  p.setPen(pen(c, 1.2));
  p.setBrush(c);
  p.drawPath(t);
}

void pauseGlyph(QPainter& p, const QColor& c) {
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawRoundedRect(QRectF(8, 7, 3, 10), 1, 1);
  p.drawRoundedRect(QRectF(13, 7, 3, 10), 1, 1);
}

void arrow(QPainter& p, const QColor& c, bool up, qreal cx, qreal top, qreal bottom, qreal w) {
  p.setPen(pen(c, w));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(cx, top), QPointF(cx, bottom));
  qreal tip = up ? top : bottom;
  qreal d = up ? 5 : -5;
  p.drawLine(QPointF(cx, tip), QPointF(cx - 5, tip + d));
  p.drawLine(QPointF(cx, tip), QPointF(cx + 5, tip + d));
}

void page(QPainter& p, const QRectF& r, bool lines) {
  QPainterPath path;
  const qreal fold = 5;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(pen(kGray, 1.2));
  p.setBrush(kPaper);
  p.drawPath(path);
  p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
  p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
  if (lines) {
    p.setPen(pen(QColor(0x9a, 0xa5, 0xb4), 1.2));
    for (qreal y = r.top() + 8; y < r.bottom() - 2; y += 3.5)
      p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
  }
}

void folder(QPainter& p, const QColor& body, const QColor& tab) {
  p.setPen(Qt::NoPen);
  p.setBrush(tab);
  QPainterPath back;
  back.addRoundedRect(QRectF(2, 5, 20, 15), 2, 2);
  back.addRoundedRect(QRectF(2, 3.5, 9, 5), 1.5, 1.5);
  p.drawPath(back.simplified());
  p.setBrush(body);
  p.drawRoundedRect(QRectF(2, 8, 20, 12.5), 2, 2);
}

void badge(QPainter& p, const QColor& c) {
  p.setPen(pen(Qt::white, 1.2));
  p.setBrush(c);
  p.drawEllipse(QRectF(12, 11, 11, 11));
}

void checkGlyph(QPainter& p, const QColor& c, qreal w, const QPointF& a, const QPointF& b,
                const QPointF& d) {
  p.setPen(pen(c, w));
  p.setBrush(Qt::NoBrush);
  QPainterPath path;
  path.moveTo(a);
  path.lineTo(b);
  path.lineTo(d);
  p.drawPath(path);
}

void gear(QPainter& p, const QColor& c) {
  p.save();
  p.translate(12, 12);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  for (int i = 0; i < 8; ++i) {
    p.drawRoundedRect(QRectF(-2, -10.5, 4, 5), 1, 1);
    p.rotate(45);
  }
  p.drawEllipse(QRectF(-7.5, -7.5, 15, 15));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(-3, -3, 6, 6));
  p.restore();
}

void magnifier(QPainter& p) {
  p.setPen(pen(kDark, 2.6));
  p.setBrush(QColor(0xd8, 0xe8, 0xfa));
  p.drawEllipse(QRectF(3, 3, 12, 12));
  p.setPen(pen(kDark, 3.2));
  p.drawLine(QPointF(13.5, 13.5), QPointF(20.5, 20.5));
}

void clockGlyph(QPainter& p, const QColor& c) {
  p.setPen(pen(c, 1.8));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(12, 12), QPointF(12, 6.5));
  p.drawLine(QPointF(12, 12), QPointF(16, 14));
}

void draw(QPainter& p, Icon kind) {
  switch (kind) {
    case Icon::App:
    case Icon::CategoryRoot: {
      QLinearGradient g(0, 0, 0, 24);
      g.setColorAt(0, QColor(0x3c, 0x86, 0xe8));
      g.setColorAt(1, QColor(0x1f, 0x55, 0xb0));
      p.setPen(Qt::NoPen);
      p.setBrush(g);
      p.drawRoundedRect(QRectF(1, 1, 22, 22), 5, 5);
      arrow(p, Qt::white, false, 12, 4.5, 14.5, 2.6);
      p.setPen(pen(Qt::white, 2.4));
      p.drawLine(QPointF(5.5, 19), QPointF(18.5, 19));
      break;
    }
    case Icon::Start:
      disc(p, kGreen);
      playGlyph(p, Qt::white);
      break;
    case Icon::Stop:
      disc(p, kOrange);
      pauseGlyph(p, Qt::white);
      break;
    case Icon::New:
      disc(p, kBlue);
      p.setPen(pen(Qt::white, 2.6));
      p.drawLine(QPointF(12, 6.5), QPointF(12, 17.5));
      p.drawLine(QPointF(6.5, 12), QPointF(17.5, 12));
      break;
    case Icon::Delete:
      disc(p, kRed);
      p.setPen(pen(Qt::white, 2.6));
      p.drawLine(QPointF(8, 8), QPointF(16, 16));
      p.drawLine(QPointF(16, 8), QPointF(8, 16));
      break;
    case Icon::Properties:
      page(p, QRectF(4, 2, 16, 20), true);
      break;
    case Icon::Up:
      arrow(p, kBlue, true, 12, 3.5, 20.5, 3);
      break;
    case Icon::Down:
      arrow(p, kBlue, false, 12, 3.5, 20.5, 3);
      break;
    case Icon::Top:
      arrow(p, kBlue, true, 12, 7, 21, 3);
      p.setPen(pen(kDark, 2.4));
      p.drawLine(QPointF(5, 3), QPointF(19, 3));
      break;
    case Icon::Bottom:
      arrow(p, kBlue, false, 12, 3, 17, 3);
      p.setPen(pen(kDark, 2.4));
      p.drawLine(QPointF(5, 21), QPointF(19, 21));
      break;
    case Icon::OpenFile:
      page(p, QRectF(3, 2, 15, 19), false);
      p.setPen(pen(kGreen, 2.4));
      p.drawLine(QPointF(10, 16), QPointF(20, 6));
      p.drawLine(QPointF(20, 6), QPointF(14, 6));
      p.drawLine(QPointF(20, 6), QPointF(20, 12));
      break;
    case Icon::Folder:
    case Icon::CategoryUser:
      folder(p, kFolder, kFolderDark);
      break;
    case Icon::Find:
      magnifier(p);
      break;
    case Icon::AddBatch:
      page(p, QRectF(7, 2, 14, 16), false);
      page(p, QRectF(3, 6, 14, 16), true);
      badge(p, kBlue);
      p.setPen(pen(Qt::white, 1.8));
      p.drawLine(QPointF(17.5, 13.5), QPointF(17.5, 19.5));
      p.drawLine(QPointF(14.5, 16.5), QPointF(20.5, 16.5));
      break;
    case Icon::Options:
      gear(p, kGray);
      break;
    case Icon::Speed: {
      p.setPen(pen(kDark, 2.4));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(2.5, 5, 19, 19), 0 * 16, 180 * 16);
      p.setPen(pen(kGreen, 2.4));
      p.drawArc(QRectF(2.5, 5, 19, 19), 120 * 16, 60 * 16);
      p.setPen(pen(kRed, 2.6));
      p.drawLine(QPointF(12, 14.5), QPointF(17, 8.5));
      p.setPen(Qt::NoPen);
      p.setBrush(kDark);
      p.drawEllipse(QRectF(10, 12.5, 4, 4));
      break;
    }
    case Icon::ShutDown:
      p.setPen(pen(kRed, 2.8));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(4, 4.5, 16, 16), 125 * 16, -250 * 16);
      p.drawLine(QPointF(12, 2.5), QPointF(12, 11));
      break;
    case Icon::About:
    case Icon::Help:
      disc(p, kind == Icon::About ? kBlue : kPurple);
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      if (kind == Icon::About) {
        p.drawEllipse(QRectF(10.6, 5.5, 2.8, 2.8));
        p.drawRoundedRect(QRectF(10.6, 10, 2.8, 8.5), 1, 1);
      } else {
        p.setPen(pen(Qt::white, 2.4));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(8.5, 5.5, 7, 7), 160 * 16, -250 * 16);
        p.drawLine(QPointF(12, 12.5), QPointF(12, 14));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(10.7, 16, 2.6, 2.6));
      }
      break;
    case Icon::HomePage: {
      QPainterPath roof;
      roof.moveTo(2.5, 12);
      roof.lineTo(12, 3);
      roof.lineTo(21.5, 12);
      p.setPen(pen(kRed, 2.6));
      p.setBrush(Qt::NoBrush);
      p.drawPath(roof);
      p.setPen(pen(kDark, 1.4));
      p.setBrush(kPaper);
      p.drawRect(QRectF(5.5, 11, 13, 10));
      p.setBrush(kBlue);
      p.drawRect(QRectF(10, 14.5, 4, 6.5));
      break;
    }
    case Icon::Exit:
      p.setPen(pen(kDark, 1.6));
      p.setBrush(QColor(0xc9, 0xd2, 0xdd));
      p.drawRect(QRectF(3, 2.5, 11, 19));
      p.setPen(pen(kRed, 2.6));
      p.drawLine(QPointF(9, 12), QPointF(21, 12));
      p.drawLine(QPointF(21, 12), QPointF(17, 8));
      p.drawLine(QPointF(21, 12), QPointF(17, 16));
      break;
    case Icon::Comment: {
      QPainterPath b;
      b.addRoundedRect(QRectF(2.5, 3.5, 19, 13), 3, 3);
      QPainterPath tail;
      tail.moveTo(7, 15);
      tail.lineTo(6, 21);
      tail.lineTo(12, 15.5);
      p.setPen(pen(kGray, 1.3));
      p.setBrush(QColor(0xff, 0xf4, 0xc2));
      p.drawPath(b.united(tail));
      p.setPen(pen(kGray, 1.3));
      p.drawLine(QPointF(6.5, 8), QPointF(17.5, 8));
      p.drawLine(QPointF(6.5, 12), QPointF(14.5, 12));
      break;
    }
    case Icon::Rename:
      p.setPen(pen(kGray, 1.3));
      p.setBrush(kPaper);
      p.drawRoundedRect(QRectF(2, 7, 20, 10), 2, 2);
      p.setPen(pen(kBlue, 1.8));
      p.drawLine(QPointF(6, 12), QPointF(12, 12));
      p.setPen(pen(kDark, 1.6));
      p.drawLine(QPointF(15, 4.5), QPointF(15, 19.5));
      p.drawLine(QPointF(13, 4.5), QPointF(17, 4.5));
      p.drawLine(QPointF(13, 19.5), QPointF(17, 19.5));
      break;
    case Icon::Copy:
      page(p, QRectF(8, 2, 13, 15), false);
      page(p, QRectF(3, 7, 13, 15), true);
      break;
    case Icon::Save:
      p.setPen(pen(kDark, 1.4));
      p.setBrush(kBlue);
      p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
      p.setBrush(kPaper);
      p.drawRect(QRectF(7, 3, 10, 6));
      p.drawRect(QRectF(6, 13, 12, 8));
      break;
    case Icon::OpenDatabase:
      folder(p, kFolder, kFolderDark);
      p.setPen(pen(kBlue, 2.4));
      p.drawLine(QPointF(12, 18), QPointF(12, 11));
      p.drawLine(QPointF(12, 11), QPointF(9, 14));
      p.drawLine(QPointF(12, 11), QPointF(15, 14));
      break;
    case Icon::NewDatabase:
      page(p, QRectF(4, 2, 15, 19), false);
      badge(p, kGreen);
      p.setPen(pen(Qt::white, 1.8));
      p.drawLine(QPointF(17.5, 13.5), QPointF(17.5, 19.5));
      p.drawLine(QPointF(14.5, 16.5), QPointF(20.5, 16.5));
      break;
    case Icon::Web:
      p.setPen(pen(kBlue, 1.6));
      p.setBrush(QColor(0xe3, 0xef, 0xfd));
      p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QRectF(8, 2.5, 8, 19));
      p.drawLine(QPointF(2.5, 12), QPointF(21.5, 12));
      p.drawLine(QPointF(4.5, 7), QPointF(19.5, 7));
      p.drawLine(QPointF(4.5, 17), QPointF(19.5, 17));
      break;
    case Icon::Schedule:
    case Icon::StateScheduled:
      disc(p, kPurple);
      p.setPen(pen(Qt::white, 1.6));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QRectF(5.5, 5.5, 13, 13));
      clockGlyph(p, Qt::white);
      break;
    case Icon::Again:
      p.setPen(pen(kGreen, 2.6));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(4, 4, 16, 16), 60 * 16, 270 * 16);
      p.drawLine(QPointF(16, 2.5), QPointF(16.5, 7.5));
      p.drawLine(QPointF(16.5, 7.5), QPointF(11.5, 8));
      break;
    case Icon::Columns:
      p.setPen(pen(kGray, 1.3));
      p.setBrush(kPaper);
      p.drawRect(QRectF(2.5, 4.5, 19, 15));
      p.setBrush(QColor(0xc9, 0xd9, 0xf2));
      p.drawRect(QRectF(2.5, 4.5, 19, 4));
      p.drawLine(QPointF(9, 4.5), QPointF(9, 19.5));
      p.drawLine(QPointF(15, 4.5), QPointF(15, 19.5));
      break;
    case Icon::StateRunning:
      disc(p, kBlue);
      arrow(p, Qt::white, false, 12, 6, 17.5, 2.6);
      break;
    case Icon::StateComplete:
      disc(p, kGreen);
      checkGlyph(p, Qt::white, 2.8, {7, 12.5}, {10.5, 16}, {17, 8});
      break;
    case Icon::StateFailed:
      disc(p, kRed);
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      p.drawRoundedRect(QRectF(10.6, 5.5, 2.8, 8.5), 1.2, 1.2);
      p.drawEllipse(QRectF(10.6, 15.5, 2.8, 2.8));
      break;
    case Icon::StateQueued:
      disc(p, kAmber);
      p.setPen(pen(Qt::white, 1.6));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QRectF(5.5, 5.5, 13, 13));
      clockGlyph(p, Qt::white);
      break;
    case Icon::StateStopped:
      disc(p, QColor(0x9a, 0xa3, 0xae));
      pauseGlyph(p, Qt::white);
      break;
    case Icon::CategoryQueue:
      folder(p, kFolder, kFolderDark);
      arrow(p, kBlue, false, 12, 10, 18.5, 2.6);
      break;
    case Icon::CategoryDone:
      folder(p, kFolder, kFolderDark);
      checkGlyph(p, kGreen, 2.6, {7.5, 14}, {10.5, 17}, {16.5, 11});
      break;
    case Icon::CategoryDeleted:
      p.setPen(pen(kDark, 1.5));
      p.setBrush(QColor(0xd5, 0xdb, 0xe3));
      p.drawRoundedRect(QRectF(5.5, 7, 13, 14.5), 1.5, 1.5);
      p.drawLine(QPointF(3.5, 5.5), QPointF(20.5, 5.5));
      p.drawLine(QPointF(9.5, 3.5), QPointF(14.5, 3.5));
      p.drawLine(QPointF(9.5, 10), QPointF(9.5, 18.5));
      p.drawLine(QPointF(14.5, 10), QPointF(14.5, 18.5));
      break;
    case Icon::RoleAlive:
    case Icon::RoleIdle: {
      QColor c = kind == Icon::RoleAlive ? kGreen : QColor(0x9a, 0xa3, 0xae);
      p.setPen(pen(c, 2.2));
      p.setBrush(Qt::NoBrush);
      p.drawLine(QPointF(3, 12), QPointF(9, 12));
      p.drawLine(QPointF(15, 12), QPointF(21, 12));
      p.setBrush(c);
      p.setPen(Qt::NoPen);
      p.drawRoundedRect(QRectF(8, 6.5, 8, 11), 2, 2);
      break;
    }
  }
}

QIcon render(Icon kind) {
  QIcon out;
  for (int size : {16, 20, 22, 24, 32, 48, 64}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    draw(p, kind);
    p.end();
    out.addPixmap(pm);
  }
  return out;
}

}  // namespace

QIcon icon(Icon kind) {
  static QHash<int, QIcon> cache;
  auto it = cache.find(static_cast<int>(kind));
  if (it != cache.end()) return *it;
  QIcon made = render(kind);
  cache.insert(static_cast<int>(kind), made);
  return made;
}

}  // namespace fw
