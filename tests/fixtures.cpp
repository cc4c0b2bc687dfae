#include "fixtures.h"

#include "jet4_writer.h"

#include <QDir>
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

} // namespace fixtures
