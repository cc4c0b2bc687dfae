#include "fixtures.h"

#include "jet4_writer.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace fixtures {

namespace {
jet4::Value text(const std::optional<QString>& s) {
    if (!s)
        return jet4::Null{};
    return std::u16string(reinterpret_cast<const char16_t*>(s->utf16()), size_t(s->size()));
}
jet4::Value number(const std::optional<int>& n) {
    if (!n)
        return jet4::Null{};
    return int64_t(*n);
}
} // namespace

bool damageSecondRow(const QString& folder) {
    QFile file(folder + QStringLiteral("/velkaro.mdb"));
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    // A data page that is neither the catalogue's (owner 2) nor a long value's.
    for (int pg = 3; pg * 4096 < bytes.size(); ++pg) {
        const int at = pg * 4096;
        const auto owner = uchar(bytes[at + 4]) | uchar(bytes[at + 5]) << 8;
        if (bytes[at] == 1 && owner != 2 && bytes.mid(at + 4, 4) != "LVAL") {
            // Row 1 starts past the end of row 0.
            bytes[at + 0x0E + 2] = char(0xFF);
            bytes[at + 0x0E + 3] = char(0x0F);
            file.seek(0);
            return file.write(bytes) == bytes.size();
        }
    }
    return false;
}

void writeDatabase(const QString& folder, const std::vector<Topic>& topics) {
    using jet4::ColType;
    jet4::Table t;
    t.name = u"Velkaro";
    t.columns = {
        {u"velkaro_group", ColType::Text},     {u"velkaro_code", ColType::Long},
        {u"velkaro_category", ColType::Text},  {u"velkaro_title", ColType::Memo},
        {u"velkaro_no", ColType::Long},        {u"velkaro_mark", ColType::Text},
        {u"velkaro_book_blue", ColType::Text}, {u"velkaro_book_red", ColType::Text},
        {u"velkaro_book", ColType::Text},      {u"velkaro_page", ColType::Text},
        {u"velkaro_line", ColType::Text},      {u"velkaro_readfromfile", ColType::Text},
    };
    for (const Topic& x : topics)
        t.rows.push_back({text(x.group), number(x.code), text(x.category), text(x.title),
                          number(x.no), text(x.mark), text(x.blue), text(x.red), text(x.book),
                          text(x.page), text(x.line), text(x.readFromFile)});
    jet4::Options o;
    o.password = u"harbelune27kest";
    const std::string bytes = jet4::writeDatabase(t, o);
    QFile f(folder + QStringLiteral("/velkaro.mdb"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), qint64(bytes.size()));
}

Folder::Folder(const std::vector<Topic>& topics) {
    writeDatabase(dir.path(), topics);
}

void typeText(QWidget* widget, const QString& text) {
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

void writeFile(const QString& folder, const QString& path, const QByteArray& bytes) {
    const QString p = folder + QLatin1Char('/') + path;
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << qPrintable(p);
    f.write(bytes);
}

void writePage(const QString& folder, int volume, const QString& file, const QString& html) {
    writeFile(folder, QStringLiteral("91book/book%1/").arg(volume, 2, 10, QLatin1Char('0')) + file,
              "<meta charset=\"utf-8\">" + html.toUtf8());
}

QString sampleFolder() {
    static QTemporaryDir dir;
    static bool written = false;
    if (!written) {
        const int rc = QProcess::execute(QStringLiteral(VELKARO_SAMPLE_TOOL), {dir.path()});
        EXPECT_EQ(rc, 0);
        written = true;
    }
    return dir.path();
}

namespace {
void describe(QWidget& w, const QString& path, QStringList& out) {
    QString texts;
    bool picture = false;
    if (auto* b = qobject_cast<QAbstractButton*>(&w)) {
        texts = b->text();
        picture = !b->icon().isNull();
    } else if (auto* l = qobject_cast<QLabel*>(&w)) {
        texts = l->text();
        picture = !l->pixmap().isNull();
    } else if (auto* e = qobject_cast<QLineEdit*>(&w)) {
        texts = e->text() + QLatin1Char('|') + e->placeholderText();
    }
    // A hidden part of Qt's own (a scroll bar's box, say) keeps whatever place it last had.
    const bool own = !w.objectName().isEmpty() && !w.objectName().startsWith(QLatin1String("qt_"));
    const QRect g = w.isVisible() || own ? w.geometry() : QRect();
    out << QStringLiteral("%1 %2 (%3,%4 %5x%6) %7 %8 [%9] tip[%10] name[%11] %12 %13")
               .arg(path, QString::fromLatin1(w.metaObject()->className()))
               .arg(g.x())
               .arg(g.y())
               .arg(g.width())
               .arg(g.height())
               .arg(w.isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"))
               .arg(w.font().toString(), texts, w.toolTip(), w.accessibleName())
               .arg(picture ? QStringLiteral("picture") : QStringLiteral("-"))
               .arg(w.isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled"));
    int i = 0;
    for (QWidget* child : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow())
            describe(*child, path + QLatin1Char('/') +
                                 (child->objectName().isEmpty() ? QString::number(i++)
                                                                : child->objectName()),
                     out);
}
} // namespace

QString firstDifference(const QStringList& want, const QStringList& got) {
    for (qsizetype i = 0; i < std::max(want.size(), got.size()); ++i)
        if (want.value(i) != got.value(i))
            return QStringLiteral("line %1: want \"%2\", got \"%3\"").arg(i).arg(want.value(i), got.value(i));
    return QString();
}

QStringList describeControls(QWidget& window) {
    QStringList out{QStringLiteral("window %1x%2 %3")
                        .arg(window.width())
                        .arg(window.height())
                        .arg(window.windowTitle())};
    int i = 0;
    // The focus ring is left out: it follows the active window.
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow() && child->objectName() != QLatin1String("focusMark"))
            describe(*child, child->objectName().isEmpty() ? QString::number(i++)
                                                           : child->objectName(),
                     out);
    QStringList tabs;
    QWidget* w = window.nextInFocusChain();
    for (int n = 0; w != &window && n < 1000; w = w->nextInFocusChain(), ++n)
        if (w->focusPolicy() & Qt::TabFocus)
            tabs << (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                              : w->objectName());
    out << QStringLiteral("tab order: ") + tabs.join(QLatin1Char(' '));
    return out;
}

} // namespace fixtures
