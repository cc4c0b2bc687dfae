#include "toolkit/message_box.h"

#include "thai/measure.h"
#include "toolkit/fonts.h"
#include "toolkit/platform.h"

#include <QEvent>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace tk {

MessageBox::MessageBox(const QString& text, int style, const QString& title) {
    setWindowTitle(title);
    // No screen holds more; laying out a longer text would only take time.
    setText(thai::elideMiddle(text, kMostChars));
    setFont(thaiFont("Tahoma", 10));
    const int icon = style & 0x70;
    setIcon(icon == IconStop          ? QMessageBox::Critical
            : icon == IconQuestion    ? QMessageBox::Question
            : icon == IconInformation ? QMessageBox::Information
            : icon == 48              ? QMessageBox::Warning
                                      : QMessageBox::NoIcon);
    if ((style & 0x0F) == YesNo) {
        QPushButton* yes = addButton(QStringLiteral("ใช่"), QMessageBox::YesRole);
        QPushButton* no = addButton(QStringLiteral("ไม่ใช่"), QMessageBox::NoRole);
        setDefaultButton(yes);
        setEscapeButton(no);
        yes_ = yes;
        return;
    }
    QPushButton* ok = addButton(QStringLiteral("ตกลง"), QMessageBox::AcceptRole);
    setDefaultButton(ok);
    setEscapeButton(ok);
}

int MessageBox::answer() const {
    if (!yes_)
        return AnswerOk;
    return clickedButton() == yes_ ? AnswerYes : AnswerNo;
}

void MessageBox::showEvent(QShowEvent* e) {
    QMessageBox::showEvent(e); // sizes the box to its text
    fitToScreen();
}

bool MessageBox::event(QEvent* e) {
    const bool done = QMessageBox::event(e);
    // The box sizes itself again when its layout asks for it.
    if ((e->type() == QEvent::LayoutRequest || e->type() == QEvent::Resize) && isVisible() &&
        !fitting_)
        fitToScreen();
    return done;
}

void MessageBox::fitToScreen() {
    const QScreen* s = screen();
    if (!s)
        return;
    // Room for the window manager's frame and title bar around the box.
    const QSize room = s->availableGeometry().size() - QSize(40, 80);
    fitting_ = true;
    auto need = [this] { return size().expandedTo(sizeHint()).expandedTo(minimumSize()); };
    const QString whole = text();
    int most = kMostChars;
    for (int tries = 0; tries < 24 && (need().width() > room.width() || need().height() > room.height());
         ++tries) {
        // Shortened in the middle, so that what the text is about, its start and end, stays.
        most = most * 2 / 3;
        setText(thai::elideMiddle(whole, std::max(most, 1))); // sizes the box again
    }
    fitting_ = false;
}

} // namespace tk
