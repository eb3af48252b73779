// The scrolling screenshot view: the bars move the view inside its viewport, and the ranges
// follow every change of the view's size.

#include "controls/picture_box.h"
#include "controls/sunken_frame.h"
#include "main_window/form1.h"
#include "screenshot/scroll_ranges.h"
#include "system/picture_limit.h"

#include <QScrollBar>

namespace corvantile {

void Form1::HScroll1_Change()
{
    placePicInner(-HScroll1->value(), PicInner->boxPosition().y());
}

// While the thumb is dragged the bar reports the thumb's place before its value follows.
void Form1::HScroll1_Scroll()
{
    placePicInner(-HScroll1->sliderPosition(), PicInner->boxPosition().y());
}

void Form1::VScroll1_Change()
{
    placePicInner(PicInner->boxPosition().x(), -VScroll1->value());
}

void Form1::VScroll1_Scroll()
{
    placePicInner(PicInner->boxPosition().x(), -VScroll1->sliderPosition());
}

void Form1::PicInner_Resize()
{
    // A bar whose value lies above its new maximum moves to it inside setMaximum, and its own
    // handler moves the view there; the view is put back at the origin right after.
    // Both counted in screen pixels: the bars move the screenshot a screen pixel a step.
    const QSize view = PicInner->boxSize();
    const QSize viewport = PicInner->originSpan();
    const int border = PicInner->borderWidth();
    HScroll1->setMaximum(barMaximum(scrollMaximum(view.width(), viewport.width(), border)));
    VScroll1->setMaximum(barMaximum(scrollMaximum(view.height(), viewport.height(), border)));
    placePicInner(0, PicInner->boxPosition().y());
    placePicInner(PicInner->boxPosition().x(), 0);
    PicInner->setLineStyle(PictureBox::LineStyle::Dot);
    state.drawBox = true;
}

// Any screenshot whose last column and row the bars can reach may be pasted, as far as the
// machine's memory allows. (The limit is that of an unscaled screen, the smallest viewport in
// screen pixels.)
void Form1::allowScrollablePictures()
{
    allowPicturesUpTo(qint64(largestScrollableSide(picScroll->width(), 4)) *
                      largestScrollableSide(picScroll->height(), 4) * 4);
}

} // namespace corvantile
