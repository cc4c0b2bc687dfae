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
    size_t rowCount() const { return columns_.empty() ? 0 : cells_.size() / columns_.size(); }
    // Index of a column by name, without regard to letter case; -1 when absent.
    int column(std::string_view name) const;
    // The cell's text; nothing for a null.
    std::optional<std::string_view> cell(size_t row, int col) const {
        const Cell& c = cells_[row * columns_.size() + size_t(col)];
        if (c.len == kNull) return std::nullopt;
        return std::string_view(arena_.data() + c.off, c.len);
    }

    void beginRow() {}
    void addCell(const char* text, size_t len);
    void addNull() { cells_.push_back(Cell{0, kNull}); }
    void reserve(size_t rows, size_t bytes);

private:
    static constexpr uint32_t kNull = 0xFFFFFFFFu;
    struct Cell {
        uint64_t off;
        uint32_t len;
    };
    std::vector<std::string> columns_;
    std::vector<Cell> cells_;
    std::string arena_;
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
        if (!EOF_()) ++pos_;
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
