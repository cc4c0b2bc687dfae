#include "toolkit/scripted_platform.h"

#include <QCoreApplication>

namespace tk {

int ScriptedPlatform::MsgBox(const QString& text, int style, const QString& title) {
    ShownBox box{text, style, title};
    boxes.push_back(box);
    if (onBox)
        onBox(box);
    if ((style & 0x0F) != YesNo)
        return AnswerOk;
    if (answers.empty())
        return AnswerYes;
    const int a = answers.front();
    answers.pop_front();
    return a;
}

void ScriptedPlatform::ShowModal(QDialog& window) {
    ++modalCount;
    window.setModal(true);
    window.show();
    QCoreApplication::processEvents();
    modalTitles.push_back(window.windowTitle());
    if (onModal)
        onModal(window);
    window.close();
    QCoreApplication::processEvents();
}

void ScriptedPlatform::End() {
    ended = true;
    throw ProgramEnded();
}

} // namespace tk
