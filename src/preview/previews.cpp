#include "previews.h"

#include "controls/accessibility.h"
#include "controls/image_box.h"
#include "preview/frm_egg.h"
#include "system/client_frame.h"

namespace corvantile {

void Previews::zoomBuffer(int index, const QImage &shot)
{
    open();
    m_popupForm->picZoom->setPicture(shot);
    m_popupForm->setAccessibleName(shot.isNull()
                                       ? QStringLiteral("Zoom of buffer %1, empty").arg(index + 1)
                                       : QStringLiteral("Zoom of buffer %1, %2")
                                             .arg(index + 1)
                                             .arg(sizeDescription(shot.size())));
    show();
}

void Previews::zoomClip(const QImage &clip, QSize size,
                        std::function<PopupForm::KeptView()> keptView)
{
    open();
    m_popupForm->picZoom->setPicture(clip);
    m_popupForm->setAccessibleName(QStringLiteral("Zoom of the clip, ") + sizeDescription(size));
    m_popupForm->offerKeptView(std::move(keptView));
    show();
}

void Previews::open()
{
    if (!m_popupForm)
        m_popupForm = new PopupForm(m_owner);
}

void Previews::show()
{
    execDialog(m_popupForm);
    delete m_popupForm;
    m_popupForm = nullptr;
}

void Previews::showHidden()
{
    frmEgg window(m_owner);
    window.exec();
}

} // namespace corvantile
