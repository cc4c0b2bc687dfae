#include "toolkit/scripted_platform.h"

#include "toolkit/message_box.h"

#include <QCoreApplication>
#include <QTimer>

namespace tk {

int ScriptedPlatform::MsgBox(const QString& text, int style, const QString& title) {
    ShownBox box{text, style, title};
    boxes.push_back(box);
    int answer = AnswerOk;
    if ((style & 0x0F) == YesNo) {
        answer = answers.empty() ? AnswerYes : answers.front();
        if (!answers.empty())
            answers.pop_front();
    }
    if (!realBoxes) {
        if (onBox)
            onBox(box);
        return answer;
    }
    MessageBox window(text, style, title);
    window.setWindowModality(Qt::ApplicationModal);
    QTimer::singleShot(0, &window, [&] {
        window.activateWindow();
        QCoreApplication::processEvents();
        if (onBox)
            onBox(box);
        window.done(answer);
    });
    window.exec();
    return answer;
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

void ScriptedPlatform::End(int status) {
    ended = true;
    endStatus = status;
    throw ProgramEnded();
}

} // namespace tk
