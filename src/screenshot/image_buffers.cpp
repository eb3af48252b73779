#include "image_buffers.h"

#include "controls/image_box.h"
#include "controls/mouse_buttons.h"

#include <QKeyEvent>
#include <algorithm>

namespace corvantile {

ImageBuffers::ImageBuffers(const Slots &thumbnails, WindowState &state)
    : m_slots(thumbnails), m_state(state)
{}

int ImageBuffers::keep(const ClipboardPicture &clip)
{
    // The view shows whatever a read that did not fail gave.
    if (!clip.failed())
        m_shown = -1;
    if (!clip.movesBufferCounter())
        return -1;
    m_state.bufferIndex = raisedBufferIndex(m_state.bufferIndex);
    if (clip.outcome != ReadOutcome::Decoded || !isBufferSlot(m_state.bufferIndex))
        return -1;
    const auto slot = static_cast<size_t>(m_state.bufferIndex);
    m_slots[slot]->setPicture(clip.image);
    // Compressed by a worker while the view shows the picture.
    m_pictures[slot] = StoredPicture(clip.image);
    m_shown = int(slot);
    return m_shown;
}

QString ImageBuffers::remove(int slot)
{
    const bool removes = !m_pictures[static_cast<size_t>(slot)].isNull();
    for (auto i = static_cast<size_t>(slot); i + 1 < bufferSlotCount; ++i) {
        m_slots[i]->setPicture(m_slots[i + 1]->picture(), m_slots[i + 1]->pictureSize());
        m_pictures[i] = m_pictures[i + 1];
    }
    m_slots[bufferSlotCount - 1]->setPicture(QImage());
    m_pictures[bufferSlotCount - 1] = StoredPicture();
    // A deletion that removes no picture leaves the counter: lowered, it would make the next
    // paste replace a screenshot that is still kept.
    if (removes)
        m_state.bufferIndex = loweredBufferIndex(m_state.bufferIndex);
    // The shown screenshot's slot moves up with it, or is gone.
    if (m_shown == slot)
        m_shown = -1;
    else if (m_shown > slot)
        --m_shown;
    return removes ? QStringLiteral("Buffer %1 deleted").arg(slot + 1)
                   : QStringLiteral("Buffer %1 was empty: nothing deleted").arg(slot + 1);
}

void ImageBuffers::makeTabStop(int index)
{
    for (int i = 0; i < bufferSlotCount; ++i)
        m_slots[static_cast<size_t>(i)]->setFocusPolicy(i == index ? Qt::StrongFocus
                                                                   : Qt::ClickFocus);
}

int ImageBuffers::slotOf(const QObject *watched) const
{
    const auto slot = std::find(m_slots.begin(), m_slots.end(), watched);
    return slot == m_slots.end() ? -1 : static_cast<int>(slot - m_slots.begin());
}

bool ImageBuffers::keyPressed(int index, const QKeyEvent &key)
{
    if (isMenuKey(key)) {
        emit menuAsked(index);
        return true;
    }
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Space) {
        emit bringBackAsked(index);
        return true;
    }
    // Where each key goes from this slot; a row holds two.
    const std::pair<int, int> moves[] = {
        {Qt::Key_Left, index - 1}, {Qt::Key_Right, index + 1}, {Qt::Key_Up, index - 2},
        {Qt::Key_Down, index + 2}, {Qt::Key_Home, 0},          {Qt::Key_End, bufferSlotCount - 1}};
    const auto move = std::find_if(std::begin(moves), std::end(moves),
                                   [&key](const auto &m) { return m.first == key.key(); });
    if (move == std::end(moves))
        return false;
    if (isBufferSlot(move->second))
        m_slots[static_cast<size_t>(move->second)]->setFocus(Qt::TabFocusReason);
    return true;
}

} // namespace corvantile
