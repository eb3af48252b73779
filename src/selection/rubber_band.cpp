#include "rubber_band.h"

#include "common/numbers.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "controls/status_line.h"
#include "selection/captions.h"
#include "selection/clip_copy.h"
#include "selection/geometry.h"

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

void RubberBand::PicInner_MouseDown(int, int, float x, float y)
{
    m_controls.PicInner->cls(); // takes away the band of the previous drag
    m_state.startX = x;
    m_state.startY = y;
    m_state.leftX = x;
    m_state.topY = y;
    m_state.lastX = m_state.startX;
    m_state.lastY = m_state.startY;
}

void RubberBand::PicInner_MouseMove(int button, int, float x, float y)
{
    if (button != LeftButton) {
        // The colour is read from what the view shows, so a pixel under the band reads
        // inverted.
        const ColourValue colour =
            m_controls.PicInner->point(pixelFromDouble(x), pixelFromDouble(y));
        m_controls.status->hover(hoverCaption(x, y, colour));
        return;
    }
    // During a left drag the drag caption below replaces the hover caption at once, so the
    // hover caption is not worked out at all.
    DrawLine(m_state.startX, m_state.startY, m_state.lastX, m_state.lastY); // erases the old band
    DrawLine(m_state.startX, m_state.startY, x, y);
    m_state.lastX = x;
    m_state.lastY = y;
    m_state.leftX = m_state.startX;
    m_state.topY = m_state.startY;
    if (x < m_state.startX)
        m_state.leftX = x;
    if (y < m_state.startY)
        m_state.topY = y;
    m_controls.status->hover(dragCaption(m_state.leftX, m_state.topY, distance(x, m_state.startX),
                                         distance(y, m_state.startY)));
}

void RubberBand::PicInner_MouseUp(int, int, float x, float y)
{
    // The writes below each run their box's change handler at once; with settingFields set
    // those copy nothing, and this handler makes the one copy itself.
    m_state.settingFields = true;
    m_controls.txtWidth->setText(numberText(distance(x, m_state.startX)));
    m_controls.txtHeight->setText(numberText(distance(y, m_state.startY)));
    // The corner stays put, so a capped region loses its right or bottom part.
    if (numericValue(m_controls.txtWidth->text()) > maximumSide)
        m_controls.txtWidth->setText(numberText(maximumSide));
    if (numericValue(m_controls.txtHeight->text()) > maximumSide)
        m_controls.txtHeight->setText(numberText(maximumSide));
    const double w = numericValue(m_controls.txtWidth->text());
    const double h = numericValue(m_controls.txtHeight->text());
    m_controls.picClip->setBoxSize(pixelFromDouble(w), pixelFromDouble(h));
    m_controls.picClip->cls();
    copyRegion(*m_controls.picClip, m_controls.PicInner->picture(), m_state.leftX, m_state.topY, w,
               h);
    m_controls.txtCoords->setText(cornerText(m_state.leftX, m_state.topY));
    m_state.settingFields = false;
}

void RubberBand::DrawLine(float x1, float y1, float x2, float y2)
{
    const PictureBox::DrawMode previous = m_controls.PicInner->drawMode();
    m_controls.PicInner->setDrawMode(PictureBox::DrawMode::Invert);
    // drawBox is set at start-up and on every resize and never cleared; without it there is
    // nothing to draw.
    if (m_state.drawBox)
        m_controls.PicInner->drawBoxOutline(QPoint(pixelFromDouble(x1), pixelFromDouble(y1)),
                                            QPoint(pixelFromDouble(x2), pixelFromDouble(y2)));
    m_controls.PicInner->setDrawMode(previous);
}

} // namespace corvantile
