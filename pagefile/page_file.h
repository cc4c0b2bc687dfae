#pragma once
// A page file read as the reader's view shows it, a stretch at a time, so that a file of
// any size is read in little memory: its encoding and the fragment a clipboard page marks
// are found first, then its text is read through into a sink.
#include "pagefile/decode.h"
#include "pagefile/shown_text.h"

#include <QByteArray>
#include <QIODevice>
#include <atomic>

namespace pagefile {

// The file's whole bytes, held already.
bool readPageBytes(const QByteArray& bytes, TextSink& out, const std::atomic<bool>* stop = nullptr);
// A file open for reading, read through from its start (twice where its encoding or a
// clipboard fragment can only be known from the whole).
bool readPageFile(QIODevice& file, TextSink& out, const std::atomic<bool>* stop = nullptr);

} // namespace pagefile
