#pragma once

#include "controls/announcer.h"

#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <functional>
#include <optional>

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
    ~PopupForm() override;

    // Where the Zoom tells a screen reader what K and the cursor show.
    const Announcer *announcer() const { return m_said; }

    ImageBox *picZoom = nullptr;

    // What K shows: the kept pixels as they are now, the title that counts them, and what a
    // screen reader is told it switched to. Without it (the Zoom of a buffer) K does nothing.
    // The keyboard's cursor goes over its `points` (the picture's pixels when empty), each told
    // with what `fate` says of it.
    struct KeptView
    {
        QImage picture;
        QString title;
        QString spoken;
        QSize points;
        std::function<QString(QPoint)> fate;
    };
    void offerKeptView(std::function<KeptView()> make) { m_makeKeptView = std::move(make); }
    bool showsKeptView() const { return m_keptShown; }
    // The point of the picture the keyboard's cursor is on, once a key has put it there.
    std::optional<QPoint> cursor() const { return m_cursor; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QSize cursorGrid() const;
    void moveCursor(QPoint to);

    std::function<KeptView()> m_makeKeptView;
    KeptView m_kept;                // what K shows, while it is shown
    std::optional<QPoint> m_cursor; // the keyboard's, over the points shown
    QPointer<Announcer> m_said;     // what a screen reader is told of K and the cursor
    QString m_name;                 // the accessible name the window was given, of the picture
    QImage m_shown;                 // the picture as it was given
    bool m_keptShown = false;       // the kept view is up
};

} // namespace corvantile
