#pragma once
// The windows-874 code page of legacy Thai text (a superset of TIS-620 and ISO-8859-11).
#include <QByteArray>
#include <QString>

namespace thai {

// The character of every byte; U+FFFD for the bytes the table leaves undefined.
char16_t windows874(unsigned char byte);
QString decodeWindows874(const QByteArray& bytes);

} // namespace thai
