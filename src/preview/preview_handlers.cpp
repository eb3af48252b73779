// The expanded preview of the clip box or an image buffer, and the hidden picture window.

#include "controls/accessibility.h"
#include "controls/image_box.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "object_definition/clip_pixels.h"
#include "object_definition/definition_check.h"
#include "preview/frm_egg.h"
#include "preview/popup_form.h"
#include "system/client_frame.h"

#include <QLocale>

namespace corvantile {

void Form1::picClip_MouseUp(int button, int, float, float)
{
    if (button != RightButton || refusedWhileBusy())
        return;
    state.menuTarget = clipMenuTarget;
    openPopMenu();
}

void Form1::ZoomIn_Click()
{
    if (refusedWhileBusy())
        return;
    if (!m_popupForm)
        m_popupForm = new PopupForm(this);
    const int target = state.menuTarget.value_or(clipMenuTarget);
    if (target < clipMenuTarget && target >= 0 && target < bufferCount) {
        const QImage shot = m_buffers[static_cast<size_t>(target)].picture();
        m_popupForm->picZoom->setPicture(shot);
        m_popupForm->setAccessibleName(shot.isNull() ? QStringLiteral("Zoom of buffer %1, empty")
                                                           .arg(target + 1)
                                                     : QStringLiteral("Zoom of buffer %1, %2")
                                                           .arg(target + 1)
                                                           .arg(sizeDescription(shot.size())));
    } else {
        m_popupForm->picZoom->setPicture(picClip->image()); // what the clip box shows
        m_popupForm->setAccessibleName(QStringLiteral("Zoom of the clip, ") +
                                       sizeDescription(picClip->drawingSize()));
        // K shows which of its pixels Create Object would keep now.
        m_popupForm->offerKeptView([this] {
            const QImage clip = picClip->image();
            const auto kept =
                keptPixels(ClipPixels(*picClip), currentInputs(), picClip->drawingSize());
            if (!kept)
                return PopupForm::KeptView{
                    clip, QStringLiteral("Zoom - nothing kept: the width or height is no number")};
            const QLocale locale;
            return PopupForm::KeptView{
                keptView(clip, *kept),
                QStringLiteral("Zoom - %1 of %2 sampled pixels kept")
                    .arg(locale.toString(kept->kept()), locale.toString(kept->sampled))};
        });
    }
    execDialog(m_popupForm);
    // Discarded on close, so the next preview opens at the initial size again.
    delete m_popupForm;
    m_popupForm = nullptr;
}

void Form1::imgEgg_DblClick()
{
    if (refusedWhileBusy())
        return;
    frmEgg window(this);
    window.exec();
}

} // namespace corvantile
