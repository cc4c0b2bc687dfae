#pragma once
// The four collections, the group query and the group list's rows.
#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

namespace catalogue {

// The category value each collection button compares with, exactly as the table holds it
// (index 0 for the first button).
extern const std::array<QString, 4> kCategories;
QString groupSql(int k); // k = 1 .. 4

class GroupModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;
    struct Row {
        QString group;
        QString code;
    };
    void setRows(std::vector<Row> rows);
    const std::vector<Row>& rows() const { return rows_; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  private:
    std::vector<Row> rows_;
};

} // namespace catalogue
