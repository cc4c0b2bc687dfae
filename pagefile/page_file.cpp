#include "pagefile/page_file.h"

#include <QByteArrayMatcher>
#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace pagefile {

namespace {

// Where the bytes come from, from their start again when asked.
struct Bytes {
    std::function<qsizetype(char*, qsizetype)> read; // 0 at the end, -1 on an error
    std::function<bool()> rewind;
};

constexpr qsizetype kBlock = 1 << 16;

// The marks of a clipboard page, as they stand in the file's own bytes; one of the few
// words no page of the canon holds.
bool mayHoldFragment(std::string_view bytes) {
    static const QByteArrayMatcher ascii(QByteArrayLiteral("StartFragment"));
    static const QByteArrayMatcher little(QByteArray("S\0t\0a\0r\0t\0F\0r\0a\0g", 18));
    static const QByteArrayMatcher big(QByteArray("\0S\0t\0a\0r\0t\0F\0r\0a\0g", 18));
    const QByteArrayView v(bytes.data(), qsizetype(bytes.size()));
    return ascii.indexIn(v) >= 0 || little.indexIn(v) >= 0 || big.indexIn(v) >= 0;
}

// The decoded text of the bytes, a block at a time, into a sink of stretches.
bool decodeAll(Bytes& in, Encoding e, const std::function<bool(std::u16string_view)>& take,
               const std::atomic<bool>* stop) {
    Decoder d(e);
    std::vector<char> block(static_cast<size_t>(kBlock));
    std::vector<char16_t> text;
    for (;;) {
        if (stop && stop->load(std::memory_order_relaxed))
            return false;
        const qsizetype n = in.read(block.data(), kBlock);
        if (n < 0)
            return false;
        text.resize(size_t(d.room(n)));
        qsizetype got = n > 0 ? d.decode(block.data(), n, text.data()) : 0;
        if (n == 0)
            got = d.finish(text.data());
        if (got > 0 && !take(std::u16string_view(text.data(), size_t(got))))
            return true;
        if (n == 0)
            return true;
    }
}

// Where the two marks of a clipboard page first stand in the decoded text; -1 where not.
std::pair<qsizetype, qsizetype> fragmentMarks(Bytes& in, Encoding e, const std::atomic<bool>* stop) {
    const std::u16string_view marks[2] = {u"<!--StartFragment-->", u"<!--EndFragment-->"};
    qsizetype found[2] = {-1, -1};
    std::u16string tail; // the end of the text so far, where a mark may begin
    qsizetype at = 0;    // where tail starts in the text
    decodeAll(
        in, e,
        [&](std::u16string_view s) {
            tail.append(s);
            for (int k = 0; k < 2; ++k) {
                if (found[k] >= 0)
                    continue;
                const size_t hit = tail.find(marks[k]);
                if (hit != std::u16string::npos)
                    found[k] = at + qsizetype(hit);
            }
            if (found[0] >= 0 && found[1] >= 0)
                return false;
            const size_t keep = std::min(tail.size(), size_t(32));
            at += qsizetype(tail.size() - keep);
            tail.erase(0, tail.size() - keep);
            return true;
        },
        stop);
    return {found[0], found[1]};
}

bool readBytes(Bytes& in, TextSink& out, const std::atomic<bool>* stop) {
    // First the encoding, and whether the file may be a clipboard page.
    Sniffer sniffer;
    bool fragment = false;
    {
        std::vector<char> block(static_cast<size_t>(kBlock) + 32);
        qsizetype carried = 0; // the end of the last block, where a mark may begin
        for (;;) {
            if (stop && stop->load(std::memory_order_relaxed))
                return false;
            const qsizetype n = in.read(block.data() + carried, kBlock);
            if (n < 0)
                return false;
            if (n == 0)
                break;
            sniffer.feed(block.data() + carried, n);
            fragment = fragment || mayHoldFragment(std::string_view(block.data(), size_t(carried + n)));
            const qsizetype keep = std::min<qsizetype>(carried + n, 32);
            std::memmove(block.data(), block.data() + carried + n - keep, size_t(keep));
            carried = keep;
        }
    }
    const Encoding e = sniffer.result();
    Fragment f;
    if (fragment) {
        if (!in.rewind())
            return false;
        const auto [start, end] = fragmentMarks(in, e, stop);
        f = fragmentOf(start, end);
    }
    if (!in.rewind())
        return false;
    // Then the text, the part of it the view shows.
    Decoder d(e);
    std::vector<char> block(static_cast<size_t>(kBlock));
    std::vector<char16_t> text;
    size_t next = 0;     // in text, what is still to be handed on
    qsizetype read = 0;  // characters decoded so far
    bool end = false, broken = false;
    PageInput input;
    input.base = f.from;
    input.stop = stop;
    input.read = [&](char16_t* buffer, qsizetype room) -> qsizetype {
        while (next >= text.size()) {
            if (end)
                return 0;
            const qsizetype n = in.read(block.data(), kBlock);
            if (n < 0)
                broken = true;
            text.resize(size_t(d.room(std::max<qsizetype>(n, 0))));
            qsizetype got = n > 0 ? d.decode(block.data(), n, text.data()) : d.finish(text.data());
            end = n <= 0;
            // Only the fragment: what is before it is passed over, what is after it ends it.
            qsizetype from = 0;
            if (read < f.from)
                from = std::min(got, f.from - read);
            if (f.to >= 0 && read + got > f.to) {
                got = std::max<qsizetype>(f.to - read, from);
                end = true;
            }
            read += got;
            text.resize(size_t(got));
            next = size_t(from);
        }
        const qsizetype n = std::min<qsizetype>(room, qsizetype(text.size() - next));
        std::copy(text.begin() + qsizetype(next), text.begin() + qsizetype(next) + n, buffer);
        next += size_t(n);
        return n;
    };
    return readPage(input, out) && !broken;
}

} // namespace

bool readPageBytes(const QByteArray& bytes, TextSink& out, const std::atomic<bool>* stop) {
    qsizetype at = 0;
    Bytes in;
    in.read = [&](char* into, qsizetype room) {
        const qsizetype n = std::min(room, bytes.size() - at);
        std::memcpy(into, bytes.constData() + at, size_t(n));
        at += n;
        return n;
    };
    in.rewind = [&] {
        at = 0;
        return true;
    };
    return readBytes(in, out, stop);
}

bool readPageFile(QIODevice& file, TextSink& out, const std::atomic<bool>* stop) {
    Bytes in;
    in.read = [&](char* into, qsizetype room) { return qsizetype(file.read(into, room)); };
    in.rewind = [&] { return file.seek(0); };
    return readBytes(in, out, stop);
}

} // namespace pagefile
