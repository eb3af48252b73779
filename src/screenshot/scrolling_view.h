#pragma once

#include "common/window_state.h"

#include <QObject>

class QScrollBar;

namespace corvantile {

class PictureBox;
class SunkenFrame;

// The scrolling screenshot view: the bars move the view inside its viewport, and the ranges
// follow every change of the view's size.
class ScrollingView : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        SunkenFrame *picScroll;
        PictureBox *PicInner;
        QScrollBar *HScroll1;
        QScrollBar *VScroll1;
    };

    // Connects the bars and the view's size to their handlers, directly: a bar that changes
    // inside a write moves the view before the write returns.
    ScrollingView(const Controls &controls, WindowState &state);

    void HScroll1_Change();
    void HScroll1_Scroll();
    void VScroll1_Change();
    void VScroll1_Scroll();
    void PicInner_Resize();

    // Any screenshot whose last column and row the bars can reach may be pasted.
    void allowScrollablePictures();

private:
    void placePicInner(int left, int top);

    Controls m_controls;
    WindowState &m_state; // the window's, which outlives this
};

} // namespace corvantile
