// The Thai folding on arbitrary text: where each folded character came from stays in
// order and inside the source, folding is done once and for all, the UTF-8 folding of the
// database's texts agrees with it, the text folds apart wherever the folding starts afresh,
// and a character that folds alone stands in the source where the folded text holds it.
//
// The input: two bytes a UTF-16 unit, the first unit picking where to cut.
#include "thai/normalise.h"

#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const QString& s) {
    std::fprintf(stderr, "%s:", what);
    for (QChar c : s)
        std::fprintf(stderr, " %04x", c.unicode());
    std::fprintf(stderr, "\n");
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 4000)
        return 0;
    QString s;
    for (size_t i = 2; i + 1 < size; i += 2)
        s += QChar(char16_t(data[i] | data[i + 1] << 8));
    const int n = int(s.size());
    const thai::Folded f = thai::fold(s);
    if (f.from.size() != size_t(f.text.size()) || f.to.size() != size_t(f.text.size()))
        fail("a span for each character", s);
    for (size_t k = 0; k < f.from.size(); ++k) {
        if (f.from[k] < 0 || f.from[k] >= f.to[k] || f.to[k] > n)
            fail("a span inside the source", s);
        if (k > 0 && (f.from[k] < f.from[k - 1] || f.to[k] < f.to[k - 1]))
            fail("spans in order", s);
        const char16_t c = f.text[qsizetype(k)].unicode();
        if (thai::foldsAlone(c) && (f.to[k] != f.from[k] + 1 || s[f.from[k]] != QChar(c)))
            fail("a character folding alone stands where it is folded", s);
    }
    if (thai::foldWord(s) != f.text)
        fail("the word folds as the text", s);
    if (thai::foldWord(f.text) != f.text)
        fail("folding twice folds once", s);
    bool lone = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            ++i;
        else if (s[i].isSurrogate())
            lone = true;
    }
    if (!lone) {
        std::string utf8;
        thai::foldUtf8(s.toUtf8().toStdString(), utf8);
        if (QString::fromStdString(utf8) != f.text)
            fail("the UTF-8 folding agrees", s);
    }
    // Cut where the folding starts afresh: the two halves fold apart.
    if (n > 0) {
        const int cut = (data[0] | data[1] << 8) % n;
        if (thai::startsAfresh(s[cut].unicode())) {
            const thai::Folded a = thai::fold(QStringView(s).left(cut));
            const thai::Folded b = thai::fold(QStringView(s).mid(cut));
            if (a.text + b.text != f.text)
                fail("the halves fold apart", s);
            for (size_t k = 0; k < b.from.size(); ++k)
                if (b.from[k] + cut != f.from[a.from.size() + k] || b.to[k] + cut != f.to[a.from.size() + k])
                    fail("the halves' spans", s);
        }
    }
    return 0;
}
