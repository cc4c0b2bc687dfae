// A page file's bytes read a stretch at a time give what they give read at once: the
// decoding of every encoding, and the shown text of whole files, clipboard pages included.
#include "pagefile/decode.h"
#include "page_pieces.h"
#include "pagefile/page_file.h"
#include "thai/codec.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

// The plain readings, held to the ones built for speed and for stretches.
QString plainWindows874(const QByteArray& b) {
    QString s;
    for (char c : b)
        s += QChar(thai::windows874(static_cast<unsigned char>(c)));
    return s;
}
QString plainUtf16(const QByteArray& b, bool big) {
    const bool mark = b.startsWith(big ? "\xFE\xFF" : "\xFF\xFE");
    QString s;
    for (qsizetype i = mark ? 2 : 0; i + 1 < b.size(); i += 2) {
        const auto x = static_cast<unsigned char>(b[i]), y = static_cast<unsigned char>(b[i + 1]);
        s += QChar(char16_t(big ? (x << 8 | y) : (y << 8 | x)));
    }
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            ++i;
        else if (s[i].isSurrogate())
            s[i] = QChar(0xFFFD);
    }
    return s;
}
QString plain(const QByteArray& b, pagefile::Encoding e) {
    switch (e) {
    case pagefile::Encoding::Windows874:
        return plainWindows874(b);
    case pagefile::Encoding::Utf8:
        return QString::fromUtf8(b.startsWith("\xEF\xBB\xBF") ? b.mid(3) : b);
    case pagefile::Encoding::Utf16Le:
        return plainUtf16(b, false);
    case pagefile::Encoding::Utf16Be:
        return plainUtf16(b, true);
    }
    return {};
}

std::string hex(const QString& s) {
    std::string out;
    for (QChar c : s)
        out += QString::number(c.unicode(), 16).rightJustified(4, u'0').toStdString() + ' ';
    return out;
}

QString inStretches(const QByteArray& b, pagefile::Encoding e, QRandomGenerator& r) {
    pagefile::Decoder d(e);
    std::u16string out;
    for (qsizetype at = 0; at < b.size();) {
        const qsizetype n = std::min<qsizetype>(b.size() - at, 1 + r.bounded(9));
        std::vector<char16_t> buffer(size_t(d.room(n)));
        out.append(buffer.data(), size_t(d.decode(b.constData() + at, n, buffer.data())));
        at += n;
    }
    std::vector<char16_t> buffer(size_t(d.room(0)));
    out.append(buffer.data(), size_t(d.finish(buffer.data())));
    return QString(reinterpret_cast<const QChar*>(out.data()), qsizetype(out.size()));
}

QByteArray randomBytes(QRandomGenerator& r) {
    // Byte soup leaning on what matters: marks, Thai letters, the bytes the code page
    // lacks, broken UTF-8 and lone halves of UTF-16 pairs.
    static const QByteArray pieces[] = {
        "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF", "\xE0\xB8\x81", "\xE0\xB8", "\xC3", "\xF0\x9F\x98\x80",
        "\xED\xA0\x80", "\x3D\xD8", "\x00\xDC", "\xA1", "\xD3", "\xA0", "\x80", "\xDB", "\xFC", "\xFF",
        "<p>", "a", " ", QByteArray(1, '\0')};
    QByteArray b;
    const int n = int(r.bounded(40));
    for (int i = 0; i < n; ++i)
        b += r.bounded(3) == 0 ? QByteArray(1, char(r.bounded(256))) : pieces[r.bounded(int(std::size(pieces)))];
    return b;
}

} // namespace

TEST(PageDecoding, EveryEncodingDecodesInStretchesAsAtOnceAndAsThePlainReadingDoes) {
    QRandomGenerator r(874);
    const pagefile::Encoding all[] = {pagefile::Encoding::Windows874, pagefile::Encoding::Utf8,
                                      pagefile::Encoding::Utf16Le, pagefile::Encoding::Utf16Be};
    for (int i = 0; i < 4000; ++i) {
        const QByteArray b = randomBytes(r);
        for (pagefile::Encoding e : all) {
            const QString expected = plain(b, e);
            ASSERT_EQ(hex(inStretches(b, e, r)), hex(expected)) << b.toHex().toStdString() << " as " << int(e);
            if (e == pagefile::Encoding::Utf16Le || e == pagefile::Encoding::Utf16Be)
                ASSERT_EQ(pagefile::decodeUtf16(b, e == pagefile::Encoding::Utf16Be), expected);
        }
        EXPECT_EQ(pagefile::decode(b), plain(b, pagefile::sniff(b)));
    }
    // Every byte of the code page, in runs long enough for the fast way.
    QByteArray every;
    for (int k = 0; k < 4; ++k)
        for (int c = 0; c < 256; ++c)
            every += char((c * 7 + k) & 0xFF);
    EXPECT_EQ(inStretches(every, pagefile::Encoding::Windows874, r), plainWindows874(every));
}

TEST(PageDecoding, TheEncodingIsKnownFromTheMarkTheLabelOrTheBytesFedInAnyStretches) {
    auto wide = [](const char* ascii) { // as Windows saves "Unicode" text, without a mark
        QByteArray b;
        for (const char* c = ascii; *c; ++c)
            b += *c, b += '\0';
        return b;
    };
    const QByteArray thai = "\xBE\xC3\xD0\xE4\xB5\xC3\xBB\xD4\xAE\xA1";
    const QByteArray utf8 = "<p>\xE0\xB8\x9E\xE0\xB8\xA3\xE0\xB8\xB0";
    struct Case {
        QByteArray bytes;
        pagefile::Encoding expected;
    } cases[] = {
        {thai, pagefile::Encoding::Windows874},
        {utf8, pagefile::Encoding::Utf8},
        {"\xEF\xBB\xBF" + thai, pagefile::Encoding::Utf8},
        {wide("<meta charset=\"utf-16\">"), pagefile::Encoding::Utf16Le},
        {"<meta charset=windows-874>" + utf8, pagefile::Encoding::Windows874},
        {"<meta charset=iso-8859-1>" + utf8, pagefile::Encoding::Utf8},
        {QByteArray(5000, 'a') + "<meta charset=utf-8>" + thai, pagefile::Encoding::Windows874},
        {utf8 + "\xE0\xB8", pagefile::Encoding::Windows874}, // cut in a character
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pagefile::sniff(c.bytes), c.expected) << c.bytes.toStdString();
        for (qsizetype step : {1, 3, 4096}) {
            pagefile::Sniffer s;
            for (qsizetype at = 0; at < c.bytes.size(); at += step)
                s.feed(c.bytes.constData() + at, std::min(step, c.bytes.size() - at));
            EXPECT_EQ(s.result(), c.expected) << c.bytes.toStdString() << " by " << step;
        }
    }
}

TEST(PageDecoding, TheCharsetLabelIsReadByHandAsItsPatternReadsIt) {
    const QByteArray labels[] = {
        "<meta charset=utf-8>", "<META CHARSET = 'UTF-8'>", "charset=\"  tis-620\"",
        "charset=", "charset=\"\"", "charset = ;charset=windows-874", "charsetcharset=x",
        "chArSeT\v=\fUtf8", "charset=\xA0utf8", "charset=a:b.c_d-e9 rest", "c", "charse",
        "charset==x",
        "charset=''x", "charset\x85=x", "\xC3\x89" "charset=\xC9" "x", "content=\"text/html; charset=windows-874\"",
    };
    for (const QByteArray& l : labels)
        EXPECT_EQ(pagefile::charsetLabel(l), pagefile::charsetLabelByPattern(l)) << l.toStdString();
    QByteArray wide; // as Windows saves "Unicode" text: a zero byte after each letter
    for (char c : QByteArray("<meta charset=utf-16>"))
        wide += c, wide += '\0';
    EXPECT_EQ(pagefile::charsetLabel(wide), QStringLiteral("utf-16"));
    EXPECT_EQ(pagefile::charsetLabelByPattern(wide), QStringLiteral("utf-16"));
    EXPECT_EQ(pagefile::charsetLabel("<META CHARSET = 'UTF-8'>"), QStringLiteral("utf-8"));
    EXPECT_EQ(pagefile::charsetLabel("charset = ;charset=windows-874"), QStringLiteral("windows-874"));
    EXPECT_EQ(pagefile::charsetLabel("charset="), std::nullopt);
}

namespace {

struct Collected : pagefile::TextSink {
    pagefile::ShownText out;
    void text(int, QStringView chars) override { out.text.append(chars); }
    void anchor(const pagefile::Anchor& a) override { out.anchors.push_back(a); }
    void source(int at, int from) override { out.sourceRuns.emplace_back(at, from); }
};

} // namespace

TEST(PageReading, AFileReadThroughShowsWhatItsDecodedTextShows) {
    QRandomGenerator r(2026);
    const QStringList pieces = {
        QStringLiteral("<p>ธรรม"), QStringLiteral("</p>"), QStringLiteral("<a name=\"5\"></a>"),
        QStringLiteral("ท&#3635;นาย"), QStringLiteral("<!--StartFragment-->"), QStringLiteral("<!--EndFragment-->"),
        QStringLiteral("<b>ก้<i>ุ</i>ง</b>"), QStringLiteral(" \r\n "), QStringLiteral("<!-- c -->"),
        QStringLiteral("<meta charset=windows-874>"), QStringLiteral("&nbsp;"), QString(QChar(0))};
    for (int i = 0; i < 600; ++i) {
        QString text;
        const int n = int(r.bounded(i < 580 ? 20 : 20000));
        for (int k = 0; k < n; ++k)
            text += pieces[r.bounded(int(pieces.size()))];
        for (int encoding = 0; encoding < 5; ++encoding) {
            QByteArray bytes = encodedPage(text, encoding);
            if (r.bounded(4) == 0 && !bytes.isEmpty())
                bytes.truncate(r.bounded(bytes.size())); // a file cut short
            const pagefile::ShownText whole = pagefile::showPage(pagefile::decode(bytes));
            Collected fromBytes, fromFile;
            ASSERT_TRUE(pagefile::readPageBytes(bytes, fromBytes));
            QBuffer file(&bytes);
            file.open(QIODevice::ReadOnly);
            ASSERT_TRUE(pagefile::readPageFile(file, fromFile));
            for (const Collected* c : {&fromBytes, &fromFile}) {
                ASSERT_EQ(c->out.text, whole.text) << bytes.left(400).toHex().toStdString();
                ASSERT_EQ(c->out.anchors.size(), whole.anchors.size());
                for (size_t a = 0; a < whole.anchors.size(); ++a) {
                    EXPECT_EQ(c->out.anchors[a].at, whole.anchors[a].at);
                    EXPECT_EQ(c->out.anchors[a].source, whole.anchors[a].source);
                }
                EXPECT_EQ(c->out.sourceRuns, whole.sourceRuns);
            }
        }
    }
}

TEST(PageReading, AStopEndsTheReadingAtOnce) {
    QByteArray bytes;
    for (int i = 0; i < 20000; ++i)
        bytes += "<p>\xB8\xC3\xC3\xC1</p>\r\n";
    std::atomic<bool> stop{true};
    Collected c;
    EXPECT_FALSE(pagefile::readPageBytes(bytes, c, &stop));
    EXPECT_LT(c.out.text.size(), 100000);
}

TEST(PageReading, AUtf8FileWithoutOneAsciiByteIsReadWhole) {
    // A character is held back until the next ASCII byte: here none comes for hundreds of
    // kilobytes, and all of it comes out at the end, into room of its own.
    QByteArray bytes;
    for (int i = 0; i < 40000; ++i)
        bytes += QStringLiteral("ธรรมะ").toUtf8();
    for (const QByteArray& b : {bytes, "\xEF\xBB\xBF" + bytes, bytes + "\xE0\xB8"}) {
        Collected c;
        ASSERT_TRUE(pagefile::readPageBytes(b, c));
        EXPECT_EQ(c.out.text, pagefile::showPage(pagefile::decode(b)).text);
        EXPECT_GE(c.out.text.size(), 200000);
    }
}
