// Writes a complete sample program folder: the topic database, canon page files, the two
// stand-alone pages and the pictures. Every run writes identical bytes.
//   make-sample [--scale small|large|canon] FOLDER
// large and canon write a table of about 100,000 topics; canon writes the canon's full shape
// of page files, the same whatever the table.
#include "gif_writer.h"
#include "jet4_writer.h"
#include "pagefile/canon_layout.h"
#include "sample_corpus.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <cstdio>
#include <map>
#include <set>

namespace {

using sample::Topic;

QByteArray toCp874(const QString& s) {
    QByteArray out;
    out.reserve(s.size());
    for (QChar c : s) {
        const ushort u = c.unicode();
        if (u < 0x80)
            out.append(char(u));
        else if (u >= 0x0E01 && u <= 0x0E5B)
            out.append(char(u - 0x0E01 + 0xA1));
        else if (u == 0x00A0)
            out.append(char(0xA0));
        else
            out.append('?');
    }
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.exists() && f.size() == bytes.size() && f.open(QIODevice::ReadOnly)) {
        if (f.readAll() == bytes)
            return true; // unchanged: keep its time stamp
        f.close();
    }
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

int rangeIndex(int page) {
    return pagefile::CanonLayout::rangeIndex(page).value_or(0);
}

QString rangeFile(int k) {
    return pagefile::CanonLayout::rangeFile(k);
}

QString volumeFolder(int v) {
    return pagefile::CanonLayout::volumeFolder(v);
}

const char* kSampleNote = "[ข้อความตัวอย่าง สำหรับทดลองโปรแกรม ไม่ใช่ข้อความจริงจากพระไตรปิฎก]";

QString paragraph(int v, int p, int i) {
    static const QStringList s = {
        "ครั้งนั้นแล ภิกษุทั้งหลายเข้าไปเฝ้าพระผู้มีพระภาคถึงที่ประทับ ถวายอภิวาทแล้วนั่ง ณ ที่ควรข้างหนึ่ง",
        "พระผู้มีพระภาคตรัสว่า ดูกรภิกษุทั้งหลาย ธรรมเหล่านี้อันบุคคลเจริญแล้ว ทำให้มากแล้ว ย่อมเป็นไปเพื่อความสงบ",
        "บุคคลพึงละความโกรธ พึงสละความถือตัว พึงก้าวล่วงสังโยชน์ทั้งปวง ทุกข์ทั้งหลายย่อมไม่ตกไปตามบุคคลนั้น",
        "ความไม่ประมาทเป็นทางแห่งความไม่ตาย ความประมาทเป็นทางแห่งความตาย ผู้ไม่ประมาทย่อมไม่ตาย",
        "จิตที่ฝึกดีแล้วนำสุขมาให้ สติเป็นเครื่องตื่นในโลก ปัญญาเป็นแสงสว่างในโลก",
    };
    return s[(v * 7 + p * 3 + i) % s.size()];
}

QByteArray pageFile(int v, int k, const std::multimap<std::pair<int, int>, const Topic*>& onPage,
                    int paragraphsPerPage) {
    QString h;
    QTextStream t(&h);
    t << "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
         "charset=windows-874\">\r\n"
      << "<title>พระไตรปิฎก เล่ม " << v << "</title>\r\n</head>\r\n<body bgcolor=\"#FFFFF0\">\r\n"
      << "<font face=\"AngsanaUPC\" size=\"5\">\r\n";
    const int first = k == 0 ? 0 : 50 * k + 1;
    for (int p = first; p <= 50 * (k + 1); ++p) {
        t << "<a name=\"" << p << "\"></a>\r\n<p align=\"center\"><b>พระไตรปิฎก เล่มที่ " << v
          << " หน้าที่ " << p << "</b></p>\r\n<p><i>" << kSampleNote << "</i></p>\r\n";
        auto range = onPage.equal_range({v, p});
        for (auto it = range.first; it != range.second; ++it)
            t << "<p><b>[บรรทัด " << it->second->line << "] " << it->second->title << "</b></p>\r\n";
        for (int i = 0; i < paragraphsPerPage; ++i)
            t << "<p>&nbsp;&nbsp;&nbsp;&nbsp;" << paragraph(v, p, i) << "</p>\r\n";
        t << "<hr>\r\n";
    }
    t << "</font>\r\n</body>\r\n</html>\r\n";
    t.flush();
    return toCp874(h);
}

QByteArray standAlonePage(const QString& heading, const QString& body) {
    QString h =
        QStringLiteral(
            "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
            "charset=tis-620\">\r\n"
            "<title>%1</title>\r\n</head>\r\n<body>\r\n<font face=\"Angsana New\" size=\"5\">\r\n"
            "<p "
            "align=\"center\"><b>%1</b></p>\r\n<p><i>%2</i></p>\r\n<p>%3</p>\r\n</font>\r\n</"
            "body>\r\n</html>\r\n")
            .arg(heading, QString::fromUtf8(kSampleNote), body);
    return toCp874(h);
}

QByteArray jpeg(const QImage& img) {
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPG", 88);
    return out;
}

// Covers and backgrounds are drawn at twice their size on the shelf, as a scan would be:
// sharp on dense screens, scaled down on the others.
QImage cover(int v) {
    QImage img(163 * 2, 213 * 2, QImage::Format_RGB32);
    const QColor base = v <= 10   ? QColor(122, 28, 28)
                        : v <= 74 ? QColor(24, 46, 110)
                                  : QColor(20, 92, 60);
    QPainter p(&img);
    p.scale(2, 2);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 163, 0);
    g.setColorAt(0, base.darker(160));
    g.setColorAt(0.12, base.lighter(115));
    g.setColorAt(1, base);
    p.fillRect(QRect(0, 0, 163, 213), g);
    p.setPen(QPen(QColor(212, 175, 55), 3));
    p.drawRect(12, 10, 140, 192);
    p.setPen(QColor(240, 215, 120));
    QFont f(QStringLiteral("Garuda"));
    f.setPixelSize(17);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(12, 22, 140, 50), Qt::AlignCenter, QStringLiteral("พระไตรปิฎก"));
    QFont n(QStringLiteral("Garuda"));
    n.setPixelSize(58);
    n.setBold(true);
    p.setFont(n);
    p.drawText(QRect(12, 70, 140, 80), Qt::AlignCenter, QString::number(v));
    f.setPixelSize(15);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(12, 150, 140, 40), Qt::AlignCenter, QStringLiteral("เล่มที่ %1").arg(v));
    p.end();
    return img;
}

QImage background(bool twoRows) {
    QImage img(690 * 2, 580 * 2, QImage::Format_RGB32);
    QPainter p(&img);
    p.scale(2, 2);
    QLinearGradient g(0, 0, 0, 580);
    g.setColorAt(0, QColor(96, 62, 36));
    g.setColorAt(1, QColor(58, 36, 20));
    p.fillRect(QRect(0, 0, 690, 580), g);
    // Shelf boards under each row of covers.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(140, 98, 60));
    const int rows = twoRows ? 2 : 3;
    for (int r = 1; r <= rows; ++r)
        p.drawRect(0, r * 580 / rows - 22, 690, 14);
    p.end();
    return img;
}

QImage arrow(bool down) {
    QImage img(44, 43, QImage::Format_ARGB32);
    img.fill(QColor(85, 85, 85));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(245, 200, 60));
    p.setPen(Qt::NoPen);
    p.drawEllipse(4, 4, 36, 35);
    p.setBrush(QColor(90, 50, 10));
    QPainterPath path;
    if (down) {
        path.moveTo(12, 16);
        path.lineTo(32, 16);
        path.lineTo(22, 29);
    } else {
        path.moveTo(17, 11);
        path.lineTo(30, 21);
        path.lineTo(17, 31);
    }
    path.closeSubpath();
    p.drawPath(path);
    p.end();
    return img;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    bool large = false, canon = false;
    if (args.size() >= 2 && args[0] == "--scale") {
        large = args[1] == "large";
        canon = args[1] == "canon";
        args = args.mid(2);
    }
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: make-sample [--scale small|large|canon] FOLDER\n");
        return 2;
    }
    const QString root = QDir(args[0]).absolutePath();
    QDir().mkpath(root);

    sample::CorpusSize size;
    if (large || canon) {
        size.firstVolume = 20000;
        size.perVolume = 930;
        size.listRepeat = 5;
    }
    const std::vector<Topic> topics = sample::makeTopics(size);
    // The canon's page files are written for the small table's topics whatever the table
    // holds: its text, and so the canon search's figures, stay as they were.
    const std::vector<Topic> smallTopics = canon ? sample::makeTopics({}) : std::vector<Topic>{};
    const std::vector<Topic>& pageTopics = canon ? smallTopics : topics;

    jet4::Options opt;
    opt.password = u"harbelune27kest";
    const std::string mdb = jet4::writeDatabase(sample::topicTable(topics), opt);
    bool ok = writeFile(root + "/velkaro.mdb", QByteArray(mdb.data(), qsizetype(mdb.size())));

    // Page files: every range that a topic points into, and the first file of 87 to 91.
    std::multimap<std::pair<int, int>, const Topic*> onPage;
    std::set<std::pair<int, int>> files;
    for (const Topic& t : pageTopics) {
        if (t.book < 1 || t.book > 91 || t.page < 0 || t.page > 1550)
            continue;
        if (!large || t.code >= 100)
            onPage.emplace(std::make_pair(t.book, t.page), &t);
        files.insert({t.book, rangeIndex(t.page)});
    }
    for (int v = 87; v <= 91; ++v)
        files.insert({v, 0});
    // The canon's full shape: fourteen full-size files in every volume, about 500 MB.
    if (canon)
        for (int v = 1; v <= 91; ++v)
            for (int k = 0; k < 14; ++k)
                files.insert({v, k});
    for (const auto& [v, k] : files) {
        // Full-size pages for the reader's benchmark in two files of the large folder.
        const bool full = canon || (large && v == 1 && (k == 0 || k == rangeIndex(1000)));
        ok &= writeFile(root + "/" + pagefile::CanonLayout::root() + "/" + volumeFolder(v) + "/" + rangeFile(k),
                        pageFile(v, k, onPage, full ? 62 : 2));
    }
    // And one page file of 64 MB, far larger than any the canon has, that the search must
    // still read in little memory.
    if (canon)
        ok &= writeFile(root + "/" + pagefile::CanonLayout::root() + "/" + volumeFolder(91) + "/" + rangeFile(14),
                        pageFile(91, 14, onPage, 10300));

    ok &= writeFile(
        root + "/img_detail/flomar_web1.htm",
        standAlonePage("ประวัติการรวบรวมหัวข้อธรรม", "หน้านี้เป็นหน้าตัวอย่างของหัวข้อที่มีเนื้อหาในไฟล์ของตนเอง"));
    ok &= writeFile(root + "/img_detail/flomar_web2.htm",
                    standAlonePage("คำแนะนำการใช้หัวข้อธรรม",
                                   "เลือกหมวดทางซ้าย ดับเบิลคลิกกลุ่มหัวข้อ แล้วดับเบิลคลิกหัวข้อเพื่อเปิดอ่าน"));
    QDir().mkpath(root + "/img_detail");
    ok &= sample::writeGif(arrow(true), root + "/img_detail/icon-down.gif");
    ok &= sample::writeGif(arrow(false), root + "/img_detail/icon-up.gif");
    for (int v = 1; v <= 91; ++v)
        ok &=
            writeFile(root + QStringLiteral("/img_book/velkaro_book%1.jpg").arg(v), jpeg(cover(v)));
    ok &= writeFile(root + "/img_book/bgbook.jpg", jpeg(background(false)));
    ok &= writeFile(root + "/img_book/bgbook02.jpg", jpeg(background(true)));
    if (!ok) {
        std::fprintf(stderr, "make-sample: could not write every file under %s\n",
                     qPrintable(root));
        return 1;
    }
    std::printf("make-sample: %zu topics, %zu page files in %s\n", topics.size(), files.size(),
                qPrintable(root));
    return 0;
}
