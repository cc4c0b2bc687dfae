#include "corpus/jet_text.h"

namespace corpus {

namespace {

char* putUtf8(char32_t c, char* o) {
    if (c < 0x80) {
        *o++ = char(c);
    } else if (c < 0x800) {
        *o++ = char(0xC0 | (c >> 6));
        *o++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *o++ = char(0xE0 | (c >> 12));
        *o++ = char(0x80 | ((c >> 6) & 0x3F));
        *o++ = char(0x80 | (c & 0x3F));
    } else {
        *o++ = char(0xF0 | (c >> 18));
        *o++ = char(0x80 | ((c >> 12) & 0x3F));
        *o++ = char(0x80 | ((c >> 6) & 0x3F));
        *o++ = char(0x80 | (c & 0x3F));
    }
    return o;
}

// UTF-16 units to UTF-8; a lone surrogate becomes U+FFFD.
struct Utf16Sink {
    char* o;
    char16_t high = 0;
    void unit(char16_t u) {
        if (high) {
            if (u >= 0xDC00 && u <= 0xDFFF) {
                o = putUtf8(0x10000 + ((char32_t(high) - 0xD800) << 10) + (u - 0xDC00), o);
                high = 0;
                return;
            }
            o = putUtf8(0xFFFD, o);
            high = 0;
        }
        if (u >= 0xD800 && u <= 0xDBFF)
            high = u;
        else if (u >= 0xDC00 && u <= 0xDFFF)
            o = putUtf8(0xFFFD, o);
        else
            o = putUtf8(u, o);
    }
    char* end() {
        if (high)
            o = putUtf8(0xFFFD, o);
        high = 0;
        return o;
    }
};

} // namespace

void appendJetText(const unsigned char* p, size_t n, std::string& out) {
    // At most three UTF-8 bytes for each stored byte (a compressed Latin byte takes two).
    const size_t at = out.size();
    out.resize(at + 3 * n + 4);
    Utf16Sink sink{out.data() + at};
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        bool oneByte = true;
        for (size_t i = 2; i < n;) {
            if (p[i] == 0) {
                oneByte = !oneByte;
                ++i;
            } else if (oneByte) {
                sink.unit(p[i]);
                ++i;
            } else {
                if (i + 1 >= n)
                    break;
                sink.unit(char16_t(p[i] | (p[i + 1] << 8)));
                i += 2;
            }
        }
    } else {
        for (size_t i = 0; i + 1 < n; i += 2)
            sink.unit(char16_t(p[i] | (p[i + 1] << 8)));
    }
    out.resize(size_t(sink.end() - out.data()));
}

} // namespace corpus
