#include "corpus/recordset.h"

#include <cstring>
#include <strings.h>

namespace corpus {

ResultTable::ResultTable(std::vector<std::string> columns) : columns_(std::move(columns)) {}

int ResultTable::column(std::string_view name) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].size() == name.size() &&
            strncasecmp(columns_[i].data(), name.data(), name.size()) == 0)
            return int(i);
    return -1;
}

void ResultTable::addCell(const char* text, size_t len) {
    if (used_ + len > blockSize_) {
        blockSize_ = std::max(kBlock, len);
        // Not zeroed: every byte is written before it is read.
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize_));
        used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
    if (len)
        std::memcpy(at, text, len);
    used_ += len;
    // An empty text still needs a non-null address to tell it from a null.
    push(Cell{at, len});
}

Recordset::Recordset(std::shared_ptr<const ResultTable> table) : table_(std::move(table)) {}

std::optional<std::string_view> Recordset::raw(std::string_view column) const {
    if (EOF_())
        return std::nullopt;
    const int c = table_->column(column);
    if (c < 0)
        return std::nullopt;
    return table_->cell(pos_, c);
}

QString Recordset::text(std::string_view column) const {
    const auto v = raw(column);
    if (!v)
        return {};
    return QString::fromUtf8(v->data(), qsizetype(v->size()));
}

} // namespace corpus
