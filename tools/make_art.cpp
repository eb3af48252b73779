// Draws the program's pictures and writes them into resources/: the hidden window's picture
// and the window icon (16 x 16 and 32 x 32 pixels, each in 16 and in 256 colours, as one
// .ico and as PNGs). Run it with `make art`; its output is committed.

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>
#include <cstdio>

namespace {

// A crow on a branch under a full moon.
QImage hiddenPicture()
{
    QImage image(300, 300, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 300);
    sky.setColorAt(0, QColor(18, 24, 60));
    sky.setColorAt(1, QColor(70, 40, 90));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 232, 190));
    p.drawEllipse(QPointF(200, 95), 62, 62);
    p.setPen(QPen(QColor(30, 20, 15), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 235), QPointF(285, 210));
    p.drawLine(QPointF(220, 216), QPointF(262, 180));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(8, 8, 12));
    QPainterPath body;
    body.moveTo(95, 225);
    body.cubicTo(80, 190, 110, 140, 150, 140);
    body.cubicTo(165, 125, 190, 128, 195, 145);
    body.lineTo(222, 152);
    body.lineTo(196, 160);
    body.cubicTo(195, 195, 170, 220, 140, 226);
    body.lineTo(60, 258);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(245, 200, 60));
    p.drawEllipse(QPointF(180, 144), 3.5, 3.5);
    p.setPen(QPen(QColor(8, 8, 12), 3));
    p.drawLine(QPointF(130, 224), QPointF(128, 234));
    p.drawLine(QPointF(145, 222), QPointF(146, 232));
    p.setPen(QColor(200, 190, 150));
    p.drawText(QRect(0, 270, 292, 24), Qt::AlignRight, QStringLiteral("Corvantile 1.00"));
    return image;
}

// The icon: a dotted selection around a coloured block on a dark tile, a crow's eye above.
QImage iconArt(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const double s = size / 32.0;
    p.scale(s, s);
    p.setRenderHint(QPainter::Antialiasing, size > 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(32, 36, 60));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    p.setBrush(QColor(240, 200, 40));
    p.drawRect(QRectF(8, 12, 10, 10));
    p.setBrush(QColor(60, 190, 240));
    p.drawRect(QRectF(18, 18, 7, 7));
    p.setPen(QPen(Qt::white, 1.5 / s, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(5.5, 9.5, 16, 16));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 60, 50));
    p.drawEllipse(QPointF(24, 8), 3, 3);
    return image;
}

// The sixteen colours of the classic palette.
QList<QRgb> sixteenColours()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

// One image of the icon: palette pixels, and a mask of the transparent ones.
struct IconImage
{
    QImage pixels; // Indexed8, with exactly 1 << bits colours in its table
    QImage mask;   // Mono, 1 where the icon is transparent
    int bits;
};

// The art in a palette of 16 (4 bits) or 256 (8 bits) colours; alpha below half becomes
// transparent.
IconImage indexed(const QImage &art, int bits)
{
    const QImage opaque = art.convertToFormat(QImage::Format_RGB32);
    QImage pixels =
        bits == 4
            ? opaque.convertToFormat(QImage::Format_Indexed8, sixteenColours(), Qt::ThresholdDither)
            : opaque.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QList<QRgb> table = pixels.colorTable();
    table.resize(1 << bits, qRgb(0, 0, 0));
    pixels.setColorTable(table);
    QImage mask(art.size(), QImage::Format_Mono);
    mask.fill(0);
    for (int y = 0; y < art.height(); ++y)
        for (int x = 0; x < art.width(); ++x)
            if (qAlpha(art.pixel(x, y)) < 128)
                mask.setPixel(x, y, 1);
    return {pixels, mask, bits};
}

void put16(QByteArray &out, quint16 v)
{
    v = qToLittleEndian(v);
    out.append(reinterpret_cast<const char *>(&v), 2);
}

void put32(QByteArray &out, quint32 v)
{
    v = qToLittleEndian(v);
    out.append(reinterpret_cast<const char *>(&v), 4);
}

// One icon image as a device-independent bitmap: header, palette, XOR pixels bottom-up at
// 4 or 8 bits a pixel, then the 1-bit AND mask (1 = transparent), rows padded to 32 bits.
QByteArray dib(const IconImage &icon)
{
    const QImage &image = icon.pixels;
    const QImage &mask = icon.mask;
    const int bits = icon.bits;
    const int size = image.width();
    const int colours = 1 << bits;
    const int xorStride = ((size * bits + 31) / 32) * 4;
    const int andStride = ((size + 31) / 32) * 4;
    QByteArray out;
    put32(out, 40);
    put32(out, static_cast<quint32>(size));
    put32(out, static_cast<quint32>(2 * size)); // XOR and AND images stacked
    put16(out, 1);
    put16(out, static_cast<quint16>(bits));
    put32(out, 0);
    put32(out, static_cast<quint32>((xorStride + andStride) * size));
    put32(out, 0);
    put32(out, 0);
    put32(out, static_cast<quint32>(colours));
    put32(out, 0);
    for (int i = 0; i < colours; ++i) {
        const QRgb c = image.colorTable().value(i);
        out.append(static_cast<char>(qBlue(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qRed(c)));
        out.append('\0');
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(xorStride, '\0');
        for (int x = 0; x < size; ++x) {
            const int index = mask.pixelIndex(x, y) ? 0 : image.pixelIndex(x, y);
            if (bits == 8)
                row[x] = static_cast<char>(index);
            else
                row[x / 2] = static_cast<char>(row[x / 2] | (x % 2 ? index : index << 4));
        }
        out.append(row);
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(andStride, '\0');
        for (int x = 0; x < size; ++x)
            if (mask.pixelIndex(x, y))
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

QByteArray icoFile(const QList<IconImage> &images)
{
    QByteArray head;
    put16(head, 0);
    put16(head, 1); // icon
    put16(head, static_cast<quint16>(images.size()));
    QByteArray data;
    const int offset0 = 6 + 16 * static_cast<int>(images.size());
    for (const IconImage &icon : images) {
        const QByteArray bitmap = dib(icon);
        head.append(static_cast<char>(icon.pixels.width()));
        head.append(static_cast<char>(icon.pixels.height()));
        head.append(static_cast<char>(icon.bits == 4 ? 16 : 0)); // 0 means 256 colours
        head.append('\0');
        put16(head, 1);
        put16(head, static_cast<quint16>(icon.bits));
        put32(head, static_cast<quint32>(bitmap.size()));
        put32(head, static_cast<quint32>(offset0 + data.size()));
        data.append(bitmap);
    }
    return head + data;
}

// An icon image with its transparent pixels, for the PNG copies.
QImage withTransparency(const IconImage &icon)
{
    QImage out = icon.pixels.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            if (icon.mask.pixelIndex(x, y))
                out.setPixel(x, y, qRgba(0, 0, 0, 0));
    return out;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources"));
    bool ok = hiddenPicture().save(dir.filePath(QStringLiteral("hidden_picture.png")), "PNG");

    QList<IconImage> icons;
    for (int size : {16, 32})
        for (int bits : {4, 8}) {
            const IconImage icon = indexed(iconArt(size), bits);
            icons.append(icon);
            ok = withTransparency(icon).save(
                     dir.filePath(QStringLiteral("icon_%1_%2.png").arg(size).arg(1 << bits)),
                     "PNG") &&
                 ok;
        }
    ok = write(dir.filePath(QStringLiteral("corvantile.ico")), icoFile(icons)) && ok;
    // Larger pictures for desktops, software centres and Explorer, from the same drawing.
    for (int size : {24, 48, 128, 256})
        ok = iconArt(size).save(dir.filePath(QStringLiteral("icon_%1.png").arg(size)), "PNG") && ok;
    return ok ? 0 : 1;
}
