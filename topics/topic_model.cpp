#include "topics/topic_model.h"

#include "topics/topic_row.h"

#include <QColor>

namespace topics {

void TopicModel::clear() {
    beginResetModel();
    headers_.clear();
    rows_.clear();
    committed_ = 0;
    table_.reset();
    endResetModel();
}

void TopicModel::setColumns(QStringList headers) {
    beginResetModel();
    headers_ = std::move(headers);
    endResetModel();
}

void TopicModel::appendRow(const corpus::Recordset& rs) {
    if (rs.table() != table_) {
        table_ = rs.table();
        const corpus::ResultTable& t = *table_;
        colGroup_ = t.column("velkaro_group");
        colTitle_ = t.column("velkaro_title");
        colNo_ = t.column("velkaro_no");
        colBlue_ = t.column("velkaro_book_blue");
        colRed_ = t.column("velkaro_book_red");
        colBook_ = t.column("velkaro_book");
        colPage_ = t.column("velkaro_page");
        colLine_ = t.column("velkaro_line");
        colFile_ = t.column("velkaro_readfromfile");
        colMark_ = t.column("velkaro_mark");
    }
    const auto mark = colMark_ < 0 ? std::nullopt : table_->cell(rs.position(), colMark_);
    rows_.push_back(Row{uint32_t(rs.position()), mark && *mark == "TRUE"});
}

void TopicModel::commitRows() {
    if (int(rows_.size()) == committed_)
        return;
    beginInsertRows({}, committed_, int(rows_.size()) - 1);
    committed_ = int(rows_.size());
    endInsertRows();
}

int TopicModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : committed_;
}
int TopicModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(headers_.size());
}

QString TopicModel::field(const Row& r, int col) const {
    if (!table_ || col < 0)
        return {};
    const auto v = table_->cell(r.record, col);
    return v ? QString::fromUtf8(v->data(), qsizetype(v->size())) : QString();
}

QString TopicModel::subItem(int row, int index) const {
    if (row < 0 || row >= int(rows_.size()))
        return {};
    const Row& r = rows_[size_t(row)];
    switch (index) {
    case 0:
        return rowText(field(r, colNo_), field(r, colTitle_));
    case 1:
        return field(r, colBlue_);
    case 2:
        return fileMarker(field(r, colNo_), field(r, colFile_));
    case 3:
        return field(r, colRed_);
    case 4:
        return field(r, colBook_);
    case 5:
        return field(r, colPage_);
    case 6:
        return field(r, colLine_);
    default:
        return {};
    }
}

QString TopicModel::toolTip(int row) const {
    if (row < 0 || row >= int(rows_.size()))
        return {};
    return field(rows_[size_t(row)], colTitle_);
}

bool TopicModel::isRed(int row) const {
    return row >= 0 && row < int(rows_.size()) && rows_[size_t(row)].red;
}

QVariant TopicModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= committed_)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return subItem(index.row(), index.column());
    case Qt::ToolTipRole:
        return index.column() == 0 ? QVariant(toolTip(index.row())) : QVariant();
    case Qt::ForegroundRole:
        if (index.column() == 0 && isRed(index.row()))
            return QColor(255, 0, 0);
        return {};
    default:
        return {};
    }
}

QVariant TopicModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headers_.size())
        return headers_[section];
    return {};
}

} // namespace topics
