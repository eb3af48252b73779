// The rubber band on the screenshot view: the status line while the pointer moves, the dotted
// band while the left button drags, and the marked region written out on release.

#include "common/numbers.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "selection/captions.h"
#include "selection/clip_copy.h"
#include "selection/geometry.h"

#include <QLabel>
#include <QLineEdit>
#include <cmath>

namespace corvantile {
namespace {

// Distance between two single-precision coordinates, worked out in double precision.
float distance(float a, float b)
{
    return static_cast<float>(std::fabs(static_cast<double>(a) - static_cast<double>(b)));
}

constexpr double maximumSide = 100;

} // namespace

void Form1::PicInner_MouseDown(int, int, float x, float y)
{
    PicInner->cls(); // takes away the band of the previous drag
    clearMatches();
    state.startX = x;
    state.startY = y;
    state.leftX = x;
    state.topY = y;
    state.lastX = state.startX;
    state.lastY = state.startY;
}

void Form1::PicInner_MouseMove(int button, int, float x, float y)
{
    if (button != LeftButton) {
        // The colour is read from what the view shows, so a pixel under the band reads
        // inverted.
        const ColourValue colour = PicInner->point(pixelFromDouble(x), pixelFromDouble(y));
        lblCoords->setText(hoverCaption(x, y, colour));
        return;
    }
    // During a left drag the drag caption below replaces the hover caption at once, so the
    // hover caption is not worked out at all.
    DrawLine(state.startX, state.startY, state.lastX, state.lastY); // erases the old band
    DrawLine(state.startX, state.startY, x, y);
    state.lastX = x;
    state.lastY = y;
    state.leftX = state.startX;
    state.topY = state.startY;
    if (x < state.startX)
        state.leftX = x;
    if (y < state.startY)
        state.topY = y;
    lblCoords->setText(
        dragCaption(state.leftX, state.topY, distance(x, state.startX), distance(y, state.startY)));
}

void Form1::PicInner_MouseUp(int, int, float x, float y)
{
    // The writes below each run their box's change handler at once; with settingFields set
    // those copy nothing, and this handler makes the one copy itself.
    state.settingFields = true;
    txtWidth->setText(numberText(distance(x, state.startX)));
    txtHeight->setText(numberText(distance(y, state.startY)));
    // The corner stays put, so a capped region loses its right or bottom part.
    if (numericValue(txtWidth->text()) > maximumSide)
        txtWidth->setText(numberText(maximumSide));
    if (numericValue(txtHeight->text()) > maximumSide)
        txtHeight->setText(numberText(maximumSide));
    const double w = numericValue(txtWidth->text());
    const double h = numericValue(txtHeight->text());
    picClip->setBoxSize(pixelFromDouble(w), pixelFromDouble(h));
    picClip->cls();
    copyRegion(*picClip, PicInner->picture(), state.leftX, state.topY, w, h);
    txtCoords->setText(cornerText(state.leftX, state.topY));
    state.settingFields = false;
}

void Form1::DrawLine(float x1, float y1, float x2, float y2)
{
    const PictureBox::DrawMode previous = PicInner->drawMode();
    PicInner->setDrawMode(PictureBox::DrawMode::Invert);
    // drawBox is set at start-up and on every resize and never cleared; without it there is
    // nothing to draw.
    if (state.drawBox)
        PicInner->drawBoxOutline(QPoint(pixelFromDouble(x1), pixelFromDouble(y1)),
                                 QPoint(pixelFromDouble(x2), pixelFromDouble(y2)));
    PicInner->setDrawMode(previous);
}

} // namespace corvantile
