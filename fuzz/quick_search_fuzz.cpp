// A page file's bytes and a search: where the quick way answers, it answers with the pages
// and the numbers of places that reading the page as the view shows it gives.
//
// The input: a control byte (bit 0: every word on one page; bits 1-2: how many words), then
// for each word a byte that picks it from the list below or, at 0xFF, takes it from the
// bytes up to the next NUL (UTF-8), then the page's bytes.
#include "canon/engine.h"
#include "canon/quick_search.h"
#include "thai/normalise.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char* const kWords[] = {"ธรรม", "กุ้ง", "ทำ", "ท่ำ", "นาย", "98", "๙๘", "word", "ภิกษุ", "พระภาค", "ข",
                              "รรม", "ษุ", "ภาพ", "ชื่อ", "หมวด", "ป่า", "ฐาน", "ก", "ำ"};

QString pagesOf(const std::vector<canon::PageHit>& hits) {
    QString out;
    for (const canon::PageHit& h : hits)
        out += QStringLiteral("[%1] %2\n").arg(h.page).arg(h.hits);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 20000)
        return 0;
    const uint8_t control = data[0];
    const int count = 1 + ((control >> 1) & 3);
    size_t at = 1;
    QStringList typed;
    for (int k = 0; k < count && at < size; ++k) {
        const uint8_t pick = data[at++];
        if (pick == 0xFF) {
            size_t end = at;
            while (end < size && data[end] != 0)
                ++end;
            typed << QString::fromUtf8(reinterpret_cast<const char*>(data + at), qsizetype(end - at));
            at = std::min(size, end + 1);
        } else {
            typed << QString::fromUtf8(kWords[pick % std::size(kWords)]);
        }
    }
    canon::Query q;
    q.word = typed.join(u' ');
    q.allWords = control & 1;
    const QByteArray page(reinterpret_cast<const char*>(data + at), qsizetype(size - at));
    const auto quick = canon::quickSearchBytes(page, canon::searchKeys(q), q.allWords);
    if (!quick)
        return 0;
    const QString shown = pagesOf(canon::searchBytes(page, q));
    if (pagesOf(*quick) != shown) {
        std::fprintf(stderr, "the quick way differs for [%s]:\n--- as shown:\n%s--- quick:\n%s",
                     qPrintable(typed.join(u'|')), qPrintable(shown), qPrintable(pagesOf(*quick)));
        std::abort();
    }
    return 0;
}
