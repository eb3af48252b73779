#pragma once

#include <QDialog>

namespace corvantile {

class ImageBox;

// The "Zoom" window: one picture stretched over a sizable tool window.
class PopupForm : public QDialog
{
    Q_OBJECT

public:
    static constexpr int initialClientWidth = 304;
    static constexpr int initialClientHeight = 193;
    // picZoom sits at (1, 1) and leaves 4 pixels free at the right and the bottom.
    static constexpr int margin = 5;

    explicit PopupForm(QWidget *parent = nullptr);

    ImageBox *picZoom = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
};

} // namespace corvantile
