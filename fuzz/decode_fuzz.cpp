// A page file's bytes decoded: the charset label read by hand as its pattern reads it,
// windows-874 sixteen bytes at a step as byte by byte, every
// encoding a stretch at a time as at once, and the page read through from its bytes as its
// decoded text shows.
//
// The input: a byte for the size of the stretches, then the file's bytes.
#include "pagefile/decode.h"
#include "pagefile/page_file.h"
#include "pagefile/shown_text.h"
#include "thai/codec.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what, const QByteArray& b) {
    std::fprintf(stderr, "%s: %s\n", what, b.toHex().constData());
    std::abort();
}

struct Collected : pagefile::TextSink {
    pagefile::ShownText out;
    void text(int, QStringView chars) override { out.text.append(chars); }
    void anchor(const pagefile::Anchor& a) override { out.anchors.push_back(a); }
    void source(int at, int from) override { out.sourceRuns.emplace_back(at, from); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 40000)
        return 0;
    const int stretch = 1 + data[0] % 37;
    const QByteArray b(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (pagefile::charsetLabel(b) != pagefile::charsetLabelByPattern(b))
        fail("the charset label by hand and by its pattern", b);
    std::vector<char16_t> fast(size_t(b.size()));
    pagefile::decodeWindows874(b.constData(), b.size(), fast.data());
    for (qsizetype i = 0; i < b.size(); ++i)
        if (fast[size_t(i)] != thai::windows874(static_cast<unsigned char>(b[i])))
            fail("windows-874 at a step and byte by byte", b);
    for (pagefile::Encoding e : {pagefile::Encoding::Windows874, pagefile::Encoding::Utf8,
                                 pagefile::Encoding::Utf16Le, pagefile::Encoding::Utf16Be}) {
        pagefile::Decoder whole(e), parts(e);
        std::vector<char16_t> a(size_t(whole.room(b.size()))), out;
        qsizetype n = whole.decode(b.constData(), b.size(), a.data());
        std::vector<char16_t> tail(size_t(whole.room(0)));
        const qsizetype t = whole.finish(tail.data());
        a.resize(size_t(n));
        a.insert(a.end(), tail.begin(), tail.begin() + t);
        for (qsizetype at = 0; at < b.size(); at += stretch) {
            const qsizetype k = std::min<qsizetype>(stretch, b.size() - at);
            std::vector<char16_t> piece(size_t(parts.room(k)));
            const qsizetype got = parts.decode(b.constData() + at, k, piece.data());
            out.insert(out.end(), piece.begin(), piece.begin() + got);
        }
        tail.resize(size_t(parts.room(0)));
        const qsizetype end = parts.finish(tail.data());
        out.insert(out.end(), tail.begin(), tail.begin() + end);
        if (out != a)
            fail("a stretch at a time and at once", b);
    }
    const pagefile::ShownText shown = pagefile::showPage(pagefile::decode(b));
    Collected c;
    pagefile::readPageBytes(b, c);
    if (c.out.text != shown.text || c.out.anchors.size() != shown.anchors.size() ||
        c.out.sourceRuns != shown.sourceRuns)
        fail("the file read through and its text", b);
    for (size_t k = 0; k < shown.anchors.size(); ++k)
        if (c.out.anchors[k].at != shown.anchors[k].at || c.out.anchors[k].name != shown.anchors[k].name)
            fail("the file's anchors", b);
    return 0;
}
