#include "wizard/MIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>
#include <map>

namespace pf::wizard::MIcons {

namespace {

constexpr int kSize = 32;

using Painter = std::function<void(QPainter&)>;

void Page(QPainter& p, const QColor& fold) {
  p.setPen(QPen(QColor(70, 70, 90), 1.5));
  p.setBrush(Qt::white);
  QPainterPath path;
  path.moveTo(7, 3);
  path.lineTo(20, 3);
  path.lineTo(26, 9);
  path.lineTo(26, 29);
  path.lineTo(7, 29);
  path.closeSubpath();
  p.drawPath(path);
  p.setBrush(fold);
  p.drawPolygon(QPolygonF({QPointF(20, 3), QPointF(20, 9), QPointF(26, 9)}));
}

void Lines(QPainter& p, const QColor& c) {
  p.setPen(QPen(c, 2));
  for (int y : {13, 18, 23}) p.drawLine(10, y, 23, y);
}

void Letter(QPainter& p, const QRectF& r, const QString& text, const QColor& c, int px) {
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(px);
  p.setFont(f);
  p.setPen(c);
  p.drawText(r, Qt::AlignCenter, text);
}

void Database(QPainter& p) {
  p.setPen(QPen(QColor(30, 70, 120), 1.5));
  p.setBrush(QColor(90, 150, 210));
  p.drawRect(QRectF(6, 8, 20, 17));
  p.drawEllipse(QRectF(6, 20, 20, 8));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(6.8, 9, 18.4, 15));
  p.setPen(QPen(QColor(30, 70, 120), 1.5));
  p.setBrush(QColor(160, 200, 240));
  p.drawEllipse(QRectF(6, 4, 20, 8));
}

const std::map<QString, Painter>& Painters() {
  static const std::map<QString, Painter> painters = {
      {"Procforge",
       [](QPainter& p) {
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(35, 75, 140));
         p.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
         p.setBrush(QColor(240, 150, 40));
         p.drawRect(QRectF(7, 22, 18, 4));
         Letter(p, QRectF(2, 0, 28, 24), "P", Qt::white, 20);
       }},
      {"Write",
       [](QPainter& p) {
         Page(p, QColor(220, 220, 230));
         Lines(p, QColor(120, 120, 140));
         p.setPen(QPen(QColor(200, 120, 30), 3, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(14, 27, 28, 13);
       }},
      {"Server2", [](QPainter& p) { Database(p); }},
      {"Wizard",
       [](QPainter& p) {
         p.setPen(QPen(QColor(90, 60, 30), 3, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(6, 28, 19, 15);
         p.setPen(QPen(QColor(200, 150, 0), 1));
         p.setBrush(QColor(255, 210, 40));
         QPolygonF star;
         for (int i = 0; i < 10; ++i) {
           const double a = -M_PI / 2 + i * M_PI / 5, r = i % 2 ? 4.0 : 9.0;
           star << QPointF(22 + r * std::cos(a), 10 + r * std::sin(a));
         }
         p.drawPolygon(star);
       }},
      {"SProc",
       [](QPainter& p) {
         Database(p);
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(240, 150, 40));
         p.drawEllipse(QRectF(16, 16, 14, 14));
         Letter(p, QRectF(16, 16, 14, 14), "P", Qt::white, 10);
       }},
      // A sheet of settings: a ticked square here read as a check box that does nothing.
      {"OptCh",
       [](QPainter& p) {
         p.setPen(QPen(QColor(90, 100, 120), 1.5));
         p.setBrush(QColor(250, 250, 252));
         p.drawPolygon(QPolygonF({QPointF(8, 3), QPointF(20, 3), QPointF(26, 9), QPointF(26, 29), QPointF(8, 29)}));
         p.setPen(QPen(QColor(70, 110, 170), 2, Qt::SolidLine, Qt::RoundCap));
         for (const double y : {12.0, 17.0, 22.0}) p.drawLine(QPointF(12, y), QPointF(22, y));
       }},
      {"RemAuto",
       [](QPainter& p) {
         p.setPen(QPen(QColor(60, 40, 110), 1.5));
         p.setBrush(QColor(150, 120, 210));
         p.drawPolygon(QPolygonF({QPointF(16, 4), QPointF(28, 10), QPointF(16, 16), QPointF(4, 10)}));
         p.setBrush(QColor(110, 80, 180));
         p.drawPolygon(QPolygonF({QPointF(4, 10), QPointF(16, 16), QPointF(16, 29), QPointF(4, 23)}));
         p.setBrush(QColor(80, 55, 150));
         p.drawPolygon(QPolygonF({QPointF(28, 10), QPointF(16, 16), QPointF(16, 29), QPointF(28, 23)}));
       }},
      {"ErrH",
       [](QPainter& p) {
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(200, 40, 40));
         p.drawEllipse(QRectF(3, 3, 26, 26));
         Letter(p, QRectF(3, 3, 26, 26), "!", Qt::white, 20);
       }},
      {"Init",
       [](QPainter& p) {
         p.setPen(QPen(QColor(90, 90, 100), 2.5, Qt::SolidLine, Qt::RoundCap));
         for (int y : {9, 16, 23}) p.drawLine(5, y, 27, y);
         p.setPen(QPen(QColor(30, 70, 120), 1.5));
         p.setBrush(QColor(90, 150, 210));
         for (auto [x, y] : {std::pair{20, 9}, std::pair{10, 16}, std::pair{17, 23}})
           p.drawEllipse(QPointF(x, y), 3.5, 3.5);
       }},
      {"IncCode",
       [](QPainter& p) {
         Page(p, QColor(220, 220, 230));
         Lines(p, QColor(120, 120, 140));
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(30, 140, 60));
         p.drawEllipse(QRectF(15, 15, 15, 15));
         Letter(p, QRectF(15, 15, 15, 15), "+", Qt::white, 14);
       }},
      {"Class",
       [](QPainter& p) {
         Page(p, QColor(180, 200, 235));
         Letter(p, QRectF(7, 9, 19, 20), "C", QColor(35, 75, 140), 15);
       }},
      {"Flash",
       [](QPainter& p) {
         p.setPen(QPen(QColor(190, 120, 0), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
         p.setBrush(QColor(255, 200, 30));
         p.drawPolygon(QPolygonF({QPointF(19, 2), QPointF(7, 18), QPointF(15, 18), QPointF(12, 30), QPointF(25, 12),
                                  QPointF(17, 12), QPointF(21, 2)}));
       }},
      {"VBProject",
       [](QPainter& p) {
         p.setPen(QPen(QColor(150, 110, 20), 1.5));
         p.setBrush(QColor(240, 200, 90));
         p.drawPolygon(QPolygonF({QPointF(3, 8), QPointF(12, 8), QPointF(15, 11), QPointF(29, 11), QPointF(29, 27),
                                  QPointF(3, 27)}));
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(30, 140, 60));
         p.drawPolygon(QPolygonF({QPointF(13, 14), QPointF(23, 19), QPointF(13, 24)}));
       }},
  };
  return painters;
}

QIcon Draw(const Painter& paint) {
  QIcon icon;
  for (int scale : {1, 2}) {
    QPixmap pm(kSize * scale, kSize * scale);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    paint(p);
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace

QIcon TreeImage(const QString& key) {
  static std::map<QString, QIcon> cache;
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  const auto& painters = Painters();
  const auto found = painters.find(key);
  const QIcon icon = Draw(found != painters.end() ? found->second : Painter([](QPainter& p) {
    Page(p, QColor(220, 220, 230));
  }));
  cache.emplace(key, icon);
  return icon;
}

QIcon AppIcon() { return TreeImage("Procforge"); }

}  // namespace pf::wizard::MIcons
