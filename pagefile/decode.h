#pragma once
// A page file's bytes as text: the encoding from a byte-order mark, a charset label or the
// bytes themselves, windows-874 when nothing says otherwise.
#include <QByteArray>
#include <QString>

namespace pagefile {

enum class Encoding { Utf8, Windows874, Utf16Le, Utf16Be };
// From a byte-order mark (UTF-8, UTF-16 either way), a charset label in the first few
// kilobytes (UTF-16 without a mark is little endian), or the bytes themselves (valid UTF-8
// with non-ASCII text is UTF-8, anything else Thai).
Encoding sniff(const QByteArray& bytes);
QString decode(const QByteArray& bytes);
// UTF-16 as Windows saves "Unicode" text; an odd last byte is dropped, a lone surrogate is
// U+FFFD.
QString decodeUtf16(const QByteArray& bytes, bool bigEndian);

} // namespace pagefile
