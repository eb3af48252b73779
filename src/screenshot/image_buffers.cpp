// The eight image buffers: bring a screenshot back, and delete one through the pop-up menu.

#include "controls/accessibility.h"
#include "controls/image_box.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "screenshot/buffers.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

namespace corvantile {

void Form1::ImgBuffer_MouseUp(int index, int button, int, float, float)
{
    if (!isBufferSlot(index) ||
        ((button == LeftButton || button == RightButton) && refusedWhileBusy()))
        return;
    if (button == LeftButton) {
        clearMatches();
        // Each write below runs its handler at once: the size handler of the view, the clip
        // copy of each geometry box that really changes, and the scroll handler of each bar.
        PicInner->setPicture(m_buffers[static_cast<size_t>(index)].picture());
        txtCoords->setText(QString());
        txtWidth->setText(QString());
        txtHeight->setText(QString());
        picClip->setPicture(QImage());
        HScroll1->setValue(0);
        VScroll1->setValue(0);
        const QImage &shown = PicInner->picture();
        announce(shown.isNull() ? QStringLiteral("Buffer %1 is empty").arg(index + 1)
                                : QStringLiteral("Buffer %1 brought back, %2")
                                      .arg(index + 1)
                                      .arg(sizeDescription(shown.size())));
    }
    if (button == RightButton) {
        state.menuTarget = static_cast<std::int16_t>(index);
        openPopMenu();
    }
}

void Form1::delete_Click()
{
    // Opened on the clip box there is no buffer to delete. Shifting from there would throw
    // away the picture in the last slot, which the user never chose, so nothing happens.
    if (!state.menuTarget || !isBufferSlot(*state.menuTarget) || refusedWhileBusy())
        return;
    const int slot = *state.menuTarget;
    const bool removes = !m_buffers[static_cast<size_t>(slot)].isNull();
    for (auto i = static_cast<size_t>(slot); i + 1 < bufferSlotCount; ++i) {
        ImgBuffer[i]->setPicture(ImgBuffer[i + 1]->picture(), ImgBuffer[i + 1]->pictureSize());
        m_buffers[i] = m_buffers[i + 1];
    }
    ImgBuffer[bufferSlotCount - 1]->setPicture(QImage());
    m_buffers[bufferSlotCount - 1] = StoredPicture();
    // A deletion that removes no picture leaves the counter: lowered, it would make the next
    // paste replace a screenshot that is still kept.
    if (removes)
        state.bufferIndex = loweredBufferIndex(state.bufferIndex);
    announce(removes ? QStringLiteral("Buffer %1 deleted").arg(slot + 1)
                     : QStringLiteral("Buffer %1 was empty: nothing deleted").arg(slot + 1));
}

// The buffers are one stop of the Tab key, as a list of thumbnails is: the slot that had the
// focus last is the one Tab comes to.
void Form1::makeBufferTabStop(int index)
{
    for (int i = 0; i < bufferCount; ++i)
        ImgBuffer[static_cast<size_t>(i)]->setFocusPolicy(i == index ? Qt::StrongFocus
                                                                     : Qt::ClickFocus);
}

// The keys of a focused slot: the arrows move along the two columns, Home and End go to the
// first and the last slot, Enter or Space brings the slot's screenshot back, and the Menu key
// or Shift+F10 opens its menu. Returns whether the key was one of them.
bool Form1::bufferKeyPressed(QObject *watched, const QKeyEvent &key)
{
    const auto slot = std::find(ImgBuffer.begin(), ImgBuffer.end(), watched);
    if (slot == ImgBuffer.end())
        return false;
    const int index = static_cast<int>(slot - ImgBuffer.begin());
    if (isMenuKey(key)) {
        releaseRightByKey(*slot, [this, index] { ImgBuffer_MouseUp(index, RightButton, 0, 0, 0); });
        return true;
    }
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Space) {
        ImgBuffer_MouseUp(index, LeftButton, 0, 0, 0);
        return true;
    }
    // Where each key goes from this slot; a row holds two.
    const std::pair<int, int> moves[] = {{Qt::Key_Left, index - 1}, {Qt::Key_Right, index + 1},
                                         {Qt::Key_Up, index - 2},   {Qt::Key_Down, index + 2},
                                         {Qt::Key_Home, 0},         {Qt::Key_End, bufferCount - 1}};
    const auto move = std::find_if(std::begin(moves), std::end(moves),
                                   [&key](const auto &m) { return m.first == key.key(); });
    if (move == std::end(moves))
        return false;
    const int to = move->second;
    if (isBufferSlot(to))
        ImgBuffer[static_cast<size_t>(to)]->setFocus(Qt::TabFocusReason);
    return true;
}

} // namespace corvantile
