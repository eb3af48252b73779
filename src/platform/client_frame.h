#pragma once

#include <QWidget>

namespace corvantile {

// The frame of a fixed-size main window on a desktop where Qt draws the title bar itself
// (Wayland without server-side decorations). Qt's own title bar there offers minimise and
// maximise even for a fixed window, and maximising it ends the program with a protocol error.
// This frame draws the same kind of title bar with the window's icon, its caption and a close
// button only; the title bar moves the window, and the close button closes it.
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
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *m_content;
    bool m_closePressed = false;
};

// Shows a fixed-size top-level window: as it is where the window system draws its frame, in a
// ClientFrame where Qt would draw one. Returns the window that is shown.
QWidget *showFixedWindow(QWidget *window);

} // namespace corvantile
