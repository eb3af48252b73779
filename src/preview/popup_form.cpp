#include "popup_form.h"

#include "controls/accessibility.h"
#include "controls/announcer.h"
#include "controls/image_box.h"
#include "controls/keyboard_cursor.h"

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
    // The picture takes the focus, for the keyboard's cursor over its pixels.
    picZoom->setFocusPolicy(Qt::StrongFocus);
    setAccessibleRole(picZoom, QAccessible::Graphic);
    resize(initialClientWidth, initialClientHeight);
    picZoom->resize(initialClientWidth - margin, initialClientHeight - margin);
    // What the Zoom tells a reader stands in the window it was opened from: a reader names a
    // notification's dialog before every one it speaks, and the Zoom's name is its title.
    m_said = new Announcer(parent ? parent->window() : this);
}

PopupForm::~PopupForm()
{
    delete m_said;
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
// comes up, with the bounds as the boxes hold them then. The arrow keys, Home and End move the
// keyboard's cursor over the pixels; its first key puts it on the top-left one.
void PopupForm::keyPressEvent(QKeyEvent *event)
{
    if (const auto moved = cursorMovedBy(*event, m_cursor.value_or(QPoint()), cursorGrid())) {
        moveCursor(m_cursor ? *moved : QPoint());
        return;
    }
    if (event->key() != Qt::Key_K || event->modifiers() != Qt::NoModifier || !m_makeKeptView) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (!m_keptShown) {
        m_shown = picZoom->picture();
        m_name = accessibleName();
    }
    m_keptShown = !m_keptShown;
    m_kept =
        m_keptShown
            ? m_makeKeptView()
            : KeptView{m_shown, QStringLiteral("Zoom"), QStringLiteral("The picture"), QSize(), {}};
    picZoom->setPicture(m_kept.picture);
    setWindowTitle(m_kept.title);
    // The window's name follows its title, and the view it switched to is told.
    setAccessibleName(m_keptShown ? m_kept.title : m_name);
    m_said->announce(m_kept.spoken);
    if (m_cursor) // the cursor stays on its point, drawn over the view now shown
        picZoom->setCursorCell(m_cursor, cursorGrid());
}

// The points the cursor goes over: the kept view's, or the pixels of the picture shown.
QSize PopupForm::cursorGrid() const
{
    return m_keptShown && !m_kept.points.isEmpty() ? m_kept.points : picZoom->picture().size();
}

// The cursor drawn on its point, and the point told: its place, its colour in the picture, and
// in the kept view what Create Object does with it.
void PopupForm::moveCursor(QPoint to)
{
    m_cursor = to;
    picZoom->setCursorCell(to, cursorGrid());
    const QImage &picture = m_keptShown ? m_shown : picZoom->picture();
    QString words = QStringLiteral("%1, %2").arg(to.x()).arg(to.y());
    if (picture.valid(to)) {
        const QRgb c = picture.pixel(to);
        words += QStringLiteral(": R=%1 G=%2 B=%3").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
    }
    if (m_keptShown && m_kept.fate)
        words += QStringLiteral("; ") + m_kept.fate(to);
    m_said->announce(words);
}

void PopupForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // A window shrunk below the margin gives the picture no room rather than a negative size.
    picZoom->resize(std::max(0, width() - margin), std::max(0, height() - margin));
}

} // namespace corvantile
