// The toolkit's message box with buttons that say what they do: the user
// reads the captions on the buttons, a click answers the id of the button in
// its place, and Escape still answers Cancel.
#include "ui/Testing.h"
#include "ui/WinApp.h"
#include "ui/Wnd.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

using ::testing::UnorderedElementsAre;

namespace {

const std::vector<std::string> kCaptions = {"Put back", "Keep as it is", "Ask me later"};

struct Box {
    std::vector<std::string> shown;
    int answer = 0;
};

Box Ask(const std::function<void(QWidget& box)>& act) {
    Box result;
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [&result, timer, act] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr || !box->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        for (QAbstractButton* button : box->findChildren<QAbstractButton*>())
            result.shown.push_back(button->text().toStdString());
        act(*box);
    });
    timer->start(5);
    CWnd none;
    result.answer = none.MessageBox("Put the sound settings back?", "",
                                    MB_YESNOCANCEL | MB_ICONQUESTION, kCaptions);
    return result;
}

std::function<void(QWidget&)> Click(const std::string& caption) {
    return [caption](QWidget& box) {
        for (QAbstractButton* button : box.findChildren<QAbstractButton*>())
            if (button->text().toStdString() == caption)
                button->click();
    };
}

TEST(MessageBoxCaptions, TheButtonsSayWhatTheyDoAndAnswerTheirIds) {
    CGuiSession gui;
    struct Case {
        const char* caption;
        int id;
    };
    for (const Case c :
         {Case{"Put back", IDYES}, Case{"Keep as it is", IDNO}, Case{"Ask me later", IDCANCEL}}) {
        SCOPED_TRACE(c.caption);
        const Box box = Ask(Click(c.caption));
        EXPECT_THAT(box.shown, UnorderedElementsAre("Put back", "Keep as it is", "Ask me later"));
        EXPECT_EQ(box.answer, c.id);
    }
    const Box escaped = Ask([](QWidget& box) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&box, &escape);
    });
    EXPECT_EQ(escaped.answer, IDCANCEL);
}

} // namespace
