#pragma once
// The pieces that generated pages are made of, the awkward ones among them: what the
// tests of the page reading and of the search put together at random.
#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// Pieces that pages are made of, the awkward ones among them.
inline const QStringList& pagePieces() {
    static const QStringList pieces = {
    // text
    QStringLiteral("ธรรม"), QStringLiteral("กุ้ง"), QStringLiteral("กุ้ง"), QStringLiteral("word"),
    QStringLiteral("นํ้า"), QStringLiteral("ท&#3635;นาย"), QStringLiteral("&#3673;&#3672;"),
    QStringLiteral("ก้<b>ุ</b>ง"), QStringLiteral(" "), QStringLiteral("  "), QStringLiteral("\n"),
    QStringLiteral("\r\n"), QStringLiteral("\t"), QStringLiteral("   \n  "), QStringLiteral("<wbr>"),
    QStringLiteral("&nbsp;"), QStringLiteral("&emsp;"), QStringLiteral("&thinsp;"),
    QStringLiteral("&amp;"), QStringLiteral("&AMP;"), QStringLiteral("&Amp;"), QStringLiteral("&zwsp;"),
    QStringLiteral("&hellip;"), QStringLiteral("&thetasym;"), QStringLiteral("&#x0E33;"),
    QStringLiteral("&#X0e33;"), QStringLiteral("&#150;"), QStringLiteral("&#0;"),
    QStringLiteral("&#xD800;"), QStringLiteral("&#x1F600;"), QStringLiteral("&#;"),
    QStringLiteral("&#x;"), QStringLiteral("& "), QStringLiteral("&"), QStringLiteral("&toolongname;"),
    QStringLiteral("&nbsp"), QStringLiteral("&#8233;"), QStringLiteral("&#10;"), QStringLiteral("&#13;"),
    QStringLiteral("&lt;b&gt;"), QString(QChar(0)), QString(QChar(0xA0)), QString(QChar(0x200B)),
    QString(QChar(0xF70A)), QStringLiteral("a < b"), QStringLiteral("<ธรรม"), QStringLiteral("<"),
    QStringLiteral(">"), QStringLiteral("<>"), QStringLiteral("</>"), QStringLiteral("< p>"),
    // inline elements
    QStringLiteral("<b>"), QStringLiteral("</b>"), QStringLiteral("<B>"), QStringLiteral("<i>"),
    QStringLiteral("</i>"), QStringLiteral("<font face=\"Angsana New\" size=4>"),
    QStringLiteral("</font>"), QStringLiteral("<span style='font-size:16.0pt;\nfont-family:\"Angsana New\"'>"),
    QStringLiteral("</span>"), QStringLiteral("<span lang=TH style=\"white-space:pre\">"),
    QStringLiteral("<span style=\"white-space: nowrap\">"), QStringLiteral("<span class=\"a\"\">"),
    QStringLiteral("<p class=MsoNormal\"\">"), QStringLiteral("<img src=\"x.gif\" alt=\"ภาพ\">"),
    QStringLiteral("<br>"), QStringLiteral("<br/>"), QStringLiteral("<BR clear=all>"),
    QStringLiteral("<nobr>"), QStringLiteral("</nobr>"), QStringLiteral("<unknown>"),
    QStringLiteral("</unknown>"), QStringLiteral("<o:p>"), QStringLiteral("</o:p>"),
    QStringLiteral("<form>"), QStringLiteral("</form>"), QStringLiteral("<address>"),
    QStringLiteral("<textarea>a<b>c</textarea>"),
    // blocks
    QStringLiteral("<p>"), QStringLiteral("</p>"), QStringLiteral("<P align=center>"),
    QStringLiteral("<div>"), QStringLiteral("</div>"), QStringLiteral("<hr>"), QStringLiteral("<h1>"),
    QStringLiteral("</h1>"), QStringLiteral("<center>"), QStringLiteral("</center>"),
    QStringLiteral("<blockquote>"), QStringLiteral("</blockquote>"), QStringLiteral("<pre>"),
    QStringLiteral("</pre>"), QStringLiteral("<pre>\nline\n</pre>"), QStringLiteral("<ul><li>"),
    QStringLiteral("<li>"), QStringLiteral("</ul>"), QStringLiteral("<ol>text<li>"), QStringLiteral("</ol>"),
    QStringLiteral("<dl><dt>"), QStringLiteral("<dd>"), QStringLiteral("</dl>"),
    QStringLiteral("<table border=1><tr><td>"), QStringLiteral("<td>"), QStringLiteral("</td>"),
    QStringLiteral("<tr>"), QStringLiteral("</tr>"), QStringLiteral("</table>"), QStringLiteral("<th>"),
    QStringLiteral("<table><caption>"), QStringLiteral("<thead>"), QStringLiteral("<tbody>"),
    QStringLiteral("<td colspan=2>"), QStringLiteral("<td rowspan=\"2\">"),
    // anchors
    QStringLiteral("<a name=\"105\">"), QStringLiteral("<a name=106></a>"), QStringLiteral("<a name=9305\nhref=x>"),
    QStringLiteral("<a name=\t9310>"), QStringLiteral("<a name=\"\">"), QStringLiteral("<a name=\" 107 \">"),
    QStringLiteral("<a name=net01>"), QStringLiteral("<a name=\"หมวด 1\">"), QStringLiteral("<A NAME='108'>"),
    QStringLiteral("<a href=\"#105\">"), QStringLiteral("</a>"), QStringLiteral("<a id=109>"),
    QStringLiteral("<p id=\"110\">"), QStringLiteral("<a name=\"111\" id=\"x\">"),
    // comments, declarations, processing instructions
    QStringLiteral("<!-- c -->"), QStringLiteral("<!---->"), QStringLiteral("<!-->"), QStringLiteral("<!--->"),
    QStringLiteral("-->"), QStringLiteral("<!--[if gte mso 9]><xml>x</xml><![endif]-->"),
    QStringLiteral("<![if !supportEmptyParas]>"), QStringLiteral("<![endif]>"),
    QStringLiteral("<!DOCTYPE html>"), QStringLiteral("<?xml version=\"1.0\"?>"), QStringLiteral("<? x ?>"),
    QStringLiteral("<% code %>"),
    // raw text elements and the head
    QStringLiteral("<script>if (a<b) x='</p>';</script>"), QStringLiteral("<script>"), QStringLiteral("</script>"),
    QStringLiteral("<style>p {color: red}</style>"), QStringLiteral("<title>ชื่อ</title>"),
    QStringLiteral("<head>"), QStringLiteral("</head>"), QStringLiteral("<body>"), QStringLiteral("</body>"),
    QStringLiteral("<html>"), QStringLiteral("</html>"), QStringLiteral("<meta charset=windows-874>"),
    QStringLiteral("<link rel=stylesheet href=x.css>"),
    // attribute values with line breaks and stray quotes
    QStringLiteral("<p style='margin:0cm;\nmargin-bottom:.0001pt'>"), QStringLiteral("<span title=\"a\nb\">"),
    QStringLiteral("<font color=\"red>"), QStringLiteral("\""), QStringLiteral("'"),
    QStringLiteral("<p class='it\\'s'>"), QStringLiteral("<b/>"), QStringLiteral("<p/>"),
    // names that begin with what could pass for a byte-order mark
    QStringLiteral("<\uFEFFb>"), QStringLiteral("<a name=\"\uFFFE12\">"), QStringLiteral("<\uFFFEp>"),
};
    return pieces;
}

// Words of every kind: with a key and without (marks, digits, Latin, SARA AM), ones that
// can overlap themselves, phrases with a space.
inline const QStringList& pageWords() {
    static const QStringList words = {
    QStringLiteral("ธรรม"), QStringLiteral("กุ้ง"), QStringLiteral("กุ"), QStringLiteral("้"),
    QStringLiteral("ทำ"), QStringLiteral("ท่ำ"), QStringLiteral("นาย"), QStringLiteral("98"),
    QStringLiteral("๙๘"), QStringLiteral("word"), QStringLiteral("WORD"), QStringLiteral("นน"),
    QStringLiteral("ออ"), QStringLiteral("ก ข"), QStringLiteral("ธรรม กุ้ง"), QStringLiteral("ก"),
    QStringLiteral("ง"), QStringLiteral("&"), QStringLiteral("a < b"), QStringLiteral("ภาพ"),
    QStringLiteral("ชื่อ"), QStringLiteral("หมวด"), QStringLiteral("ช่อง"), QStringLiteral("ข"),
};
    return words;
}

inline QString randomPage(QRandomGenerator& r, int pieces) {
    QString page;
    for (int i = 0; i < pieces; ++i)
        page += pagePieces()[int(r.bounded(quint32(pagePieces().size())))];
    // Some pages end where the file was cut.
    if (r.bounded(4) == 0 && !page.isEmpty())
        page.truncate(int(r.bounded(quint32(page.size()))));
    return page;
}


// A page's text as a file holds it: windows-874 (what it lacks as '?'), UTF-8 without and
// with a byte-order mark, UTF-16 little- and big-endian with one.
inline constexpr int kPageEncodings = 5;
inline QByteArray encodedPage(const QString& text, int encoding) {
    switch (encoding) {
    case 0: {
        QByteArray b;
        for (QChar c : text) {
            const char16_t u = c.unicode();
            b += u >= 0x0E01 && u <= 0x0E5B ? char(u - 0x0E01 + 0xA1) : u < 0x80 ? char(u) : '?';
        }
        return b;
    }
    case 1:
        return text.toUtf8();
    case 2:
        return "\xEF\xBB\xBF" + text.toUtf8();
    case 3: {
        QByteArray b("\xFF\xFE");
        for (QChar c : text)
            b += char(c.unicode() & 0xFF), b += char(c.unicode() >> 8);
        return b;
    }
    default: {
        QByteArray b("\xFE\xFF");
        for (QChar c : text)
            b += char(c.unicode() >> 8), b += char(c.unicode() & 0xFF);
        return b;
    }
    }
}
