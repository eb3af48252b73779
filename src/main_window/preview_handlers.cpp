// The expanded preview of the clip box or an image buffer, and the hidden picture window.

#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "object_definition/clip_pixels.h"
#include "object_definition/definition_check.h"
#include "preview/previews.h"
#include "screenshot/image_buffers.h"

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
    const int target = state.menuTarget.value_or(clipMenuTarget);
    if (isBufferSlot(target)) {
        m_previews->zoomBuffer(target, m_buffers->picture(target).picture());
        return;
    }
    // K shows which of the clip's pixels Create Object would keep now. The Zoom is named by
    // the region marked, which the clip box (as large as the last drag) may not be.
    const QRect region = definedRegion(currentInputs());
    m_previews->zoomClip(
        picClip->image(), region.isEmpty() ? picClip->drawingSize() : region.size(), [this] {
            const QImage clip = picClip->image();
            const auto kept =
                keptPixels(ClipPixels(*picClip), currentInputs(), picClip->drawingSize());
            if (!kept) {
                const QString none =
                    QStringLiteral("nothing kept: the width or height is no number");
                return PopupForm::KeptView{clip, QStringLiteral("Zoom - ") + none,
                                           QStringLiteral("Kept pixels: ") + none};
            }
            const QLocale locale;
            const QString counts =
                QStringLiteral("%1 of %2 sampled pixels kept")
                    .arg(locale.toString(kept->kept()), locale.toString(kept->sampled));
            return PopupForm::KeptView{
                keptView(clip, *kept),
                QStringLiteral("Zoom - %1; dropped: red cross; not sampled: dimmed").arg(counts),
                QStringLiteral("Kept pixels: ") + counts};
        });
}

void Form1::imgEgg_DblClick()
{
    if (refusedWhileBusy())
        return;
    m_previews->showHidden();
}

} // namespace corvantile
