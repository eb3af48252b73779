#pragma once

#include "preview/popup_form.h"

#include <QImage>
#include <QSize>
#include <functional>

class QWidget;

namespace corvantile {

// The windows that show a picture larger: the Zoom of the clip box or of an image buffer, and
// the hidden picture. Each is modal, made when it opens and gone when it closes, so that the
// next one opens at its first size again.
class Previews
{
public:
    // The windows stand over `owner`, which outlives this.
    explicit Previews(QWidget *owner) : m_owner(owner) {}

    // The Zoom while it is open, for whoever needs to reach it (tests do).
    PopupForm *popupForm() const { return m_popupForm; }

    // The Zoom of buffer `index` (counted from 0), whose screenshot is `shot` (null: empty).
    void zoomBuffer(int index, const QImage &shot);
    // The Zoom of the clip box: what it shows, the size of its drawing area, and what K shows.
    void zoomClip(const QImage &clip, QSize size, std::function<PopupForm::KeptView()> keptView);
    // The hidden picture window.
    void showHidden();

private:
    void open();
    void show();

    QWidget *m_owner;
    PopupForm *m_popupForm = nullptr;
};

} // namespace corvantile
