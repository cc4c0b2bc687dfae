// Every caption fits its control: measured with the control's own font at its real size,
// on every window the program shows.
#include "fixtures.h"
#include "canon/search_window.h"
#include "reader/find_bar.h"
#include "reader/frm_browser.h"
#include "shell/dialog.h"
#include "toolkit/graphic_button.h"
#include "toolkit/program_icon.h"
#include "topics/topic_pane.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <iostream>

namespace {

QString nameOf(const QWidget* w) {
    QString path;
    for (; w; w = w->parentWidget())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            return w->objectName() + path;
        else
            path.prepend(QLatin1Char('/') + QString::fromLatin1(w->metaObject()->className()));
    return path;
}

// The room a line edit gives its text: its contents less the frame, the margins and the
// buttons at its ends.
QRect textRoom(const QLineEdit* e) {
    QStyleOptionFrame opt;
    opt.initFrom(e);
    opt.rect = e->rect();
    opt.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e) : 0;
    QRect r = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e);
    r = r.marginsRemoved(e->textMargins());
    for (const QToolButton* b : e->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly)) {
        if (!b->isVisible())
            continue;
        if (b->geometry().center().x() > e->width() / 2)
            r.setRight(std::min(r.right(), b->geometry().left() - 1));
        else
            r.setLeft(std::max(r.left(), b->geometry().right() + 1));
    }
    return r.adjusted(2, 0, -2, 0); // the line edit's own horizontal margin
}

// Every shown control of the window whose text does not fit it, with what it needs.
QStringList clipped(QWidget* window) {
    QStringList out;
    auto report = [&](const QWidget* w, const QString& text, QSize need, QSize room) {
        if (need.width() > room.width() || need.height() > room.height())
            out << QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6")
                       .arg(nameOf(w), text)
                       .arg(need.width())
                       .arg(need.height())
                       .arg(room.width())
                       .arg(room.height());
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->window() != window)
            continue;
        const QFontMetrics fm(w->font());
        if (auto* g = qobject_cast<tk::GraphicButton*>(w)) {
            if (!g->captionFits())
                out << nameOf(w) + QStringLiteral(": caption elided");
        } else if (auto* b = qobject_cast<QPushButton*>(w); b && !b->text().isEmpty()) {
            QStyleOptionButton opt;
            opt.initFrom(b);
            opt.text = b->text();
            const QSize text(fm.horizontalAdvance(b->text()), fm.height());
            report(b, b->text(),
                   b->style()->sizeFromContents(QStyle::CT_PushButton, &opt, text, b), b->size());
        } else if (auto* t = qobject_cast<QToolButton*>(w); t && !t->text().isEmpty() &&
                                                           t->toolButtonStyle() != Qt::ToolButtonIconOnly) {
            report(t, t->text(), t->sizeHint(), t->size());
        } else if (auto* a = qobject_cast<QAbstractButton*>(w); a && !qobject_cast<QToolButton*>(w) &&
                                                               !a->text().isEmpty()) {
            report(a, a->text(), a->sizeHint(), a->size());
        } else if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty() && l->pixmap().isNull()) {
            const QRect room = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
            if (l->wordWrap())
                report(l, l->text(), QSize(0, l->heightForWidth(l->width())), l->size());
            else if (l->textFormat() == Qt::PlainText || !Qt::mightBeRichText(l->text()))
                report(l, l->text(), fm.size(Qt::TextSingleLine, l->text()), room.size());
            else
                report(l, l->text(), l->sizeHint(), l->size());
        } else if (auto* e = qobject_cast<QLineEdit*>(w); e && !e->text().isEmpty()) {
            report(e, e->text(), QSize(fm.horizontalAdvance(e->text()), fm.height()),
                   textRoom(e).size());
        } else if (auto* f = qobject_cast<QGroupBox*>(w); f && !f->title().isEmpty()) {
            report(f, f->title(), QSize(fm.horizontalAdvance(f->title()) + 12, fm.height()),
                   f->size());
        }
    }
    return out;
}

// Two shown labels of the window, or a label and a button, that share pixels.
QStringList overlapping(QWidget* window) {
    QList<QWidget*> texts;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->isVisibleTo(window) &&
            ((qobject_cast<QLabel*>(w) && !static_cast<QLabel*>(w)->text().isEmpty()) ||
             qobject_cast<QPushButton*>(w)))
            texts << w;
    QStringList out;
    auto inWindow = [&](QWidget* w) { return QRect(w->mapTo(window, QPoint(0, 0)), w->size()); };
    for (int i = 0; i < texts.size(); ++i) {
        const QRect a = inWindow(texts[i]);
        if (!window->rect().contains(a))
            out << nameOf(texts[i]) + QStringLiteral(" runs past the window");
        for (int j = i + 1; j < texts.size(); ++j)
            if (a.intersects(inWindow(texts[j])))
                out << nameOf(texts[i]) + QStringLiteral(" overlaps ") + nameOf(texts[j]);
    }
    return out;
}

// Shown controls that take the focus but give a screen reader nothing to say.
QStringList unnamed(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->focusPolicy() == Qt::NoFocus || w->focusProxy())
            continue;
        const auto* b = qobject_cast<QAbstractButton*>(w);
        if (w->accessibleName().isEmpty() && !(b && !b->text().isEmpty()))
            out << nameOf(w);
    }
    return out;
}

// A button's caption that a sibling drawn above it covers.
QStringList hiddenCaptions(QWidget* window) {
    QStringList out;
    for (auto* g : window->findChildren<tk::GraphicButton*>()) {
        if (!g->isVisibleTo(window))
            continue;
        const QFontMetrics fm(g->captionFont());
        const int width = std::min(fm.horizontalAdvance(g->text()), g->width());
        const QRect caption(g->x() + (g->width() - width) / 2, g->y(), width, g->height());
        const QObjectList& siblings = g->parentWidget()->children();
        for (qsizetype i = siblings.indexOf(g) + 1; i < siblings.size(); ++i) {
            auto* above = qobject_cast<QWidget*>(siblings[i]);
            if (above && above->isVisibleTo(window) && above->geometry().intersects(caption))
                out << nameOf(g) + QStringLiteral(" is covered by ") + nameOf(above);
        }
    }
    return out;
}

struct Windows : fixtures::App {
    Windows() : App(fixtures::sampleFolder()) {}
};

} // namespace

TEST(Fit, EveryCaptionOfTheMainWindowFitsItsDesignBox) {
    Windows w;
    const QString prompt = w.form.text1->text();
    w.form.show();
    QApplication::processEvents();
    // The box empties when it takes the focus; its first text is measured all the same.
    w.form.text1->setText(prompt);
    // The window at its design size, then with the topic panel and its buttons shown.
    EXPECT_EQ(clipped(&w.form).join(QLatin1Char('\n')).toStdString(), "");
    EXPECT_EQ(hiddenCaptions(&w.form).join(QLatin1Char('\n')).toStdString(), "");
    EXPECT_EQ(unnamed(&w.form).join(QLatin1Char('\n')).toStdString(), "");
    w.form.Frame4.setVisible(true);
    w.form.Command6.setVisible(true);
    w.form.Command8.setVisible(true);
    EXPECT_EQ(clipped(&w.form).join(QLatin1Char('\n')).toStdString(), "");
    for (QLabel* l : {w.form.label2, w.form.label3})
        std::cout << "font " << l->objectName().toStdString() << ' ' << l->font().pointSizeF()
                  << " pt\n";
    // Each button's caption font: the design's stand-in, or the size it was reduced to.
    for (QPushButton* b : {w.form.command5, w.form.command7, w.form.command9, w.form.command10}) {
        auto* g = static_cast<tk::GraphicButton*>(b);
        std::cout << "caption font " << b->objectName().toStdString() << ' '
                  << b->font().pointSizeF() << " -> " << g->captionFont().pointSizeF() << " pt\n";
    }
    EXPECT_EQ(w.form.windowIcon().availableSizes(), tk::programIcon().availableSizes());
}

TEST(Fit, TheAboutDialogAndTheReaderFitTheirTextsAndCarryTheProgramIcon) {
    Windows w;
    w.form.show();
    QApplication::processEvents();
    const QList<QSize> icon = tk::programIcon().availableSizes();
    EXPECT_EQ(icon.size(), 7);
    bool dialogSeen = false, readerSeen = false;
    w.platform.onModal = [&](QDialog& d) {
        EXPECT_EQ(d.windowIcon().availableSizes(), icon) << d.objectName().toStdString();
        if (auto* r = dynamic_cast<reader::frmBrowser*>(&d)) {
            readerSeen = true;
            QTest::keyClick(r->brwWebBrowser, Qt::Key_F, Qt::ControlModifier);
            ASSERT_TRUE(r->findBar->isVisible());
            fixtures::typeText(r->findBar->edit(), QStringLiteral("พระ"));
            EXPECT_EQ(clipped(&d).join(QLatin1Char('\n')).toStdString(), "");
            EXPECT_EQ(unnamed(&d).join(QLatin1Char('\n')).toStdString(), "");
        } else {
            dialogSeen = true;
            for (QLabel* l : d.findChildren<QLabel*>())
                if (!l->text().isEmpty())
                    std::cout << "font " << l->objectName().toStdString() << ' '
                              << l->font().pointSizeF() << " pt\n";
            EXPECT_EQ(clipped(&d).join(QLatin1Char('\n')).toStdString(), "");
            EXPECT_EQ(overlapping(&d).join(QLatin1Char('\n')).toStdString(), "");
            EXPECT_EQ(unnamed(&d).join(QLatin1Char('\n')).toStdString(), "");
        }
    };
    QTest::mouseClick(w.form.command10, Qt::LeftButton);
    w.platform.answers = {tk::AnswerYes};
    w.form.cmdBookButtons[0]->setFocus();
    QTest::keyClick(w.form.cmdBookButtons[0], Qt::Key_Return);
    w.form.listView2->setFocus();
    QTest::keyClick(w.form.listView2, Qt::Key_Return);
    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(readerSeen);
}

TEST(Fit, TheCanonSearchWindowFitsItsTextsAndNamesItsControls) {
    Windows w;
    w.form.show();
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    // A topic list shown first: the table is loaded, and the window has its topic check box.
    w.form.topicPane->ListVolumeTopics(5);
    bool seen = false;
    w.platform.onModal = [&](QDialog& d) {
        auto* s = dynamic_cast<canon::SearchWindow*>(&d);
        if (!s)
            return;
        seen = true;
        EXPECT_TRUE(s->onlyWithTopics->isVisible());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !s->running(); }, 10000));
        EXPECT_EQ(clipped(&d).join(QLatin1Char('\n')).toStdString(), "");
        EXPECT_EQ(unnamed(&d).join(QLatin1Char('\n')).toStdString(), "");
    };
    QTest::mouseClick(w.form.text1, Qt::LeftButton);
    fixtures::typeText(w.form.text1, QStringLiteral("ธรรม"));
    QTest::keyClick(w.form.text1, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_TRUE(seen);
}
