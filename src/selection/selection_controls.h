#pragma once

class QLineEdit;

namespace corvantile {

class PictureBox;
class StatusLine;

// The controls a region is marked with and shown in: the screenshot view, the status line, the
// corner, width and height boxes, and the clip box.
struct SelectionControls
{
    PictureBox *PicInner;
    StatusLine *status; // the status line, written through its one owner
    QLineEdit *txtCoords;
    QLineEdit *txtWidth;
    QLineEdit *txtHeight;
    PictureBox *picClip;
};

} // namespace corvantile
