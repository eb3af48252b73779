#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <optional>

namespace corvantile {

class ScreenGrid;

// A control that only shows a picture, stretched to its own size without keeping proportions.
// It paints from a scaled copy made once per picture and size, never rescaling on each paint.
class ImageBox : public QWidget
{
    Q_OBJECT

public:
    enum class Scaling { Smooth, Pixelated };

    explicit ImageBox(QWidget *parent = nullptr);

    // Shows a picture; one that stands for a larger picture (a thumbnail of it) gives that
    // picture's size, which is what a screen reader is told the control holds.
    void setPicture(const QImage &picture, QSize standsFor = QSize());
    const QImage &picture() const { return m_picture; }
    QSize pictureSize() const { return m_pictureSize; }

    // Keeps only what it takes to draw the picture at the control's size, not the picture
    // itself: for thumbnails of large pictures that are held elsewhere.
    void setThumbnailOnly(bool on) { m_thumbnailOnly = on; }

    // A single-line border drawn inside the control; the picture fills the rest.
    void setBorder(bool on);
    bool hasBorder() const { return m_border; }

    // Smooth for thumbnails; pixelated keeps enlarged pixels as crisp squares.
    void setScaling(Scaling scaling);

    // A keyboard's cursor on one point of a grid of `points` laid over the picture (an enlarged
    // pixel), drawn as a frame that shows on any colour; nothing to take it away.
    void setCursorCell(std::optional<QPoint> point, QSize points = QSize());

    // The picture as it is painted (scaled to the screen pixels inside the border), or a null
    // pixmap.
    QPixmap scaledPicture() const;

signals:
    // button: 1 left, 2 right, 4 middle.
    void mouseUp(int button, int shift, float x, float y);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    ScreenGrid grid() const;
    void describe();
    int lineWidth(const ScreenGrid &grid) const; // the border's, in screen pixels

    QImage m_picture;
    QSize m_pictureSize{0, 0};
    bool m_thumbnailOnly = false;
    bool m_border = false;
    Scaling m_scaling = Scaling::Smooth;
    mutable QPixmap m_scaled;
    std::optional<QPoint> m_cursor;
    QSize m_cursorGrid;
};

} // namespace corvantile
