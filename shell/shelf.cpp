#include "shell/shelf.h"

#include "catalogue/shelf_labels.h"
#include "pagefile/canon_layout.h"
#include "toolkit/twips.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace shell {

namespace {
constexpr int kVolumes = pagefile::CanonLayout::kVolumes;
// The covers of the first page at the window's design size: 3 x 2.
constexpr int kDesignPage = 6;

QString backgroundLocation(const QString& appPath, long rows) {
    return appPath + (rows == 2 ? QStringLiteral("\\img_book\\bgbook02.jpg")
                                : QStringLiteral("\\img_book\\bgbook.jpg"));
}

QString coverLocation(const QString& appPath, int volume) {
    return appPath + QStringLiteral("\\img_book\\velkaro_book") + QString::number(volume) +
           QStringLiteral(".jpg");
}
} // namespace

QStringList Shelf::firstPagePictures(const QString& appPath) {
    QStringList out{backgroundLocation(appPath, 2)};
    for (int v = 1; v <= kDesignPage; ++v)
        out << coverLocation(appPath, v);
    return out;
}

Shelf::Shelf(tk::Platform& platform, tk::PictureLoader& pictures, ShelfControls controls,
             std::function<void(int)> createButton)
    : platform_(platform), pictures_(pictures), c_(controls),
      createButton_(std::move(createButton)) {}

void Shelf::RebuildShelf() {
    ShelfState& s = state;
    const double fw = c_.Frame3->Width(), fh = c_.Frame3->Height();
    // Each step on its own: one that cannot be computed is skipped.
    if (auto rows = tk::intDiv(fh, 4000))
        s.ShelfRows = long(*rows);
    if (auto cols = tk::intDiv(fw, 3200); cols && tk::toInt16(double(*cols)))
        s.ShelfColumns = int16_t(*cols);
    c_.ImageBox->Move(0, 0, fw, fh);
    const QString bg = backgroundLocation(platform_.AppPath(), s.ShelfRows);
    if (auto pm = pictures_.load(platform_.AppPath(), bg))
        c_.imageBox->setPixmap(*pm);
    s.ShelfPageSize = long(s.ShelfColumns) * s.ShelfRows;
    if (auto n = tk::intDiv(kVolumes, double(s.ShelfPageSize)))
        s.ShelfPageCount = long(*n);
    if (auto n = tk::intDiv(double(s.ShelfPageSize), double(s.ShelfRows));
        n && tk::toInt16(double(*n)))
        s.ShelfRowLength = int16_t(*n);

    c_.combo1->clear();
    c_.combo1->addItems(catalogue::pageLabels(s.ShelfPageSize));
    // Set after the items: adding to an empty box makes the first item its text.
    c_.combo1->setEditText(catalogue::firstPageLabel(s.ShelfPageSize));

    if (auto per = tk::intDiv(fh, double(s.ShelfRows))) {
        const double button = (*c_.cmdBook)[0].Height();
        if (auto top = tk::toInt16(double(*per) - (button + 550)))
            s.ShelfFirstRowTop = *top;
    }
    for (int i = 0; i < kVolumes; ++i) {
        if (size_t(i) >= c_.cmdBook->size())
            createButton_(i); // only the first rebuild creates
        (*c_.cmdBook)[size_t(i)].setVisible(false);
    }
    if (s.ShelfPageSize <= 0)
        return; // an empty shelf and a picker without pages
    if (auto range = catalogue::readLabel(c_.combo1->currentText()))
        ShowShelfPage(range->first, range->second);
}

void Shelf::cover(int index, int volume) {
    const QString file = coverLocation(platform_.AppPath(), volume);
    QPushButton* b = (*c_.cmdBookButtons)[size_t(index)];
    if (auto pm = pictures_.load(platform_.AppPath(), file)) { // a missing cover leaves the button's picture as it was
        b->setIcon(QIcon(*pm));
        b->setIconSize(b->size());
    }
}

void Shelf::ShowShelfPage(int first, int last) {
    ShelfState& s = state;
    std::vector<tk::Control>& books = *c_.cmdBook;
    for (tk::Control& b : books)
        b.setVisible(false);
    for (int v = std::max(first, 1); v <= std::min(last, kVolumes); ++v)
        books[size_t(v - 1)].setVisible(true);
    const double bw = books[0].Width(), bh = books[0].Height();
    double y = s.ShelfFirstRowTop;
    int v = first;
    for (long r = 0; r < s.ShelfRows; ++r) {
        double x = 480;
        int inRow = 0;
        for (int j = 0; j < s.ShelfColumns; ++j) {
            if (v > kVolumes || inRow >= s.ShelfRowLength || v < 1)
                break;
            tk::Control& b = books[size_t(v - 1)];
            b.Move(x, y);
            b.setVisible(true);
            cover(v - 1, v);
            x += bw + 800;
            ++v;
            ++inRow;
        }
        y += bh + 650;
    }
}

} // namespace shell
