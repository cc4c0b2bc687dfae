// Printing from the reader: the choice of what to print, white paper, the title, the print
// dialog in Thai and a PDF whose text is the page's own Thai.
#include "fixtures.h"
#include "reader/content_opener.h"
#include "reader/frm_browser.h"
#include "reader/page_view.h"
#include "reader/printing.h"
#include "toolkit/translations.h"
#include "topics/topic_pane.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPrintDialog>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <gtest/gtest.h>

using fixtures::Topic;

namespace {

// Thai with every kind of mark the fonts move out of the way: tone marks over a bare
// consonant (drawn lower), over a tall consonant (drawn left), upper vowels beside a tall
// consonant, vowels below a consonant with a descender, SARA AM, and the Pali NIKHAHIT.
const QString kMarks = QStringLiteral("เล่มที่ หน้าที่ ข้อความ น้ำใจ ปั่นป่วน ปี่ ฝั่ง ฟ้อน ญุ ฐุ ตฺ พุทฺธํ สรณํ");

// Volume 5, pages 0-50, on cream paper as the canon's page files are.
QByteArray pageFile() {
    QByteArray html = "<html><head><meta charset=\"utf-8\"><title>พระไตรปิฎก เล่ม 5</title></head>"
                      "<body bgcolor=\"#FFFFF0\">";
    for (int p = 0; p <= 50; ++p) {
        html += "<a name=\"" + QByteArray::number(p) + "\"></a><p align=\"center\"><b>PAGE" +
                QByteArray::number(p) + " พระไตรปิฎก เล่มที่ 5 หน้าที่ " + QByteArray::number(p) +
                "</b></p>";
        for (int k = 0; k < 3; ++k)
            html += "<p>" + kMarks.toUtf8() + "</p>";
        html += "<hr>";
    }
    return html + "</body></html>";
}

Topic at(const QString& page) {
    Topic t;
    t.code = 7;
    t.title = QStringLiteral("สมาธิ ตั้งมั่น");
    t.book = QStringLiteral("5");
    t.page = page;
    t.line = QStringLiteral("1");
    return t;
}

struct Printing : fixtures::AppWith {
    std::function<void(reader::frmBrowser&)> inside;
    std::function<void(reader::PrintChoice&)> inChoice;
    std::function<void(QPrintDialog&)> inDialog;
    QTemporaryDir out;
    QString pdf = out.path() + "/หน้า.pdf";
    QStringList choiceTexts;

    explicit Printing(const QString& page = QStringLiteral("3")) : AppWith({at(page)}) {
        tk::installThaiTranslations();
        const QString file = folder.path() + "/91book/book05/001_050.htm";
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(pageFile());
        f.close();
        platform.onModal = [this](QDialog& d) {
            if (auto* b = dynamic_cast<reader::frmBrowser*>(&d)) {
                b->resize(700, 600);
                QApplication::processEvents();
                if (inside)
                    inside(*b);
            } else if (auto* c = dynamic_cast<reader::PrintChoice*>(&d)) {
                for (auto* r : c->findChildren<QRadioButton*>())
                    if (r->isVisible())
                        choiceTexts << r->text();
                if (inChoice)
                    inChoice(*c);
            } else if (auto* p = dynamic_cast<QPrintDialog*>(&d)) {
                if (inDialog) {
                    inDialog(*p);
                    return;
                }
                p->printer()->setOutputFormat(QPrinter::PdfFormat);
                p->printer()->setOutputFileName(pdf);
                p->done(QDialog::Accepted); // as if the user had named this file
            }
        };
    }
    void openTopic() {
        form.topicPane->ListGroupTopics("7");
        form.listView2->setCurrentIndex(form.topicPane->model().index(0, 0));
        form.opener->ListView2_DblClick();
    }
    // Opens the topic, presses Ctrl+P (after `before`) and clicks `part` in the choice.
    void print(const QString& part, std::function<void(reader::frmBrowser&)> before = {}) {
        inChoice = [part](reader::PrintChoice& c) {
            for (auto* r : c.findChildren<QRadioButton*>())
                if (r->text() == part) // on its circle
                    QTest::mouseClick(r, Qt::LeftButton, {}, QPoint(r->height() / 2, r->height() / 2));
            for (auto* b : c.findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("พิมพ์…"))
                    QTest::mouseClick(b, Qt::LeftButton);
        };
        inside = [before](reader::frmBrowser& b) {
            if (before)
                before(b);
            b.activateWindow();
            (void)QTest::qWaitForWindowActive(&b);
            QTest::keyClick(&b, Qt::Key_P, Qt::ControlModifier);
        };
        openTopic();
    }
};

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>").arg(program, QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfText(const QString& pdf) {
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
}

QString pdfTitle(const QString& pdf) {
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    static const QRegularExpression title(QStringLiteral("^Title:\\s*(.*)$"), QRegularExpression::MultilineOption);
    return title.match(info).captured(1).trimmed();
}

// pdftotext lays glyphs out by position and may part a word where a mark stands out.
QString withoutSpaces(QString s) {
    return s.remove(QRegularExpression(QStringLiteral("\\s")));
}

} // namespace

TEST(PrintParts, TitlesAndPageSpans) {
    EXPECT_EQ(reader::printTitle(5, "3", "3"), QStringLiteral("พระไตรปิฎก เล่ม 5 หน้า 3"));
    EXPECT_EQ(reader::printTitle(5, "32", "33"), QStringLiteral("พระไตรปิฎก เล่ม 5 หน้า 32–33"));
    EXPECT_EQ(reader::printTitle(5, "", "7"), QStringLiteral("พระไตรปิฎก เล่ม 5 หน้า 7"));
    EXPECT_EQ(reader::printTitle(5, "", ""), QStringLiteral("พระไตรปิฎก เล่ม 5"));
    EXPECT_EQ(reader::printTitle(0, "", "", QStringLiteral("คำนำ")), QStringLiteral("คำนำ"));

    // Page "a" holds 10-19, "b" 20-34, "c" 35 to the end; nothing before 10.
    const QStringList pages{"a", "b", "c"};
    const auto pageAt = [](int p) { return p < 10 ? QString() : p < 20 ? "a" : p < 35 ? "b" : "c"; };
    EXPECT_EQ(reader::pageSpan(pageAt, 50, pages, "a"), std::make_pair(10, 20));
    EXPECT_EQ(reader::pageSpan(pageAt, 50, pages, "b"), std::make_pair(20, 35));
    EXPECT_EQ(reader::pageSpan(pageAt, 50, pages, "c"), std::make_pair(35, 50));
    EXPECT_EQ(reader::pageSpan(pageAt, 50, pages, "d"), std::make_pair(0, 0));
}

TEST(PrintParts, TheCopyHasNoBackgroundAndOnlyItsSpan) {
    QTextDocument doc;
    doc.setHtml("<body bgcolor=\"#FFFFF0\"><p style=\"background:#ffe\">one <span "
                "style=\"background:yellow\">two</span></p><table bgcolor=\"#eee\"><tr><td "
                "bgcolor=\"#ddd\">three</td></tr></table><p>four</p></body>");
    ASSERT_TRUE(doc.rootFrame()->frameFormat().hasProperty(QTextFormat::BackgroundBrush));
    const int from = int(doc.toPlainText().indexOf("two"));
    const int to = int(doc.toPlainText().indexOf("four"));
    auto copy = reader::printCopy(doc, from, to);
    EXPECT_EQ(copy->toPlainText().trimmed(), QStringLiteral("two\nthree"));
    QImage page(300, 200, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter p(&page);
        copy->drawContents(&p);
    }
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            // Only the black text and its anti-aliasing: greys, never a tint.
            ASSERT_TRUE(c.red() == c.green() && c.green() == c.blue()) << x << "," << y;
        }
}

TEST(ReaderPrint, ThisPagePrintsThePageAtTheTopOnWhitePaperTitledByVolumeAndPage) {
    Printing r;
    r.print(QStringLiteral("หน้านี้"));
    EXPECT_EQ(r.choiceTexts, (QStringList{"หน้านี้", "ทั้งไฟล์"})); // no selection to offer
    const QString text = pdfText(r.pdf);
    EXPECT_TRUE(text.contains("PAGE3")) << text.toStdString();
    for (const char* other : {"PAGE2", "PAGE4"})
        EXPECT_FALSE(text.contains(other)) << other;
    EXPECT_EQ(pdfTitle(r.pdf), QStringLiteral("พระไตรปิฎก เล่ม 5 หน้า 3"));

    // The first sheet, drawn as a printer would: white where the page had its cream colour.
    const QString png = r.out.path() + "/sheet";
    run(QStringLiteral("pdftoppm"), {"-png", "-r", "30", "-f", "1", "-l", "1", r.pdf, png});
    const QImage sheet(png + "-1.png");
    ASSERT_FALSE(sheet.isNull());
    for (QPoint p : {QPoint(3, 3), QPoint(sheet.width() / 2, sheet.height() - 5),
                     QPoint(sheet.width() - 4, sheet.height() / 2)})
        EXPECT_EQ(sheet.pixelColor(p), QColor(Qt::white)) << p.x() << "," << p.y();
}

TEST(ReaderPrint, TheSelectionIsOfferedWhenThereIsOneAndPrintsOnlyItselfTitledByItsPages) {
    Printing r;
    r.print(QStringLiteral("ข้อความที่เลือก"), [](reader::frmBrowser& b) {
        QTextCursor c(b.brwWebBrowser->document());
        const QString all = b.brwWebBrowser->document()->toPlainText();
        c.setPosition(int(all.indexOf("PAGE5")));
        c.setPosition(int(all.indexOf("PAGE6")) + 5, QTextCursor::KeepAnchor);
        b.brwWebBrowser->setTextCursor(c);
    });
    EXPECT_EQ(r.choiceTexts, (QStringList{"หน้านี้", "ข้อความที่เลือก", "ทั้งไฟล์"}));
    const QString text = pdfText(r.pdf);
    EXPECT_TRUE(text.contains("PAGE5") && text.contains("PAGE6")) << text.toStdString();
    for (const char* other : {"PAGE3", "PAGE4", "PAGE7"})
        EXPECT_FALSE(text.contains(other)) << other;
    EXPECT_EQ(pdfTitle(r.pdf), QStringLiteral("พระไตรปิฎก เล่ม 5 หน้า 5–6"));
}

TEST(ReaderPrint, TheWholeFilePrintsEveryPageTitledByTheFilesRange) {
    Printing r;
    r.print(QStringLiteral("ทั้งไฟล์"));
    const QString text = pdfText(r.pdf);
    for (const char* page : {"PAGE0", "PAGE3", "PAGE50"})
        EXPECT_TRUE(text.contains(page)) << page;
    EXPECT_EQ(pdfTitle(r.pdf), QStringLiteral("พระไตรปิฎก เล่ม 5 หน้า 0–50"));
}

TEST(ReaderPrint, ThePdfsTextIsThePagesOwnThai) {
    Printing r;
    r.print(QStringLiteral("หน้านี้"));
    const QString text = withoutSpaces(pdfText(r.pdf));
    EXPECT_TRUE(text.contains(withoutSpaces(QStringLiteral("พระไตรปิฎก เล่มที่ 5 หน้าที่ 3"))))
        << text.toStdString();
    EXPECT_EQ(text.count(withoutSpaces(kMarks)), 3) << text.toStdString();
}

TEST(ReaderPrint, ThePrintDialogSpeaksThai) {
    Printing r;
    QStringList english;
    int seen = 0;
    const auto check = [&](QWidget& top) {
        static const QRegularExpression latinWord(QStringLiteral("[A-Za-z]{2,}"));
        const auto note = [&](const QString& caption) {
            QString c = caption;
            c.remove(QStringLiteral("PDF")).remove(QLatin1Char('&'));
            ++seen;
            if (c.contains(latinWord))
                english << caption;
        };
        for (QWidget* w : top.findChildren<QWidget*>()) {
            if (!w->isVisible())
                continue;
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                note(b->text());
            else if (auto* l = qobject_cast<QLabel*>(w))
                note(l->text());
            else if (auto* g = qobject_cast<QGroupBox*>(w))
                note(g->title());
            else if (auto* t = qobject_cast<QTabWidget*>(w))
                for (int i = 0; i < t->count(); ++i)
                    note(t->tabText(i));
            else if (auto* c = qobject_cast<QComboBox*>(w))
                note(c->currentText());
        }
    };
    r.inDialog = [&](QPrintDialog& d) {
        check(d);
        // The options the dialog keeps folded.
        for (auto* b : d.findChildren<QPushButton*>())
            if (b->text().startsWith(QStringLiteral("ตัวเลือก")) || b->text().contains("Options"))
                QTest::mouseClick(b, Qt::LeftButton);
        QApplication::processEvents();
        check(d);
        d.reject();
    };
    r.print(QStringLiteral("หน้านี้"));
    EXPECT_GT(seen, 20);
    EXPECT_TRUE(english.isEmpty()) << english.join(" | ").toStdString();
}
