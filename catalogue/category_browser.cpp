#include "catalogue/category_browser.h"

#include "toolkit/twips.h"

#include <QLabel>

namespace catalogue {

CategoryBrowser::CategoryBrowser(tk::Platform& platform, tk::DBFunction& db,
                                 tk::PictureLoader& pictures, BrowserControls controls,
                                 tk::WindowState& state,
                                 std::function<void(const QString&)> listGroupTopics,
                                 std::function<void()> listView2DblClick)
    : platform_(platform), db_(db), pictures_(pictures), c_(controls),
      state_(state),
      listGroupTopics_(std::move(listGroupTopics)),
      listView2DblClick_(std::move(listView2DblClick)) {
    c_.listView1->setModel(&model_);
    c_.listView1->setColumnWidthsTwips({4000, 0});
    connect(c_.listView1, &tk::ListView::listClick, this, [this] { ListView1_Click(); });
    connect(c_.listView1, &tk::ListView::listDblClick, this, [this] { ListView1_DblClick(); });
}

void CategoryBrowser::arrangeAccordion(int k) {
    auto& cmd = c_.Command;
    auto bottom = [](const tk::Control* c) { return double(c->Top()) + c->Height(); };
    if (k != 1)
        cmd[0]->Move(70, 200);
    for (int j = 2; j <= k; ++j)
        cmd[size_t(j - 1)]->Move(70, bottom(cmd[size_t(j - 2)]));
    c_.ListView1->Move(50, bottom(cmd[size_t(k - 1)]));
    for (int j = k + 1; j <= 4; ++j)
        cmd[size_t(j - 1)]->Move(70,
                                 j == k + 1 ? bottom(c_.ListView1) : bottom(cmd[size_t(j - 2)]));
}

void CategoryBrowser::CommandN_Click(int k) {
    state_.CollectionOpened = true;
    c_.Command6->setVisible(false);
    // Arrows: open on the clicked collection, closed on the others. A picture that cannot
    // be read leaves that arrow as it was.
    const QString app = platform_.AppPath();
    for (int j = 1; j <= 4; ++j) {
        const QString file = app + (j == k ? QStringLiteral("\\img_detail\\icon-down.gif")
                                           : QStringLiteral("\\img_detail\\icon-up.gif"));
        if (auto pm = pictures_.load(platform_.AppPath(), file))
            c_.pictures[size_t(j - 1)]->setPixmap(*pm);
    }
    arrangeAccordion(k);
    for (size_t j = 0; j < 4; ++j)
        c_.Picture[j]->Move(double(c_.Command[j]->Left()) + 100,
                            double(c_.Command[j]->Top()) + 100);
    for (size_t j = 0; j < 4; ++j)
        state_.saved.SavedTop[j] = c_.Command[j]->Top();
    state_.saved.SavedListTop = c_.ListView1->Top();
    if (auto h = tk::toInt16(c_.ListView1->Height()))
        state_.saved.SavedListHeight = *h;

    db_.OpenDatabase();
    db_.SqlText = groupSql(k);
    const std::vector<corpus::Group> groups = db_.OpenGroupQuery(db_.SqlText);
    // No record, or a query that failed (already reported): the list is emptied, since the
    // previous collection's groups under this button would open that collection's topics.
    if (groups.empty()) {
        model_.setRows({});
        return;
    }
    std::vector<GroupModel::Row> rows;
    rows.reserve(groups.size());
    for (const corpus::Group& g : groups)
        rows.push_back({g.name, g.code});
    model_.setRows(std::move(rows));
    c_.listView1->selectRow0IfNone();
}

void CategoryBrowser::ListView1_Click() {
    c_.Command6->setVisible(false);
    if (c_.listView1->rowCount() == 0)
        return;
    const int row = c_.listView1->selectedRow();
    if (row < 0)
        return;
    SelectedGroupCode = model_.rows()[size_t(row)].code;
    c_.Timer2->setEnabled(true);
    c_.Command6->setVisible(true);
    c_.Command6->Move(double(c_.ListView1->Width()) - 1000,
                      double(c_.ListView1->Top()) + c_.listView1->rowTop(row) + 800);
    if (c_.Command6->widget())
        c_.Command6->widget()->raise();
}

void CategoryBrowser::ListView1_DblClick() {
    c_.Command6->setVisible(false);
    Command6_Click();
}

void CategoryBrowser::Command6_Click() {
    if (SelectedGroupCode.isEmpty()) {
        platform_.MsgBox(QStringLiteral("กรุณาเลือกข้อมูลก่อน"), tk::OkOnly | tk::IconStop,
                         tk::kNoticeTitle);
        return;
    }
    c_.Timer2->setEnabled(false);
    if (platform_.MsgBox(QStringLiteral("คุณต้องการเปิดรายละเอียดหัวข้อธรรม ใช่หรือไม่"),
                         tk::YesNo | tk::IconQuestion, QStringLiteral("คำยืนยัน")) == tk::AnswerYes) {
        c_.Command6->setVisible(false);
        listGroupTopics_(SelectedGroupCode);
    }
    c_.Command6->setVisible(false);
}

void CategoryBrowser::Command7_Click() {
    c_.Frame4->setVisible(false);
    c_.label1->setText(QString());
}

void CategoryBrowser::Command8_Click() {
    listView2DblClick_();
}

} // namespace catalogue
