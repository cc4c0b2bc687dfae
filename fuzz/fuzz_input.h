#pragma once
// The input of the search fuzz targets: a control byte (bit 0: every word on one page;
// bits 1-2: how many words; bits 4-7: the size of the stretches), then for each word a
// byte that picks it from the target's list or, at 0xFF, takes it from the bytes up to the
// next NUL (UTF-8), then the page's bytes.
#include <QByteArray>
#include <QStringList>
#include <algorithm>
#include <cstddef>
#include <cstdint>

struct FuzzSearch {
    bool allWords = false;
    int stretch = 1;
    QStringList typed;
    QByteArray page;
};

template <size_t N>
FuzzSearch readSearch(const uint8_t* data, size_t size, const char* const (&words)[N]) {
    FuzzSearch f;
    const uint8_t control = data[0];
    f.allWords = control & 1;
    const int count = 1 + ((control >> 1) & 3);
    f.stretch = 1 + (control >> 4) * 3;
    size_t at = 1;
    for (int k = 0; k < count && at < size; ++k) {
        const uint8_t pick = data[at++];
        if (pick == 0xFF) {
            size_t end = at;
            while (end < size && data[end] != 0)
                ++end;
            f.typed << QString::fromUtf8(reinterpret_cast<const char*>(data + at), qsizetype(end - at));
            at = std::min(size, end + 1);
        } else {
            f.typed << QString::fromUtf8(words[pick % N]);
        }
    }
    f.page = QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(size - at));
    return f;
}
