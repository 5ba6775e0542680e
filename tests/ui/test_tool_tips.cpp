// The tool-tips follow the pointer's enter and leave events: a tip shows
// after its delay on a control the pointer rests on, goes when the pointer
// leaves or a button is pressed, and nothing waits while the pointer rests
// where no tip is.
#include "tests/support/GuiSessionTest.h"
#include "ui/Button.h"
#include "ui/Dialog.h"
#include "ui/Testing.h"
#include "ui/ToolTipTimer.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>

namespace {

class Tips : public CDialog {
public:
    Tips() : CDialog(300) { SetTemplate("Tips"); }
    void CreateControls() override {
        music.Create(this, 101, "Music");
        plain.Create(this, 102, "Plain");
        music.MoveWindow(10, 10, 100, 30);
        plain.MoveWindow(10, 60, 100, 30);
    }
    CButton music;
    CButton plain;
};

// The text of the tool-tip on screen, empty when none shows.
std::string ShownTip() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* label = qobject_cast<QLabel*>(w);
            label != nullptr && label->isVisible() && (label->windowFlags() & Qt::ToolTip))
            return label->text().toStdString();
    return {};
}

// The pointer comes onto (or leaves) a control, as the toolkit tells it.
void Send(CWnd& wnd, QEvent::Type type) {
    QWidget* widget = wnd.GetWidget();
    QCursor::setPos(type == QEvent::Enter ? widget->mapToGlobal(widget->rect().center())
                                          : QPoint(-100, -100));
    QEvent event(type);
    QApplication::sendEvent(widget, &event);
}

class ToolTipsTest : public GuiSessionTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.CreateIndirect());
        dialog.ShowWindow(SW_SHOW);
        dialog.music.SetTooltipText("Click here to listen to the music ");
        CToolTipTimer::Start(10); // shows after 50 ms, for 600 ms
    }
    void TearDown() override { CToolTipTimer::Stop(); }
    Tips dialog;
};

} // namespace

TEST_F(ToolTipsTest, ATipShowsOnTheControlThePointerRestsOnAndGoesWhenItLeaves) {
    EXPECT_FALSE(CToolTipTimer::IsWaiting()) << "something waits while nothing changes";
    Send(dialog.plain, QEvent::Enter);
    EXPECT_FALSE(CToolTipTimer::IsWaiting()) << "a control without a tip";
    Send(dialog.plain, QEvent::Leave);

    Send(dialog.music, QEvent::Enter);
    EXPECT_TRUE(CToolTipTimer::IsWaiting());
    uitest::ProcessEvents(20);
    EXPECT_EQ(ShownTip(), "") << "shown before its delay";
    uitest::ProcessEvents(150);
    EXPECT_EQ(ShownTip(), "Click here to listen to the music ");
    Send(dialog.music, QEvent::Leave);
    EXPECT_EQ(ShownTip(), "");
    EXPECT_FALSE(CToolTipTimer::IsWaiting());
}

TEST_F(ToolTipsTest, ATipGoesOnAPressAndAfterItsTimeAndNeverShowsWhenStopped) {
    Send(dialog.music, QEvent::Enter);
    uitest::ProcessEvents(150);
    ASSERT_EQ(ShownTip(), "Click here to listen to the music ");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog.music.GetWidget(), &press);
    EXPECT_EQ(ShownTip(), "");
    EXPECT_FALSE(CToolTipTimer::IsWaiting());

    Send(dialog.music, QEvent::Leave);
    Send(dialog.music, QEvent::Enter);
    uitest::ProcessEvents(150);
    ASSERT_EQ(ShownTip(), "Click here to listen to the music ");
    uitest::ProcessEvents(800);
    EXPECT_EQ(ShownTip(), "") << "the tip stays past its time";
    EXPECT_FALSE(CToolTipTimer::IsWaiting());

    CToolTipTimer::Stop();
    Send(dialog.music, QEvent::Leave);
    Send(dialog.music, QEvent::Enter);
    uitest::ProcessEvents(150);
    EXPECT_EQ(ShownTip(), "");
    EXPECT_FALSE(CToolTipTimer::IsRunning());
}
