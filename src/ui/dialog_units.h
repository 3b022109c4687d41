#pragma once
// Dialog templates place controls in dialog units, which depend on the dialog's font.

#include <QFont>
#include <QFontMetricsF>
#include <QRect>

#include <cmath>

namespace querimo {

// Dialog units of the templates' 8-point font at 96 dpi.
inline constexpr double kPixelsPerUnitX = 1.5;
inline constexpr double kPixelsPerUnitY = 1.625;

inline QRect DialogUnitsToPixels(int x, int y, int width, int height) {
    auto px = [](double units, double scale) {
        return static_cast<int>(std::lround(units * scale));
    };
    return QRect(px(x, kPixelsPerUnitX), px(y, kPixelsPerUnitY), px(width, kPixelsPerUnitX),
                 px(height, kPixelsPerUnitY));
}

inline QRect DialogUnitsToPixels(const QRect& units) {
    return DialogUnitsToPixels(units.x(), units.y(), units.width(), units.height());
}

// The font at the largest size up to 8 points whose characters are on average no wider than the
// templates' horizontal base unit (four dialog units), so that their texts fit their places.
inline QFont DialogTemplateFont(QFont font) {
    constexpr double kLargestPoints = 8.0;
    constexpr double kSmallestPoints = 6.0;
    const QString sample = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    for (double points = kLargestPoints; points > kSmallestPoints; points -= 0.25) {
        font.setPointSizeF(points);
        if (QFontMetricsF(font).horizontalAdvance(sample) / sample.size() <= 4 * kPixelsPerUnitX) {
            break;
        }
    }
    return font;
}

}  // namespace querimo
