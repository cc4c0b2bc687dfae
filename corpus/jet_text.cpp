#include "corpus/jet_text.h"

namespace corpus {

namespace {
void putUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | (c >> 6)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | (c >> 12)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (c >> 18)));
        out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

// UTF-16 units to UTF-8; a lone surrogate becomes U+FFFD.
class Utf16Sink {
public:
    explicit Utf16Sink(std::string& out) : out_(out) {}
    void unit(char16_t u) {
        if (high_) {
            if (u >= 0xDC00 && u <= 0xDFFF) {
                putUtf8(0x10000 + ((char32_t(high_) - 0xD800) << 10) + (u - 0xDC00), out_);
                high_ = 0;
                return;
            }
            putUtf8(0xFFFD, out_);
            high_ = 0;
        }
        if (u >= 0xD800 && u <= 0xDBFF) high_ = u;
        else if (u >= 0xDC00 && u <= 0xDFFF) putUtf8(0xFFFD, out_);
        else putUtf8(u, out_);
    }
    ~Utf16Sink() {
        if (high_) putUtf8(0xFFFD, out_);
    }

private:
    std::string& out_;
    char16_t high_ = 0;
};
} // namespace

void appendJetText(const unsigned char* p, size_t n, std::string& out) {
    Utf16Sink sink(out);
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
                if (i + 1 >= n) break;
                sink.unit(char16_t(p[i] | (p[i + 1] << 8)));
                i += 2;
            }
        }
        return;
    }
    for (size_t i = 0; i + 1 < n; i += 2) sink.unit(char16_t(p[i] | (p[i + 1] << 8)));
}

} // namespace corpus
