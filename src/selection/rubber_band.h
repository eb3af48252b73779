#pragma once

#include "common/window_state.h"
#include "selection/selection_controls.h"

namespace corvantile {

// The rubber band on the screenshot view: the status line while the pointer moves, the dotted
// band while the left button drags, and the marked region written out on release.
class RubberBand
{
public:
    RubberBand(const SelectionControls &controls, WindowState &state)
        : m_controls(controls), m_state(state)
    {}

    void PicInner_MouseDown(int button, int shift, float x, float y);
    void PicInner_MouseMove(int button, int shift, float x, float y);
    void PicInner_MouseUp(int button, int shift, float x, float y);
    void DrawLine(float x1, float y1, float x2, float y2);

private:
    SelectionControls m_controls;
    WindowState &m_state; // the window's, which outlives this
};

} // namespace corvantile
