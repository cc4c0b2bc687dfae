#include "gif_writer.h"

#include <QFile>
#include <QHash>
#include <vector>

namespace sample {

namespace {
// LZW output with 9-bit codes only: a clear code before the table would grow, so every
// pixel is written as a literal code.
class BitWriter {
  public:
    void put(int code, int bits) {
        acc_ |= uint32_t(code) << n_;
        n_ += bits;
        while (n_ >= 8) {
            bytes.push_back(char(acc_ & 0xFF));
            acc_ >>= 8;
            n_ -= 8;
        }
    }
    void flush() {
        if (n_ > 0)
            bytes.push_back(char(acc_ & 0xFF));
        acc_ = 0;
        n_ = 0;
    }
    QByteArray bytes;

  private:
    uint32_t acc_ = 0;
    int n_ = 0;
};
} // namespace

bool writeGif(const QImage& src, const QString& path) {
    QImage img =
        src.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    QVector<QRgb> table = img.colorTable();
    while (table.size() < 256)
        table.push_back(qRgb(0, 0, 0));
    QByteArray out("GIF89a");
    auto u16 = [&](int v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    u16(img.width());
    u16(img.height());
    out.append(char(0xF7)); // global colour table of 256 entries
    out.append(char(0));
    out.append(char(0));
    for (QRgb c : table) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(',');
    u16(0);
    u16(0);
    u16(img.width());
    u16(img.height());
    out.append(char(0));
    out.append(char(8)); // minimum code size
    BitWriter w;
    const int clear = 256, end = 257;
    int sinceClear = 0;
    w.put(clear, 9);
    for (int y = 0; y < img.height(); ++y) {
        const uchar* line = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x) {
            if (sinceClear == 254) {
                w.put(clear, 9);
                sinceClear = 0;
            }
            w.put(line[x], 9);
            ++sinceClear;
        }
    }
    w.put(end, 9);
    w.flush();
    for (int at = 0; at < w.bytes.size(); at += 255) {
        const QByteArray block = w.bytes.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append(char(0));
    out.append(';');
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write(out) == out.size();
}

} // namespace sample
