#include "popup_form.h"

#include "controls/accessibility.h"
#include "controls/announcer.h"
#include "controls/image_box.h"

#include <QKeyEvent>
#include <QResizeEvent>
#include <algorithm>

namespace corvantile {

PopupForm::PopupForm(QWidget *parent)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Zoom"));
    picZoom = new ImageBox(this);
    // Enlarged pixels stay crisp squares: the user zooms in to see single pixels.
    picZoom->setScaling(ImageBox::Scaling::Pixelated);
    picZoom->move(1, 1);
    picZoom->setAccessibleName(QStringLiteral("Enlarged picture"));
    setAccessibleRole(picZoom, QAccessible::Graphic);
    resize(initialClientWidth, initialClientHeight);
    picZoom->resize(initialClientWidth - margin, initialClientHeight - margin);
    m_said = new Announcer(this);
}

// A tool window is shown without being made active on some systems (Windows); the preview is
// made the active window, so that its keys (Escape) reach it.
void PopupForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    activateWindow();
}

// Closed, the preview gives the keyboard back to the window it was opened from, also where no
// window manager does (the focus would go nowhere, and a keyboard user be left stranded).
void PopupForm::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (QWidget *opener = parentWidget(); opener && opener->isVisible())
        opener->activateWindow();
}

// K switches between the picture and the kept pixels, worked out afresh each time the kept view
// comes up, with the bounds as the boxes hold them then.
void PopupForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_K || event->modifiers() != Qt::NoModifier || !m_makeKeptView) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (!m_keptShown) {
        m_shown = picZoom->picture();
        m_name = accessibleName();
    }
    m_keptShown = !m_keptShown;
    const KeptView kept =
        m_keptShown ? m_makeKeptView()
                    : KeptView{m_shown, QStringLiteral("Zoom"), QStringLiteral("The picture")};
    picZoom->setPicture(kept.picture);
    setWindowTitle(kept.title);
    // The window's name follows its title, and the view it switched to is told.
    setAccessibleName(m_keptShown ? kept.title : m_name);
    m_said->announce(kept.spoken);
}

void PopupForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // A window shrunk below the margin gives the picture no room rather than a negative size.
    picZoom->resize(std::max(0, width() - margin), std::max(0, height() - margin));
}

} // namespace corvantile
