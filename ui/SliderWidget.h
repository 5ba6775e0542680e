// The toolkit side of CSliderCtrl: turns the slider's actions, mouse and key
// releases into track-bar notifications.
#pragma once

#include "platform/types.h"

#include <QSlider>

class SliderWidget : public QSlider {
public:
    explicit SliderWidget(QWidget* parent);
    // Sends one notification to the parent's OnHScroll.
    void Notify(plat::UINT code);
    // TB_ENDTRACK when a move is pending.
    void EndTrack();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    bool m_pending = false;
};
