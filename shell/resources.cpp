#include "shell/resources.h"

#include "toolkit/fonts.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace shell {

namespace {
// A picture of this size in logical pixels, drawn for the densest screen: sharp there and
// scaled down smoothly on the others.
QPixmap canvas(int width, int height) {
    const qreal ratio = std::max<qreal>(1, qApp->devicePixelRatio());
    QPixmap pm(QSize(width, height) * ratio);
    pm.setDevicePixelRatio(ratio);
    return pm;
}

QPixmap face(const QString& text) {
    QPixmap pm = canvas(173, 34);
    pm.fill(QColor(255, 248, 220));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 90, 20), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(1, 1, 171, 32), 6, 6);
    p.setBrush(QColor(200, 40, 30));
    p.setPen(Qt::NoPen);
    QPainterPath arrow;
    arrow.moveTo(10, 11);
    arrow.lineTo(26, 11);
    arrow.lineTo(18, 24);
    arrow.closeSubpath();
    p.drawPath(arrow);
    QFont f = tk::thaiFont(QStringLiteral("Tahoma"), 10);
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(110, 30, 10));
    p.drawText(QRect(32, 0, 138, 34), Qt::AlignVCenter | Qt::AlignLeft, text);
    return pm;
}
} // namespace

QPixmap bannerPicture() {
    QPixmap pm = canvas(300, 42);
    const QRect area(0, 0, 300, 42);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 300, 0);
    g.setColorAt(0, QColor(120, 20, 10));
    g.setColorAt(1, QColor(200, 120, 30));
    p.fillRect(area, g);
    QFont f = tk::thaiFont(QStringLiteral("Browallia New"), 14);
    f.setPixelSize(22);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(255, 230, 150));
    p.drawText(area, Qt::AlignCenter, QStringLiteral("หัวข้อธรรมจากพระไตรปิฎก"));
    return pm;
}

QPixmap openGroupPicture() {
    return face(QStringLiteral("เปิดหัวข้อธรรม"));
}
QPixmap openCanonPicture() {
    return face(QStringLiteral("เปิดอ่านพระไตรปิฎก"));
}

QPixmap closedArrowPicture() {
    QPixmap pm = canvas(44, 43);
    pm.fill(QColor(85, 85, 85));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(220, 220, 220));
    p.setPen(Qt::NoPen);
    p.drawEllipse(4, 4, 36, 35);
    p.setBrush(QColor(60, 60, 60));
    QPainterPath a;
    a.moveTo(17, 11);
    a.lineTo(30, 21);
    a.lineTo(17, 31);
    a.closeSubpath();
    p.drawPath(a);
    return pm;
}

QPixmap aboutPicture() {
    QPixmap pm = canvas(150, 150);
    pm.fill(QColor(255, 248, 220));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(170, 40, 20));
    p.setPen(Qt::NoPen);
    p.drawEllipse(15, 15, 120, 120);
    // A dhamma wheel.
    p.setPen(QPen(QColor(250, 210, 90), 5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(40, 40, 70, 70);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(75, 75);
        p.rotate(i * 45);
        p.drawLine(0, 0, 0, -35);
        p.restore();
    }
    return pm;
}

} // namespace shell
