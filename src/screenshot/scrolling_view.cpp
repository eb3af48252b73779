#include "scrolling_view.h"

#include "controls/picture_box.h"
#include "controls/sunken_frame.h"
#include "screenshot/scroll_ranges.h"
#include "system/picture_limit.h"

#include <QScrollBar>

namespace corvantile {

ScrollingView::ScrollingView(const Controls &controls, WindowState &state)
    : m_controls(controls), m_state(state)
{
    connect(controls.HScroll1, &QScrollBar::valueChanged, this, &ScrollingView::HScroll1_Change);
    connect(controls.HScroll1, &QScrollBar::sliderMoved, this, &ScrollingView::HScroll1_Scroll);
    connect(controls.VScroll1, &QScrollBar::valueChanged, this, &ScrollingView::VScroll1_Change);
    connect(controls.VScroll1, &QScrollBar::sliderMoved, this, &ScrollingView::VScroll1_Scroll);
    connect(controls.PicInner, &PictureBox::sizeChanged, this, &ScrollingView::PicInner_Resize);
}

void ScrollingView::placePicInner(int left, int top)
{
    m_controls.PicInner->setBoxPosition(QPoint(left, top));
}

void ScrollingView::HScroll1_Change()
{
    placePicInner(-m_controls.HScroll1->value(), m_controls.PicInner->boxPosition().y());
}

// While the thumb is dragged the bar reports the thumb's place before its value follows.
void ScrollingView::HScroll1_Scroll()
{
    placePicInner(-m_controls.HScroll1->sliderPosition(), m_controls.PicInner->boxPosition().y());
}

void ScrollingView::VScroll1_Change()
{
    placePicInner(m_controls.PicInner->boxPosition().x(), -m_controls.VScroll1->value());
}

void ScrollingView::VScroll1_Scroll()
{
    placePicInner(m_controls.PicInner->boxPosition().x(), -m_controls.VScroll1->sliderPosition());
}

void ScrollingView::PicInner_Resize()
{
    // A bar whose value lies above its new maximum moves to it inside setMaximum, and its own
    // handler moves the view there; the view is put back at the origin right after.
    // Both counted in screen pixels: the bars move the screenshot a screen pixel a step.
    PictureBox *view = m_controls.PicInner;
    const QSize size = view->boxSize();
    const QSize viewport = view->originSpan();
    const int border = view->borderWidth();
    m_controls.HScroll1->setMaximum(
        barMaximum(scrollMaximum(size.width(), viewport.width(), border)));
    m_controls.VScroll1->setMaximum(
        barMaximum(scrollMaximum(size.height(), viewport.height(), border)));
    placePicInner(0, view->boxPosition().y());
    placePicInner(view->boxPosition().x(), 0);
    view->setLineStyle(PictureBox::LineStyle::Dot);
    m_state.drawBox = true;
}

// As far as the machine's memory allows. (The limit is that of an unscaled screen, the smallest
// viewport in screen pixels.)
void ScrollingView::allowScrollablePictures()
{
    allowPicturesUpTo(qint64(largestScrollableSide(m_controls.picScroll->width(), 4)) *
                      largestScrollableSide(m_controls.picScroll->height(), 4) * 4);
}

} // namespace corvantile
