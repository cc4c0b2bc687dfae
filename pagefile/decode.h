#pragma once
// A page file's bytes as text: the encoding from a byte-order mark, a charset label or the
// bytes themselves, windows-874 when nothing says otherwise. The same rules serve a page
// read at once and one read a stretch at a time.
#include <QByteArray>
#include <QString>
#include <optional>

namespace pagefile {

enum class Encoding { Utf8, Windows874, Utf16Le, Utf16Be };

// The encoding of a page, from its bytes given in order, a stretch at a time: a byte-order
// mark (UTF-8, UTF-16 either way), a charset label in the first few kilobytes (UTF-16
// without a mark is little endian), or the bytes themselves (valid UTF-8 with non-ASCII
// text is UTF-8, anything else Thai).
class Sniffer {
  public:
    void feed(const char* bytes, qsizetype n);
    // Whether the bytes seen so far settle it, whatever follows (the mark or the label).
    bool decided() const;
    Encoding result() const;

  private:
    std::optional<Encoding> fromHead() const;
    std::optional<Encoding> readHead() const;
    mutable qsizetype headRead_ = -1; // the head's length when fromHead last read it
    mutable std::optional<Encoding> headResult_;
    QByteArray head_;       // the first kilobytes
    int utf8Need_ = 0;      // continuation bytes still owed
    bool utf8Bad_ = false, multibyte_ = false;
};

Encoding sniff(const QByteArray& bytes);

// The name a charset label gives, in small letters, as the pattern
// charset\s*=\s*["']?\s*([a-z0-9_:.-]+) finds it first in the bytes taken as Latin-1 in
// small letters, zero bytes left out; nothing without one. Read by hand, for every page
// file; the same by the pattern itself (for comparing the two).
std::optional<QString> charsetLabel(const QByteArray& head);
std::optional<QString> charsetLabelByPattern(const QByteArray& head);

// Bytes of one encoding into UTF-16, a stretch at a time; a character split between two
// stretches comes out whole.
class Decoder {
  public:
    explicit Decoder(Encoding e);
    // At most how many characters n more bytes can make.
    qsizetype room(qsizetype n) const { return n + pending_.size() + 4; }
    // Decodes n bytes into out (room(n) characters); returns how many it wrote.
    qsizetype decode(const char* bytes, qsizetype n, char16_t* out);
    // What is left over at the end of the bytes: a broken last character.
    qsizetype finish(char16_t* out);

  private:
    qsizetype utf8(qsizetype n, char16_t* out); // the first n bytes waiting

    Encoding e_;
    bool start_ = true;      // the byte-order mark is not text
    bool firstUtf8_ = true;  // nothing decoded yet
    QByteArray pending_;     // UTF-8: bytes waiting for the end of their character
    int oddByte_ = -1;       // UTF-16: a byte waiting for its other half
    int highSurrogate_ = -1; // UTF-16: a first half waiting for its second
};

QString decode(const QByteArray& bytes);
// UTF-16 as Windows saves "Unicode" text; an odd last byte is dropped, a lone surrogate is
// U+FFFD.
QString decodeUtf16(const QByteArray& bytes, bool bigEndian);
// windows-874 bytes, n of them, into out (n characters).
void decodeWindows874(const char* bytes, qsizetype n, char16_t* out);

} // namespace pagefile
