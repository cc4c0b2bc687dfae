#include "catalogue/collections.h"

#include "corpus/topic_queries.h"

namespace catalogue {

const std::array<QString, 4> kCategories = {
    QStringLiteral("พระวินัยปิฎก "), // with its trailing blank
    QStringLiteral("พระสุตตันตปิฎก"),
    QStringLiteral("พระอธิธรรมปิฎก"),          // spelled so in the table
    QStringLiteral("รวมหัวข้อธรรมสำคัญ 91เล่ม"), // no blank before เล่ม
};

QString groupSql(int k) {
    return corpus::groupsSql(kCategories[size_t(k - 1)]);
}

void GroupModel::setRows(std::vector<Row> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int GroupModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}
int GroupModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant GroupModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size()))
        return {};
    const Row& r = rows_[size_t(index.row())];
    if (role == Qt::DisplayRole)
        return index.column() == 0 ? r.group : r.code;
    if (role == Qt::ToolTipRole && index.column() == 0)
        return r.group;
    return {};
}

QVariant GroupModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section == 0)
        return QStringLiteral("รายละเอียด");
    return {};
}

} // namespace catalogue
