#pragma once
// Legacy Thai pages: the windows-874 table (a superset of TIS-620 and ISO-8859-11) and
// the choice of a page's encoding from its label or its bytes.
#include <QByteArray>
#include <QString>

namespace thai {

// The character of every byte; U+FFFD for the bytes the table leaves undefined.
char16_t windows874(unsigned char byte);
QString decodeWindows874(const QByteArray& bytes);

enum class PageEncoding { Utf8, Windows874, Utf16Le, Utf16Be };
// From a byte-order mark (UTF-8, UTF-16 either way), a charset label in the first few
// kilobytes (UTF-16 without a mark is little endian), or the bytes themselves (valid UTF-8
// with non-ASCII text is UTF-8, anything else Thai).
PageEncoding sniffEncoding(const QByteArray& bytes);
QString decodePage(const QByteArray& bytes);
// UTF-16 as Windows saves "Unicode" text; an odd last byte is dropped, a lone surrogate is
// U+FFFD.
QString decodeUtf16(const QByteArray& bytes, bool bigEndian);

} // namespace thai
