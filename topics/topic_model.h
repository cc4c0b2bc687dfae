#pragma once
// The rows of the topic list over the result they came from: a row refers to its record
// and the texts are composed when the view asks for them, so a fill of many thousand
// rows costs little more than the query.
#include "corpus/recordset.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <memory>
#include <vector>

namespace topics {

class TopicModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    // Removes every column and row.
    void clear();
    // Sets the columns (header texts) of an empty list.
    void setColumns(QStringList headers);
    // Appends the topic row of the result set's current record.
    void appendRow(const corpus::Recordset& rs);
    // Rows appended since the last call become visible to the view at once.
    void commitRows();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    // The row's text (index 0) or sub-item 1 to 6, as the list holds them.
    QString subItem(int row, int index) const;
    QString toolTip(int row) const;
    bool isRed(int row) const;

  private:
    struct Row {
        uint32_t record;
        bool red;
    };
    QString field(const Row& r, int col) const;

    std::shared_ptr<const corpus::ResultTable> table_;
    int colGroup_ = -1, colTitle_ = -1, colNo_ = -1, colBlue_ = -1, colRed_ = -1, colBook_ = -1,
        colPage_ = -1, colLine_ = -1, colFile_ = -1, colMark_ = -1;
    QStringList headers_;
    std::vector<Row> rows_;
    int committed_ = 0;
};

} // namespace topics
