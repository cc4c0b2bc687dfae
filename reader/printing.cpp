#include "reader/printing.h"

#include "reader/page_view.h"
#include "toolkit/fonts.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QVBoxLayout>
#include <map>
#include <set>
#include <zlib.h>

namespace reader {

std::pair<int, int> pageSpan(const std::function<QString(int)>& pageAt, int length,
                             const QStringList& pages, const QString& page) {
    const int order = int(pages.indexOf(page));
    if (order < 0 || length <= 0)
        return {0, 0};
    // Pages come in document order, so "at or past the page" is monotone in the position.
    const auto firstWhere = [&](auto past) {
        int lo = 0, hi = length;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (past(int(pages.indexOf(pageAt(mid)))))
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    };
    const int from = firstWhere([&](int k) { return k >= order; });
    const int to = firstWhere([&](int k) { return k > order; });
    if (from >= to)
        return {0, 0};
    return {from, to};
}

QString printTitle(int volume, const QString& firstPage, const QString& lastPage,
                   const QString& ownTitle) {
    if (volume <= 0)
        return ownTitle;
    QString title = QStringLiteral("พระไตรปิฎก เล่ม %1").arg(volume);
    const QString first = firstPage.isEmpty() ? lastPage : firstPage;
    const QString last = lastPage.isEmpty() ? firstPage : lastPage;
    if (first.isEmpty())
        return title;
    title += QStringLiteral(" หน้า ") + first;
    if (last != first)
        title += QChar(0x2013) + last;
    return title;
}

namespace {

void clearFrameBackgrounds(QTextFrame* frame) {
    QTextFrameFormat f = frame->frameFormat();
    if (f.hasProperty(QTextFormat::BackgroundBrush) ||
        f.hasProperty(QTextFormat::BackgroundImageUrl)) {
        f.clearBackground();
        f.clearProperty(QTextFormat::BackgroundImageUrl);
        frame->setFrameFormat(f);
    }
    if (auto* table = qobject_cast<QTextTable*>(frame)) {
        for (int r = 0; r < table->rows(); ++r)
            for (int c = 0; c < table->columns(); ++c) {
                QTextTableCell cell = table->cellAt(r, c);
                QTextCharFormat cf = cell.format();
                if (cf.hasProperty(QTextFormat::BackgroundBrush)) {
                    cf.clearBackground();
                    cell.setFormat(cf);
                }
            }
    }
    for (QTextFrame* child : frame->childFrames())
        clearFrameBackgrounds(child);
}

} // namespace

std::unique_ptr<QTextDocument> printCopy(const QTextDocument& source, int from, int to) {
    std::unique_ptr<QTextDocument> doc(source.clone());
    const int end = doc->characterCount() - 1;
    from = std::clamp(from, 0, end);
    to = std::clamp(to, from, end);
    QTextCursor c(doc.get());
    if (to < end) {
        // From the end of the last paragraph kept: no empty paragraph stays after it.
        c.setPosition(to);
        if (c.atBlockStart() && to > from)
            c.setPosition(to - 1);
        c.setPosition(end, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    if (from > 0) {
        // The first paragraph kept keeps its own formats, not those of the one it replaces.
        c.setPosition(from);
        const bool whole = c.atBlockStart();
        const QTextBlockFormat block = c.blockFormat();
        const QTextCharFormat chars = c.blockCharFormat();
        c.setPosition(0);
        c.setPosition(from, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        if (whole) {
            c.setBlockFormat(block);
            c.setBlockCharFormat(chars);
        }
    }
    clearFrameBackgrounds(doc->rootFrame());
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        QTextBlockFormat bf = b.blockFormat();
        if (bf.hasProperty(QTextFormat::BackgroundBrush)) {
            bf.clearBackground();
            QTextCursor(b).setBlockFormat(bf);
        }
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            QTextCharFormat cf = frag.charFormat();
            if (!frag.isValid() || !cf.hasProperty(QTextFormat::BackgroundBrush))
                continue;
            cf.clearBackground();
            QTextCursor fc(doc.get());
            fc.setPosition(frag.position());
            fc.setPosition(frag.position() + frag.length(), QTextCursor::KeepAnchor);
            fc.setCharFormat(cf);
        }
    }
    return doc;
}

PrintJob printJob(PageView& view, int volume, PrintPart part, const QString& page) {
    view.finishLoading();
    const QTextDocument& doc = *view.document();
    const int length = doc.characterCount() - 1;
    QStringList pages;
    for (const auto& a : view.pageAnchors())
        pages << a.name;
    const auto pageAt = [&](int position) { return view.pageAt(position); };
    int from = 0, to = length;
    QString first, last;
    const QTextCursor selected = view.textCursor();
    if (part == PrintPart::Selection && selected.hasSelection()) {
        from = selected.selectionStart();
        to = selected.selectionEnd();
        first = view.pageAt(from);
        last = view.pageAt(to - 1);
    } else if (part == PrintPart::Page && !page.isEmpty() &&
               pageSpan(pageAt, length, pages, page).second > 0) {
        std::tie(from, to) = pageSpan(pageAt, length, pages, page);
        first = last = page;
    } else {
        first = view.pageAt(0);
        if (first.isEmpty() && !pages.isEmpty())
            first = pages.front();
        last = view.pageAt(length);
    }
    QString own = doc.metaInformation(QTextDocument::DocumentTitle).simplified();
    if (own.isEmpty())
        own = QFileInfo(view.shownFile()).completeBaseName();
    PrintJob job{printCopy(doc, from, to), printTitle(volume, first, last, own)};
    job.document->setMetaInformation(QTextDocument::DocumentTitle, job.title);
    return job;
}

char16_t thaiForPrivateUse(char16_t code) {
    // The variant glyphs' codes as Thai fonts and shapers share them: shifted left, shifted
    // down, shifted down and left, and the consonants drawn without their descender.
    static constexpr char16_t kThai[] = {
        0x0E10, 0x0E34, 0x0E35, 0x0E36, 0x0E37,         // F700-F704
        0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C,         // F705-F709 down and left
        0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C,         // F70A-F70E down
        0x0E0D, 0x0E31, 0x0E4D, 0x0E47,                 // F70F-F712
        0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C,         // F713-F717 left
        0x0E38, 0x0E39, 0x0E3A,                         // F718-F71A down
    };
    if (code < 0xF700 || code >= 0xF700 + std::size(kThai))
        return 0;
    return kThai[code - 0xF700];
}

namespace {

QByteArray inflate(const QByteArray& data) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return {};
    QByteArray out;
    char buf[16384];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = uInt(data.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buf);
        z.avail_out = sizeof buf;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buf, qsizetype(sizeof buf - z.avail_out));
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END ? out : QByteArray();
}

QByteArray hex4(char16_t c) {
    return QByteArray::number(uint(c), 16).toUpper().rightJustified(4, '0');
}

// An object of the file as written: its dictionary and its stream's bytes, decompressed.
struct PdfObject {
    QByteArray dict;
    QByteArray data;
    bool found = false;
};

PdfObject objectOf(const QByteArray& pdf, int n) {
    PdfObject o;
    const qsizetype at = pdf.lastIndexOf("\n" + QByteArray::number(n) + " 0 obj");
    if (at < 0)
        return o;
    const qsizetype endObj = pdf.indexOf("endobj", at);
    const qsizetype streamAt = pdf.indexOf("stream", at);
    if (endObj < 0 || streamAt < 0 || streamAt > endObj)
        return o;
    o.dict = pdf.mid(at, streamAt - at);
    qsizetype body = streamAt + 6;
    if (pdf.mid(body, 2) == "\r\n")
        body += 2;
    else if (body < pdf.size() && pdf.at(body) == '\n')
        body += 1;
    const qsizetype bodyEnd = pdf.indexOf("endstream", body);
    if (bodyEnd < 0)
        return o;
    o.data = pdf.mid(body, bodyEnd - body);
    if (o.dict.contains("/FlateDecode"))
        o.data = inflate(o.data);
    else if (o.data.endsWith('\n'))
        o.data.chop(1);
    o.found = !o.data.isEmpty();
    return o;
}

// The hex codes of a map line, each with where it stands.
QList<QRegularExpressionMatch> codesOf(const QByteArray& line) {
    static const QRegularExpression code(QStringLiteral("<([0-9A-Fa-f]+)>"));
    QList<QRegularExpressionMatch> all;
    for (auto it = code.globalMatch(QString::fromLatin1(line)); it.hasNext();)
        all << it.next();
    return all;
}

// A ToUnicode map with its private-use destination codes (never its glyph codes) replaced
// by the Thai letters, and what each glyph now stands for.
QByteArray mendMap(const QByteArray& cmap, bool& changed, std::map<uint, char16_t>& glyphs) {
    QByteArray out;
    bool inChar = false, inRange = false;
    for (const QByteArray& line : cmap.split('\n')) {
        QByteArray l = line;
        if (l.contains("beginbfchar"))
            inChar = true;
        else if (l.contains("endbfchar"))
            inChar = false;
        else if (l.contains("beginbfrange"))
            inRange = true;
        else if (l.contains("endbfrange"))
            inRange = false;
        else if (inChar || inRange) {
            const auto codes = codesOf(l);
            const int sources = inChar ? 1 : 2;
            if (codes.size() <= sources)
                continue;
            QByteArray mended;
            qsizetype at = 0;
            const uint first = codes[0].captured(1).toUInt(nullptr, 16);
            const bool array = inRange && l.contains('[');
            for (int k = 0; k < codes.size(); ++k) {
                const auto& m = codes[k];
                mended += l.mid(at, m.capturedStart() - at);
                at = m.capturedEnd();
                QByteArray token = l.mid(m.capturedStart(), m.capturedLength());
                if (k >= sources && m.capturedLength() == 6) {
                    char16_t u = char16_t(m.captured(1).toUInt(nullptr, 16));
                    if (char16_t t = thaiForPrivateUse(u)) {
                        token = '<' + hex4(t) + '>';
                        changed = true;
                        u = t;
                    }
                    if (inChar || array)
                        glyphs[first + uint(k - sources)] = u;
                    else // a range onto consecutive codes
                        for (uint g = first, last = codes[1].captured(1).toUInt(nullptr, 16); g <= last; ++g)
                            glyphs[g] = char16_t(u + (g - first));
                }
                mended += token;
            }
            l = mended + l.mid(at);
        }
        out += l + '\n';
    }
    out.chop(1);
    return out;
}

bool isTone(char16_t u) {
    return u >= 0x0E48 && u <= 0x0E4B;
}

// Shapers draw SARA AM as NIKHAHIT, the tone marks, then SARA AA: one glyph each, one letter
// each in the text layer. Marks each such run as the tone marks and SARA AM it was written
// as. The writer puts one glyph a line, "x y Td <glyph> Tj", under "/F<font> size Tf".
QByteArray mendSaraAm(const QByteArray& content, const std::map<int, std::map<uint, char16_t>>& fonts,
                      bool& changed) {
    static const QRegularExpression glyphLine(QStringLiteral("^(?:\\S+ \\S+ Td )?<([0-9A-Fa-f]{4})> Tj$"));
    static const QRegularExpression fontLine(QStringLiteral("/F(\\d+) \\S+ Tf"));
    const QList<QByteArray> lines = content.split('\n');
    const std::map<uint, char16_t>* font = nullptr;
    const auto letterAt = [&](qsizetype i) -> char16_t {
        if (!font || i >= lines.size())
            return 0;
        const auto m = glyphLine.match(QString::fromLatin1(lines[i]));
        if (!m.hasMatch())
            return 0;
        const auto it = font->find(m.captured(1).toUInt(nullptr, 16));
        return it == font->end() ? 0 : it->second;
    };
    QByteArray out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto f = fontLine.match(QString::fromLatin1(lines[i]));
        if (f.hasMatch()) {
            const auto it = fonts.find(f.captured(1).toInt());
            font = it == fonts.end() ? nullptr : &it->second;
        }
        if (letterAt(i) == 0x0E4D) {
            qsizetype j = i + 1;
            QByteArray actual = "FEFF";
            while (isTone(letterAt(j)))
                actual += hex4(letterAt(j++));
            if (letterAt(j) == 0x0E32) {
                actual += hex4(0x0E33);
                out += "/Span << /ActualText <" + actual + "> >> BDC\n";
                for (; i <= j; ++i)
                    out += lines[i] + '\n';
                out += "EMC\n";
                --i;
                changed = true;
                continue;
            }
        }
        out += lines[i] + '\n';
    }
    out.chop(1);
    return out;
}

std::set<int> referenced(const QByteArray& pdf, const char* key) {
    std::set<int> objects;
    const QRegularExpression ref(QStringLiteral("/%1\\s+(\\d+)\\s+0\\s+R").arg(QLatin1String(key)));
    for (auto it = ref.globalMatch(QString::fromLatin1(pdf)); it.hasNext();)
        objects.insert(it.next().captured(1).toInt());
    return objects;
}

} // namespace

bool mendThaiTextLayer(const QString& pdfFile) {
    QFile f(pdfFile);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pdf = f.readAll();
    f.close();
    if (!pdf.startsWith("%PDF-"))
        return false;
    std::map<int, QByteArray> mended; // object -> its new stream
    // Each font's map, by the font's object: the writer names a font /F<object>.
    std::map<int, std::map<uint, char16_t>> fonts;
    static const QRegularExpression toUnicode(QStringLiteral("/ToUnicode\\s+(\\d+)\\s+0\\s+R"));
    for (auto it = toUnicode.globalMatch(QString::fromLatin1(pdf)); it.hasNext();) {
        const auto m = it.next();
        const int n = m.captured(1).toInt();
        const qsizetype objAt = pdf.lastIndexOf(" 0 obj", m.capturedStart());
        const qsizetype lineAt = pdf.lastIndexOf('\n', objAt) + 1;
        const int font = pdf.mid(lineAt, objAt - lineAt).trimmed().toInt();
        const PdfObject map = objectOf(pdf, n);
        if (!map.found)
            continue;
        bool changed = false;
        const QByteArray cmap = mendMap(map.data, changed, fonts[font]);
        if (changed)
            mended[n] = cmap;
    }
    for (int n : referenced(pdf, "Contents")) {
        const PdfObject content = objectOf(pdf, n);
        if (!content.found)
            continue;
        bool changed = false;
        const QByteArray mendedContent = mendSaraAm(content.data, fonts, changed);
        if (changed)
            mended[n] = mendedContent;
    }
    if (mended.empty())
        return true; // nothing to mend
    const qsizetype trailerAt = pdf.lastIndexOf("trailer");
    const qsizetype startAt = pdf.lastIndexOf("startxref");
    if (trailerAt < 0 || startAt < trailerAt)
        return false;
    const QByteArray trailer = pdf.mid(trailerAt, startAt - trailerAt);
    const QByteArray prev = pdf.mid(startAt + 9).trimmed().split('\n').value(0).trimmed();
    static const QRegularExpression entry(QStringLiteral("/(Size|Root|Info)\\s+(\\d+(\\s+\\d+\\s+R)?)"));
    QByteArray keep;
    int size = 0;
    for (auto it = entry.globalMatch(QString::fromLatin1(trailer)); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1) == QLatin1String("Size"))
            size = m.captured(2).toInt();
        else
            keep += ' ' + m.captured(0).toLatin1();
    }
    if (size <= 0 || prev.isEmpty())
        return false;

    // An appended update: the mended streams, their cross-reference and a trailer that
    // points back to the original's, which stays as it was.
    QByteArray update = "\n";
    QByteArray xref = "xref\n";
    qsizetype offset = pdf.size() + 1;
    for (const auto& [n, stream] : mended) {
        const QByteArray obj = QByteArray::number(n) + " 0 obj\n<< /Length " +
                               QByteArray::number(stream.size()) + " >>\nstream\n" + stream +
                               "\nendstream\nendobj\n";
        xref += QByteArray::number(n) + " 1\n" +
                QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
        update += obj;
        offset += obj.size();
    }
    update += xref + "trailer\n<< /Size " + QByteArray::number(size) + keep + " /Prev " + prev +
              " >>\nstartxref\n" + QByteArray::number(offset) + "\n%%EOF\n";
    if (!f.open(QIODevice::Append))
        return false;
    return f.write(update) == update.size();
}

PrintChoice::PrintChoice(bool hasSelection, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PrintChoice"));
    setWindowTitle(QStringLiteral("พิมพ์"));
    setFont(tk::thaiFont(QStringLiteral("Tahoma"), 10));
    auto* box = new QVBoxLayout(this);
    box->addWidget(new QLabel(QStringLiteral("พิมพ์ส่วนใด"), this));
    page = new QRadioButton(QStringLiteral("หน้านี้"), this);
    box->addWidget(page);
    if (hasSelection) {
        selection = new QRadioButton(QStringLiteral("ข้อความที่เลือก"), this);
        box->addWidget(selection);
    }
    wholeFile = new QRadioButton(QStringLiteral("ทั้งไฟล์"), this);
    box->addWidget(wholeFile);
    (selection ? selection : page)->setChecked(true);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("พิมพ์…"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("ยกเลิก"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    box->addWidget(buttons);
}

PrintPart PrintChoice::chosen() const {
    if (selection && selection->isChecked())
        return PrintPart::Selection;
    if (wholeFile->isChecked())
        return PrintPart::WholeFile;
    return PrintPart::Page;
}

} // namespace reader
