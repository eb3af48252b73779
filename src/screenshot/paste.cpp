// The paste: the clipboard's picture into the screenshot view and the next image buffer.

#include "controls/image_box.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "screenshot/buffers.h"
#include "system/clipboard.h"

namespace corvantile {

void Form1::Command1_Click()
{
    PicInner->setAutoRedraw(true);

    // The clipboard is read once: the picture for the view, and the same (shared) picture for
    // the buffer slot. Asking a slow owner twice would double the wait for nothing.
    const ClipboardPicture clip = clipboard().readPicture();

    // The view shows whatever the read gave, and is blank when it gave no picture; a read that
    // failed leaves the view as it was. A new size re-ranges the bars inside this call.
    if (clip.read != ClipboardPicture::Read::Failed)
        PicInner->setPicture(clip.image);

    if (clip.offersBitmap) {
        state.bufferIndex = raisedBufferIndex(state.bufferIndex);
        // Past the eighth slot the picture is stored nowhere, and the counter stays raised.
        if (clip.read == ClipboardPicture::Read::Picture && isBufferSlot(state.bufferIndex)) {
            const auto slot = static_cast<size_t>(state.bufferIndex);
            ImgBuffer[slot]->setPicture(clip.image);
            // Compressed by a worker while the view shows the picture.
            m_buffers[slot] = StoredPicture(clip.image);
        }
    }

    PicInner->setAutoRedraw(false);
}

} // namespace corvantile
