// A page file's bytes and a search: the search by the words' keys, the page read from its
// bytes, gives what folding the page's whole shown text gives, and so does folding all of
// it as the text comes in small stretches: the same pages, places and result lines.
//
// The input: see fuzz_input.h; the words are picked from the list below.
#include "canon/page_search.h"
#include "fuzz_input.h"
#include "pagefile/decode.h"
#include "pagefile/page_file.h"
#include "pagefile/shown_text.h"
#include "thai/normalise.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char* const kWords[] = {
    "ธรรม", "กุ้ง", "กุ", "้", "ทำ", "ท่ำ", "นาย", "98", "๙๘", "word", "นน", "ออ", "ก ข",
    "ธรรม กุ้ง", "ก", "ง", "&", "a < b", "ภาพ", "ชื่อ", "หมวด", "ข", "ิ่", "ำ", "ภิกษุทั้งหลาย",
    "ณ ที่", " ", "1", "\xEF\xBB\xBF", ("ก\xE2\x80\x8B" "ข"), "ป่า", "ฐาน"};

QString described(const std::vector<canon::PageHit>& pages) {
    QString out;
    for (const canon::PageHit& h : pages) {
        const canon::Snippet s = canon::snippetOf(h);
        out += QStringLiteral("[%1] %2 @%3 «%4»").arg(h.page).arg(h.hits).arg(h.firstAt).arg(s.text);
        for (const auto& [a, n] : s.marks)
            out += QStringLiteral(" %1+%2").arg(a).arg(n);
        out += QLatin1Char('\n');
    }
    return out;
}

std::vector<canon::PageHit> inStretches(const QString& html, const std::vector<canon::SearchWord>& words,
                                        bool allWords, int stretch) {
    const pagefile::Fragment f = pagefile::fragmentOf(html.indexOf(QLatin1String("<!--StartFragment-->")),
                                                      html.indexOf(QLatin1String("<!--EndFragment-->")));
    const QStringView text = f.to < 0 ? QStringView(html).mid(f.from) : QStringView(html).mid(f.from, f.to - f.from);
    canon::PageSearch search(words, allWords, false);
    pagefile::PageInput in;
    in.base = f.from;
    qsizetype at = 0;
    in.read = [&](char16_t* buffer, qsizetype room) -> qsizetype {
        const qsizetype n = std::min<qsizetype>({room, text.size() - at, stretch});
        std::copy(text.begin() + at, text.begin() + at + n, reinterpret_cast<QChar*>(buffer));
        at += n;
        return n;
    };
    pagefile::readPage(in, search);
    return search.finish();
}

void differ(const char* what, const QString& a, const QString& b, const QStringList& words) {
    std::fprintf(stderr, "%s differs for [%s]:\n--- whole text folded:\n%s--- %s:\n%s", what,
                 qPrintable(words.join(u'|')), qPrintable(a), what, qPrintable(b));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 20000)
        return 0;
    const FuzzSearch in = readSearch(data, size, kWords);
    const bool allWords = in.allWords;
    const int stretch = in.stretch;
    const QStringList& typed = in.typed;
    std::vector<canon::SearchWord> words;
    for (const QString& w : typed) {
        const QString f = thai::foldWord(w);
        if (!f.isEmpty())
            words.emplace_back(f);
    }
    if (words.empty())
        return 0;
    const QByteArray& page = in.page;
    const QString html = pagefile::decode(page);
    const QString whole = described(canon::searchShownText(pagefile::showPage(html), words, allWords));
    canon::PageSearch byKeys(words, allWords, true);
    pagefile::readPageBytes(page, byKeys);
    const QString fast = described(byKeys.finish());
    if (fast != whole)
        differ("by keys from the bytes", whole, fast, typed);
    const QString folded = described(inStretches(html, words, allWords, stretch));
    if (folded != whole)
        differ("folded in stretches", whole, folded, typed);
    return 0;
}
