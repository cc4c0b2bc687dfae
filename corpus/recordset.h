#pragma once
// A client-side result set: every row is fetched when it opens, so the record count is
// known at once and callers may pass over the rows more than once.
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corpus {

// The rows of one result, as UTF-8 texts in one buffer.
class ResultTable {
  public:
    explicit ResultTable(std::vector<std::string> columns);
    const std::vector<std::string>& columns() const { return columns_; }
    size_t rowCount() const { return columns_.empty() ? 0 : count_ / columns_.size(); }
    // Index of a column by name, without regard to letter case; -1 when absent.
    int column(std::string_view name) const;
    // The cell's text; nothing for a null.
    std::optional<std::string_view> cell(size_t row, int col) const {
        const size_t i = row * columns_.size() + size_t(col);
        const Cell& c = cells_[i >> kChunkBits][i & kChunkMask];
        if (!c.p)
            return std::nullopt;
        return std::string_view(c.p, c.len);
    }

    void addCell(const char* text, size_t len);
    void addNull() { push(Cell{nullptr, 0}); }

  private:
    // Cells and texts live in fixed-size chunks that never move: a large result grows
    // without copying what it already holds.
    static constexpr size_t kChunkBits = 16;
    static constexpr size_t kChunkMask = (size_t(1) << kChunkBits) - 1;
    static constexpr size_t kBlock = size_t(1) << 20;
    struct Cell {
        const char* p; // null for a null
        size_t len;
    };
    void push(const Cell& c) {
        if (count_ >> kChunkBits >= cells_.size()) {
            cells_.emplace_back();
            cells_.back().reserve(kChunkMask + 1);
        }
        cells_.back().push_back(c);
        ++count_;
    }
    std::vector<std::string> columns_;
    std::vector<std::vector<Cell>> cells_;
    size_t count_ = 0;
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t used_ = kBlock, blockSize_ = 0;
};

class Recordset {
  public:
    Recordset() = default; // not open
    explicit Recordset(std::shared_ptr<const ResultTable> table);

    bool isOpen() const { return static_cast<bool>(table_); }
    // Records in the set; a set that never opened counts none.
    long RecordCount() const { return table_ ? long(table_->rowCount()) : 0; }
    void MoveFirst() { pos_ = 0; }
    void MoveNext() {
        if (!EOF_())
            ++pos_;
    }
    bool EOF_() const { return !table_ || pos_ >= table_->rowCount(); }
    size_t position() const { return pos_; }

    // The value of a column of the current record as text; a null reads as empty.
    QString text(std::string_view column) const;
    // Nothing for a null, or when there is no current record or column.
    std::optional<std::string_view> raw(std::string_view column) const;
    bool isNull(std::string_view column) const { return !raw(column).has_value(); }

    const std::shared_ptr<const ResultTable>& table() const { return table_; }

  private:
    std::shared_ptr<const ResultTable> table_;
    size_t pos_ = 0;
};

} // namespace corpus
