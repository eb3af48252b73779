#pragma once

#include <QWidget>

class QDialog;

namespace corvantile {

// The frame of a window on a desktop where Qt draws the title bar itself (Wayland without
// server-side decorations). Qt's own title bar there offers minimise and maximise even for a
// fixed window, and maximising it ends the program with a protocol error; minimising a modal
// window can leave the program unusable. This frame draws the same kind of title bar with the
// window's icon, its caption and a close button only: the title bar moves the window, the
// close button closes it, and the border resizes a window whose size is not fixed.
class ClientFrame : public QWidget
{
    Q_OBJECT

public:
    static constexpr int border = 3;
    static constexpr int titleHeight = 30;

    // Takes the window in as its content, which keeps its size, caption and icon.
    explicit ClientFrame(QWidget *content);

    QRect closeButtonRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    Qt::Edges edgesAt(QPoint at) const; // the border edges under a point of a sizable frame

    QWidget *m_content;
    bool m_sizable = false;
    bool m_closePressed = false;
};

// Shows a fixed-size top-level window: as it is where the window system draws its frame, in a
// ClientFrame where Qt would draw one. Returns the window that is shown.
QWidget *showFixedWindow(QWidget *window);

// Shows a dialog modally until it is closed, as QDialog::exec() does; in a ClientFrame where Qt
// would draw its title bar.
void execDialog(QDialog *dialog);

} // namespace corvantile
