// The two search buttons of the main window wear different pictures: "ค้นหา" searches the
// topics' titles, the button in the search box the canon's text and wears its own icon.
#include "fixtures.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QImage drawn(const QIcon& icon, int size) {
    return icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST(SearchButtons, TheCanonSearchButtonWearsItsOwnPictureNotTheTitleSearchs) {
    fixtures::App app(fixtures::sampleFolder());
    app.form.show();
    QApplication::processEvents();
    QLineEdit* box = app.form.text1;
    box->setFocus();
    fixtures::typeText(box, QStringLiteral("สมาธิ"));
    QAction* canon = box->findChild<QAction*>(QStringLiteral("canonSearchAction"));
    ASSERT_NE(canon, nullptr);
    ASSERT_TRUE(canon->isVisible());
    // The button the box shows for it.
    QToolButton* shown = nullptr;
    for (auto* b : box->findChildren<QToolButton*>())
        if (b->defaultAction() == canon && b->isVisible())
            shown = b;
    ASSERT_NE(shown, nullptr);
    for (int size : {16, 24, 32}) {
        const QImage own = drawn(QIcon(QStringLiteral(":/icons/velkaro-canon-search-%1.png").arg(size)), size);
        ASSERT_FALSE(own.isNull()) << size;
        EXPECT_EQ(drawn(shown->icon(), size), own) << size;
        EXPECT_NE(drawn(app.form.command5->icon(), size), drawn(shown->icon(), size)) << size;
    }
}
