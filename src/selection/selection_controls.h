#pragma once

class QLabel;
class QLineEdit;

namespace corvantile {

class PictureBox;

// The controls a region is marked with and shown in: the screenshot view, the status line, the
// corner, width and height boxes, and the clip box.
struct SelectionControls
{
    PictureBox *PicInner;
    QLabel *lblCoords;
    QLineEdit *txtCoords;
    QLineEdit *txtWidth;
    QLineEdit *txtHeight;
    PictureBox *picClip;
};

} // namespace corvantile
