#pragma once

#include "common/stored_picture.h"
#include "common/window_state.h"
#include "screenshot/buffers.h"
#include "system/clipboard.h"
#include "system/picture_file.h"

#include <QPoint>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QAction;
class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace corvantile {

class ClipRegion;
class CombineFlow;
class DefinitionInputs;
class FindFlow;
class FoundTable;
class ImageBox;
class ImageBuffers;
class JobStatus;
class LockedTextBox;
class PasteFlow;
class PictureBox;
class PopupForm;
class Previews;
class RubberBand;
class ScrollingView;
class StatusLine;
class SunkenFrame;
class TextReader;
class WindowKeys;
struct GeneratorInputs;

// The controls of the main window, named as the tool's documentation names them; each
// carries its name as its object name too.
struct Form1Controls
{
    SunkenFrame *picScroll = nullptr;
    PictureBox *PicInner = nullptr;
    QScrollBar *HScroll1 = nullptr;
    QScrollBar *VScroll1 = nullptr;
    QLabel *lblCoords = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label8 = nullptr;
    QLineEdit *txtRedFrom = nullptr;
    QLineEdit *txtRedTo = nullptr;
    QLineEdit *txtGreenFrom = nullptr;
    QLineEdit *txtGreenTo = nullptr;
    QLineEdit *txtBlueFrom = nullptr;
    QLineEdit *txtBlueTo = nullptr;
    QGroupBox *Frame4 = nullptr;
    QLineEdit *txtObjectName = nullptr;
    QPushButton *btnCreate = nullptr;
    QGroupBox *Frame6 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QGroupBox *Frame7 = nullptr;
    QCheckBox *chkUseBlack = nullptr;
    LockedTextBox *txtObject = nullptr;
    PictureBox *picClip = nullptr;
    QGroupBox *Frame3 = nullptr;
    QLineEdit *txtCoords = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLineEdit *txtWidth = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLineEdit *txtHeight = nullptr;
    QPushButton *Command1 = nullptr;
    QLabel *Label1 = nullptr;
    QGroupBox *Frame5 = nullptr;
    std::array<ImageBox *, bufferSlotCount> ImgBuffer{};
    ImageBox *imgEgg = nullptr;
    QMenu *PopMenu = nullptr;
    QAction *deleteItem = nullptr; // the menu item `delete`
    QAction *ZoomIn = nullptr;
    QAction *combineItem = nullptr; // the clip's only
};

// The main window: it builds every control at its place, makes the object of each subsystem
// and of each flow (the paste, the find, the clipboard's text, the running job and the status
// line), and wires them together. Its handlers are the ones its controls are known by; each
// hands the event to the subsystem or flow that owns it, and where an event reaches several,
// says in which order.
class Form1 : public QWidget, private Form1Controls
{
    Q_OBJECT

public:
    // The clipboard is the system's unless a test hands in its own.
    explicit Form1(std::unique_ptr<Clipboard> clipboard = nullptr, QWidget *parent = nullptr);
    ~Form1() override;

    static constexpr int bufferCount = bufferSlotCount;

    // Start-up: scroll ranges, the view's place and line style, and the window state.
    void Form_Load();

    // Paste and image buffers. Picture files (named on the command line or dropped on the
    // window) are taken as that many pasted bitmaps, through the same picture intake.
    void Command1_Click();
    void openPictures(const QList<PicturePath> &files);
    // Whether a picture is being read, or the screenshot searched (the one job at a time), or
    // the clipboard's text is on its way.
    bool pictureJobRunning() const;
    void ImgBuffer_MouseUp(int index, int button, int shift, float x, float y);
    void delete_Click();

    // A press on the view starts a new region and takes the outlines of a search away.
    void PicInner_MouseDown(int button, int shift, float x, float y);

    // Create Object, and what it reads.
    void btnCreate_Click();
    GeneratorInputs currentInputs() const;

    // Expanded preview and the hidden picture window.
    void picClip_MouseUp(int button, int shift, float x, float y);
    void ZoomIn_Click();
    void imgEgg_DblClick();

    // Opens PopMenu at the mouse pointer; a chosen item runs before this returns.
    void openPopMenu();

    // The variables the handlers share, for whoever needs to look or set one up (tests do).
    WindowState &state() { return m_state; }

    // The screenshot an image buffer holds, for whoever needs to look (tests do).
    const StoredPicture &bufferPicture(int index) const;

    // The preview window while it is open, for whoever needs to reach it (tests do).
    PopupForm *popupForm() const;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Building the window.
    void buildControls();
    void buildTextControls();
    void buildChoiceControls();
    void buildPictureControls();
    void buildTabOrder();
    void makeSubsystems();
    void connectHandlers();
    void connectKeys();
    // A right-button release given by a key (the Menu key, or Ctrl+Shift+N on a buffer): the
    // menu it opens stands at the control's top-left corner instead of at the pointer.
    void releaseRightByKey(QWidget *control, int buffer);
    // A definition made: into the result box and onto the clipboard, its outcome shown and
    // spoken whole with the warnings that follow it. `words` gives the outcome's shown and
    // spoken words, told whether the text reached the clipboard.
    void present(const QString &text, int kept,
                 const std::function<std::pair<QString, QString>(bool copied)> &words);

    WindowState m_state;
    std::optional<QPoint> m_menuPosition; // where the next PopMenu opens, when a key opened it

    // The subsystems and flows, declared in the order they depend on each other: each is made
    // after, and gone before, what it holds a reference to (the clipboard, the window state,
    // the status line). They are gone before the controls, which the window's base deletes
    // last.
    std::unique_ptr<Clipboard> m_clipboard;
    std::unique_ptr<StatusLine> m_status;
    std::unique_ptr<JobStatus> m_job;
    std::unique_ptr<ScrollingView> m_view;
    std::unique_ptr<RubberBand> m_band;
    std::unique_ptr<ClipRegion> m_region;
    std::unique_ptr<DefinitionInputs> m_inputs;
    std::unique_ptr<ImageBuffers> m_buffers;
    std::unique_ptr<Previews> m_previews;
    std::unique_ptr<TextReader> m_text;
    std::unique_ptr<FindFlow> m_find;
    std::unique_ptr<CombineFlow> m_combine;
    FoundTable *m_foundTable = nullptr; // Ctrl+B's table of several definitions, a window
    std::unique_ptr<PasteFlow> m_paste;
    // Last: the first to go, so that no event reaches it once what it hands keys to is gone.
    std::unique_ptr<WindowKeys> m_keys;
};

} // namespace corvantile
