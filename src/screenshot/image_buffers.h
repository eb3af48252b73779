#pragma once

#include "common/stored_picture.h"
#include "common/window_state.h"
#include "screenshot/buffers.h"
#include "system/clipboard.h"

#include <QObject>
#include <QString>
#include <array>

class QKeyEvent;

namespace corvantile {

class ImageBox;

// The eight image buffers: the screenshots they keep (compressed), their thumbnails, the
// counter of the last one filled, deletion, and the keys of the one Tab stop they make.
class ImageBuffers : public QObject
{
    Q_OBJECT

public:
    using Slots = std::array<ImageBox *, bufferSlotCount>;

    ImageBuffers(const Slots &thumbnails, WindowState &state);

    const StoredPicture &picture(int index) const { return m_pictures.at(size_t(index)); }

    // A picture that came in: one that offers a bitmap raises the counter (see
    // ClipboardPicture::movesBufferCounter), and is kept in the slot it reaches when it was read
    // whole. Past the eighth slot it is kept nowhere, and the counter stays raised. The slot it
    // was kept in, or -1.
    int keep(const ClipboardPicture &clip);
    // Deletes the screenshot of a slot and moves the later ones up a slot; what was done, in
    // words.
    QString remove(int slot);
    // The slot whose screenshot the view shows (pasted or brought back), or -1.
    int shownSlot() const { return m_shown; }
    void showSlot(int index) { m_shown = index; }

    // The slot that had the focus last is the one stop of the Tab key.
    void makeTabStop(int index);
    // The slot `watched` is, or -1.
    int slotOf(const QObject *watched) const;
    // The keys of a focused slot: the arrows move along the two columns, Home and End go to
    // the first and the last slot, Enter or Space asks to bring the slot back and the Menu key
    // or Shift+F10 asks for its menu. Whether the key was one of them.
    bool keyPressed(int index, const QKeyEvent &key);

signals:
    void bringBackAsked(int index);
    void menuAsked(int index);

private:
    Slots m_slots;
    WindowState &m_state; // the window's, which outlives this
    std::array<StoredPicture, bufferSlotCount> m_pictures;
    int m_shown = -1;
};

} // namespace corvantile
