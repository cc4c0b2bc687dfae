// A page file's bytes and a search: where the quick way answers, it answers with the pages
// and the numbers of places that reading the page as the view shows it gives.
//
// The input: see fuzz_input.h (the size of stretches unused); the words are picked from the
// list below.
#include "canon/engine.h"
#include "canon/quick_search.h"
#include "fuzz_input.h"
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
    const FuzzSearch in = readSearch(data, size, kWords);
    canon::Query q;
    q.word = in.typed.join(u' ');
    q.allWords = in.allWords;
    const QByteArray& page = in.page;
    const QStringList& typed = in.typed;
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
