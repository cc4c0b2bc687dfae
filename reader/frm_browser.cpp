#include "reader/frm_browser.h"

#include "toolkit/control.h"
#include "toolkit/twips.h"

#include <QResizeEvent>

namespace reader {

QString readerTitle(const HandOff& h) {
    if (numeric(h.ReaderVolume).value_or(0) > 86)
        return kTitleHead + text(h.ReaderVolume);
    return kTitleHead + text(h.ReaderVolume) + QStringLiteral(" หน้า ") + text(h.ReaderPage) +
           QStringLiteral(" บรรทัด ") + QString::number(h.ReaderLine);
}

std::optional<long long> readerLeft(double screenWidth, double windowWidth) {
    return tk::intDiv(screenWidth - windowWidth, 3);
}

frmBrowser::frmBrowser(tk::Platform& platform, const HandOff& handOff, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinMaxButtonsHint),
      platform_(platform), handOff_(handOff) {
    setObjectName(QStringLiteral("frmBrowser"));
    tk::WindowGeometry(this).setClientSize(6540, 5130);
    brwWebBrowser = new PageView(platform.AppPath(), this);
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
}

void frmBrowser::Form_Load() {
    // Each step on its own: a refused one is skipped.
    tk::WindowGeometry g(this);
    if (auto left = readerLeft(platform_.ScreenWidth(), g.Width()))
        g.Move(double(*left), 0.0);
    setWindowTitle(readerTitle(handOff_));
    if (!handOff_.ReaderTarget.isEmpty())
        brwWebBrowser->navigate(handOff_.ReaderTarget);
}

void frmBrowser::Form_Resize() {
    if (isMinimized())
        return;
    tk::WindowGeometry g(this);
    resizing_ = true;
    g.setWidth(10000);
    g.setHeight(platform_.ScreenHeight() - 500);
    resizing_ = false;
    sizedFor_ = frameGeometry().size();
    const double w = g.Width() - 200, h = g.Height() - 500;
    if (w >= 0 && h >= 0 && tk::placeable(w) && tk::placeable(h))
        brwWebBrowser->setGeometry(0, 0, tk::twipsToPixels(w), tk::twipsToPixels(h));
}

void frmBrowser::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (!resizing_)
        Form_Resize();
}

void frmBrowser::moveEvent(QMoveEvent* e) {
    QDialog::moveEvent(e);
    // The window system may draw a frame other than the one foreseen: snap to it once.
    if (isVisible() && frameGeometry().size() != sizedFor_)
        Form_Resize();
}

void frmBrowser::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Form_Resize();
}

void showReader(tk::Platform& platform, const HandOff& handOff, QWidget* parent) {
    frmBrowser browser(platform, handOff, parent); // loaded afresh on every opening
    browser.Form_Load();
    platform.ShowModal(browser);
}

} // namespace reader
