#include "widgets/Logo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QPixmap tavixLogo(int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    // Drawn on a 100 x 100 grid and scaled, so every size looks alike.
    painter.scale(side / 100.0, side / 100.0);

    QLinearGradient background(0, 0, 0, 100);
    background.setColorAt(0.0, QColor(0x1F, 0x4E, 0x9A));
    background.setColorAt(1.0, QColor(0x0B, 0x25, 0x55));
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(2, 2, 96, 96), 18, 18);

    QPainterPath speaker;
    speaker.moveTo(18, 40);
    speaker.lineTo(32, 40);
    speaker.lineTo(50, 24);
    speaker.lineTo(50, 76);
    speaker.lineTo(32, 60);
    speaker.lineTo(18, 60);
    speaker.closeSubpath();
    painter.setBrush(QColor(0xF2, 0xF5, 0xFA));
    painter.drawPath(speaker);

    painter.setBrush(Qt::NoBrush);
    const QColor waveColours[] = {QColor(0xFF, 0xB0, 0x20), QColor(0xFF, 0x80, 0x00),
                                  QColor(0xE0, 0x40, 0x10)};
    for (int i = 0; i < 3; ++i) {
        const double radius = 12 + 11 * i;
        painter.setPen(QPen(waveColours[i], 6, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(QRectF(50 - radius, 50 - radius, 2 * radius, 2 * radius), -45 * 16,
                        90 * 16);
    }
    return pixmap;
}
