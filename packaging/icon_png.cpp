// Draws the program icon for the hicolor theme from its pixel artwork: PNG at
// a given size, or SVG with one square per pixel so that it stays sharp at
// any size.
//   rekuda31-icon ARTWORK.xpm OUT.png SIZE
//   rekuda31-icon ARTWORK.xpm OUT.svg
#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>
#include <QTextStream>

#include <cstdio>

namespace {
QImage scaled(const QImage &art, int size)
{
    if (size == art.width())
        return art;
    // Whole multiples keep the pixels square and sharp; other sizes are taken
    // smoothly from the next whole multiple above.
    const int factor = (size + art.width() - 1) / art.width();
    const QImage sharp = art.scaled(art.width() * factor, art.height() * factor);
    if (sharp.width() == size)
        return sharp;
    return sharp.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool writeSvg(const QImage &art, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << art.width() << "\" height=\"" << art.height()
        << "\" viewBox=\"0 0 " << art.width() << ' ' << art.height() << "\" shape-rendering=\"crispEdges\">\n";
    for (int y = 0; y < art.height(); ++y) {
        int x = 0;
        while (x < art.width()) {
            const QRgb colour = art.pixel(x, y);
            int end = x + 1;
            while (end < art.width() && art.pixel(end, y) == colour)
                ++end;
            if (qAlpha(colour) != 0) {
                out << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << end - x << "\" height=\"1\" fill=\""
                    << QColor(colour).name() << "\"/>\n";
            }
            x = end;
        }
    }
    out << "</svg>\n";
    return out.status() == QTextStream::Ok && file.flush();
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ARTWORK.xpm OUT.png SIZE | OUT.svg\n", argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[2]);
    const QImage art = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
    if (art.isNull()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    bool written = false;
    if (output.endsWith(QLatin1String(".svg"))) {
        written = writeSvg(art, output);
    } else {
        const int size = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : art.width();
        written = size > 0 && scaled(art, size).save(output, "PNG");
    }
    if (!written) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
