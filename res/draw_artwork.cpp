// Draws Querimo's own artwork: the application icon in several sizes and the splash picture.
// The pictures are committed; run this again only to change them:
//   cmake --build build --target querimo_draw_artwork
//   QT_QPA_PLATFORM=offscreen build/src/ui/querimo_draw_artwork res
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <cstdio>

namespace {

const QColor kDeepBlue(0x0E, 0x3A, 0x73);
const QColor kBlue(0x1E, 0x5A, 0xA8);
const QColor kPaper(0xEA, 0xF2, 0xFB);
const QColor kOutline(0x0A, 0x2A, 0x55);
const QColor kAmber(0xF5, 0xA6, 0x23);

// The icon in a 256-unit square: a database drum under a magnifying glass.
void DrawIcon(QPainter& painter) {
    QLinearGradient background(0, 0, 0, 256);
    background.setColorAt(0, kBlue);
    background.setColorAt(1, kDeepBlue);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);

    const QRectF top(52, 52, 120, 40);
    const qreal bottomY = 170;
    QPainterPath drum;
    drum.moveTo(top.left(), top.center().y());
    drum.lineTo(top.left(), bottomY);
    drum.arcTo(QRectF(top.left(), bottomY - 20, top.width(), 40), 180, 180);
    drum.lineTo(top.right(), top.center().y());
    drum.arcTo(top, 0, 180);
    painter.setPen(QPen(kOutline, 6));
    painter.setBrush(kPaper);
    painter.drawPath(drum);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(top);
    for (qreal bandY : {112.0, 141.0}) {
        painter.drawArc(QRectF(top.left(), bandY - 20, top.width(), 40), 180 * 16, 180 * 16);
    }

    painter.setPen(QPen(kAmber, 24, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(198, 198), QPointF(226, 226));
    QRadialGradient lens(QPointF(166, 166), 40);
    lens.setColorAt(0, QColor(255, 255, 255, 150));
    lens.setColorAt(1, QColor(255, 255, 255, 60));
    painter.setPen(QPen(kAmber, 15));
    painter.setBrush(lens);
    painter.drawEllipse(QPointF(166, 166), 38, 38);
}

QImage Icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);
    DrawIcon(painter);
    return image;
}

QFont Font(int pixelSize, int weight = QFont::Normal) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

// 388 by 143 pixels, 24 bits per pixel.
QImage Splash() {
    QImage image(388, 143, QImage::Format_RGB888);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient background(0, 0, 388, 143);
    background.setColorAt(0, QColor(0x08, 0x1C, 0x3A));
    background.setColorAt(1, QColor(0x17, 0x4E, 0x8C));
    painter.fillRect(image.rect(), background);

    painter.setPen(QPen(QColor(255, 255, 255, 18), 1));
    for (int x = -143; x < 388; x += 12) {
        painter.drawLine(x, 143, x + 143, 0);
    }

    painter.save();
    painter.translate(18, 22);
    painter.scale(100 / 256.0, 100 / 256.0);
    DrawIcon(painter);
    painter.restore();

    painter.setPen(Qt::white);
    painter.setFont(Font(40, QFont::Bold));
    painter.drawText(QPointF(136, 62), QStringLiteral("Querimo"));
    painter.fillRect(QRectF(138, 72, 170, 3), kAmber);
    painter.setPen(QColor(0xC4, 0xDC, 0xF7));
    painter.setFont(Font(13));
    painter.drawText(QPointF(138, 95), QStringLiteral("SQL for every ODBC data source"));
    painter.setFont(Font(12));
    painter.drawText(QPointF(138, 113), QStringLiteral("Version 4.0"));
    painter.setPen(QColor(0x9F, 0xBF, 0xE3));
    painter.setFont(Font(10));
    painter.drawText(QRectF(0, 118, 376, 18), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("\u00A9 2026 Brenlow Ltd"));
    return image;
}

bool Save(const QImage& image, const QString& path) {
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RES_FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = Save(Splash(), folder + QStringLiteral("/splash.png"));
    for (int size : {16, 32, 48, 256}) {
        ok = Save(Icon(size), folder + QStringLiteral("/querimo-%1.png").arg(size)) && ok;
    }
    return ok ? 0 : 1;
}
