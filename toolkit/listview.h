#pragma once
// A list in report view: rows in columns over a model. Columns of width 0 are carried
// by the model but hidden. A click anywhere in the list, rows or empty area, is a Click;
// a double-click anywhere is a DblClick. Enter on the current row acts as its double-click,
// so the keyboard reaches what the mouse does.
#include <QTableView>
#include <vector>

namespace tk {

class ListView : public QTableView {
    Q_OBJECT
  public:
    explicit ListView(QWidget* parent = nullptr);

    // Column widths in twips; 0 hides the column.
    void setColumnWidthsTwips(const std::vector<int>& twips);
    int rowCount() const;
    // The selected row, -1 when none.
    int selectedRow() const;
    void selectRow0IfNone();
    // Top of a row within the list, in twips (the header included).
    float rowTop(int row) const;

  signals:
    void listClick();
    void listDblClick();

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    bool suppressRelease_ = false;
};

} // namespace tk
