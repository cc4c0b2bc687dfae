#include "pagefile/page_file.h"

#include <QByteArrayMatcher>
#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace pagefile {

namespace {

// Where the bytes come from, a stretch at a time, from their start again when asked.
struct Bytes {
    // The next stretch (empty at the end), good until the next call.
    std::function<QByteArrayView()> next;
    std::function<bool()> rewind;
    bool failed = false;
};

constexpr qsizetype kReadBytes = 1 << 16;

// The marks of a clipboard page, as they stand in the file's own bytes; one of the few
// words no page of the canon holds.
bool mayHoldFragment(std::string_view bytes) {
    static constexpr std::string_view marks[] = {
        "StartFragment", std::string_view("S\0t\0a\0r\0t\0F\0r\0a\0g", 18),
        std::string_view("\0S\0t\0a\0r\0t\0F\0r\0a\0g", 18)};
    for (std::string_view m : marks)
        if (bytes.find(m) != std::string_view::npos)
            return true;
    return false;
}

// The decoded text of the bytes, a stretch at a time, into take (false: enough).
bool decodeAll(Bytes& in, Encoding e, const std::function<bool(std::u16string_view)>& take,
               const std::atomic<bool>* stop) {
    Decoder d(e);
    std::vector<char16_t> text;
    for (;;) {
        if (stop && stop->load(std::memory_order_relaxed))
            return false;
        const QByteArrayView block = in.next();
        text.resize(size_t(d.room(block.size())));
        const qsizetype got = block.isEmpty() ? d.finish(text.data()) : d.decode(block.data(), block.size(), text.data());
        if (got > 0 && !take(std::u16string_view(text.data(), size_t(got))))
            return true;
        if (block.isEmpty())
            return !in.failed;
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
        std::string carried; // the end of the last stretch, where a mark may begin
        for (;;) {
            if (stop && stop->load(std::memory_order_relaxed))
                return false;
            const QByteArrayView block = in.next();
            if (block.isEmpty())
                break;
            sniffer.feed(block.data(), block.size());
            const std::string_view b(block.data(), size_t(block.size()));
            fragment = fragment || mayHoldFragment(b) ||
                       (!carried.empty() && mayHoldFragment(carried + std::string(b.substr(0, 32))));
            carried.assign(b.substr(b.size() - std::min<size_t>(b.size(), 32)));
        }
    }
    if (in.failed)
        return false;
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
    // Then the text, the part of it the view shows, decoded where the reading wants it.
    Decoder d(e);
    QByteArrayView block;
    std::vector<char16_t> text; // a clipboard page's text, before it is cut to the fragment
    size_t next = 0;
    qsizetype read = 0; // characters decoded so far
    bool end = false;
    const bool whole = f.from == 0 && f.to < 0;
    PageInput input;
    input.base = f.from;
    input.stop = stop;
    input.read = [&](char16_t* buffer, qsizetype room) -> qsizetype {
        for (;;) {
            if (next < text.size()) {
                const qsizetype n = std::min<qsizetype>(room, qsizetype(text.size() - next));
                std::copy(text.begin() + qsizetype(next), text.begin() + qsizetype(next) + n, buffer);
                next += size_t(n);
                return n;
            }
            if (end)
                return 0;
            if (block.isEmpty())
                block = in.next();
            // Straight into the reading's own buffer, as many bytes as surely fit there.
            const qsizetype fit = std::min(block.size(), room - d.room(0));
            if (whole && (block.isEmpty() ? room >= d.room(0) : fit >= 1)) {
                if (block.isEmpty()) {
                    end = true;
                    return d.finish(buffer);
                }
                const qsizetype got = d.decode(block.data(), fit, buffer);
                block = block.sliced(fit);
                if (got > 0)
                    return got;
                continue;
            }
            // Else through a buffer of its own: a clipboard page's text is cut to its
            // fragment there, and a character long held back comes out there.
            text.resize(size_t(d.room(block.size())));
            qsizetype got = block.isEmpty() ? d.finish(text.data()) : d.decode(block.data(), block.size(), text.data());
            end = block.isEmpty();
            block = {};
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
    };
    return readPage(input, out) && !in.failed;
}

} // namespace

bool readPageBytes(const QByteArray& bytes, TextSink& out, const std::atomic<bool>* stop) {
    bool given = false;
    Bytes in;
    in.next = [&] {
        const bool first = !given;
        given = true;
        return first ? QByteArrayView(bytes) : QByteArrayView();
    };
    in.rewind = [&] {
        given = false;
        return true;
    };
    return readBytes(in, out, stop);
}

bool readPageFile(QIODevice& file, TextSink& out, const std::atomic<bool>* stop) {
    std::vector<char> block(static_cast<size_t>(kReadBytes));
    Bytes in;
    in.next = [&] {
        const qint64 n = file.read(block.data(), kReadBytes);
        if (n < 0)
            in.failed = true;
        return n > 0 ? QByteArrayView(block.data(), n) : QByteArrayView();
    };
    in.rewind = [&] { return file.seek(0); };
    return readBytes(in, out, stop);
}

} // namespace pagefile
