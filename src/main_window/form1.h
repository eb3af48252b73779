#pragma once

#include "common/stored_picture.h"
#include "common/window_state.h"
#include "screenshot/buffers.h"
#include "screenshot/picture_intake.h"
#include "system/clipboard.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QFocusEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

namespace corvantile {

class Announcer;
class ClipRegion;
class DefinitionInputs;
class DefinitionSearch;
class ImageBox;
class ImageBuffers;
class LockedTextBox;
class PictureBox;
class PopupForm;
class Previews;
class RubberBand;
class ScrollingView;
class SunkenFrame;
struct GeneratorInputs;

// The main window: it builds every control at its place, owns the window state and the object
// of each subsystem, and wires them together. Its handlers hand each event to the subsystem
// that owns it; where an event reaches several subsystems, the handler says in which order.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    // The clipboard is the system's unless a test hands in its own.
    explicit Form1(std::unique_ptr<Clipboard> clipboard = nullptr, QWidget *parent = nullptr);
    ~Form1() override;

    static constexpr int bufferCount = bufferSlotCount;

    WindowState state;

    Clipboard &clipboard() { return *m_clipboard; }

    // Start-up: scroll ranges, the view's place and line style, and the window state.
    void Form_Load();

    // Paste and image buffers. Picture files (named on the command line or dropped on the
    // window) are taken as that many pasted bitmaps. Each goes through the picture intake,
    // which reads off the window's thread; the picture lands when the read is done.
    void Command1_Click();
    void openPictures(const QList<PicturePath> &files);
    void openPicture(const QString &path);
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
    QRect definedRegion(const GeneratorInputs &inputs) const;

    // The definition as Create Object would make it now, looked for in the screenshot (Ctrl+F);
    // F3 and Shift+F3 go to the next and the previous place found.
    void findInScreenshot();
    void goToMatch(int step);
    // The definition on the clipboard as text (a user's script holds it so) looked for in the
    // screenshot the same way (Ctrl+Shift+F); the result box and the bounds stay as they are.
    void findClipboardDefinition();
    void findDefinitionText(const QString &text);
    // The definition made last by Create Object, or read last from the clipboard, looked for
    // in every filled image buffer (Ctrl+B); the view stays as it is.
    void findInBuffers();

    // Expanded preview and the hidden picture window.
    void picClip_MouseUp(int button, int shift, float x, float y);
    void ZoomIn_Click();
    void imgEgg_DblClick();

    // Opens PopMenu at the mouse pointer; a chosen item runs before this returns.
    void openPopMenu();

    // The screenshot an image buffer holds, for whoever needs to look (tests do).
    const StoredPicture &bufferPicture(int index) const;

    // The preview window while it is open, for whoever needs to reach it (tests do).
    PopupForm *popupForm() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
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
    void describeForScreenReaders();
    void describeBuffers();
    void nameAreas();
    void describeBounds();

    // The clipboard's text, read off the window's thread for a text box's paste key and for
    // the search of the clipboard's definition; `then` gets it when it is here, or nothing
    // when the owner did not answer. A second read asked for while one waits stops it.
    void readClipboardText(std::function<void(const std::optional<QString> &)> then);
    void pasteTextInto(QLineEdit *box);
    bool stopTextRead();

    // The picture intake's and the search's job, as the window shows it.
    bool jobRunning() const;
    bool refusedWhileBusy();
    bool modalWindowOpen() const;
    void jobStarted(const QString &what, int progressAfterMs);
    void showJobProgress();
    void jobEnded();
    void intakeFinished(const PictureIntake::Outcome &outcome);
    void searchFinished(bool cancelled);
    void buffersSearched(bool cancelled);
    void showOutlines();
    void pictureArrived(const PictureIntake::Arrival &arrival);
    void takePicture(const ClipboardPicture &clip);
    void clearMatches();
    bool mayStartSearch();
    void connectDefinitionChanges();

    // Keys the window handles before the control they were pressed on.
    bool keyFiltered(QObject *watched, const QKeyEvent &key);
    bool keptSelection(QObject *watched, const QFocusEvent &focus);
    void releaseRightByKey(QWidget *control, const std::function<void()> &release);
    void bufferMenuByKey(int index);

    // Tells a screen reader what an action did, as a notification it speaks at once; say()
    // puts it in the status line too.
    void announce(const QString &text);
    void say(const QString &text);
    void report(const QString &text);

    // Controls, named as the tool's documentation names them; each carries its name as its
    // object name too.
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
    std::array<ImageBox *, bufferCount> ImgBuffer{};
    ImageBox *imgEgg = nullptr;

    QMenu *PopMenu = nullptr;
    QAction *deleteItem = nullptr; // the menu item `delete`
    QAction *ZoomIn = nullptr;
    Announcer *m_announcer = nullptr; // what a screen reader is told, in turn

    // The subsystems, declared in the order they depend on each other: each is made after,
    // and gone before, what it holds a reference to (the clipboard, the window state). They
    // are gone before the controls, which the window's base deletes last.
    std::unique_ptr<Clipboard> m_clipboard;
    std::unique_ptr<PictureIntake> m_intake;
    std::unique_ptr<DefinitionSearch> m_search;
    std::unique_ptr<ScrollingView> m_view;
    std::unique_ptr<RubberBand> m_band;
    std::unique_ptr<ClipRegion> m_region;
    std::unique_ptr<DefinitionInputs> m_inputs;
    std::unique_ptr<ImageBuffers> m_buffers;
    std::unique_ptr<Previews> m_previews;
    BackgroundJob m_textRead; // the clipboard's text, on its way to a text box or a search

    QTimer *m_jobProgress = nullptr;
    QString m_jobWhat;            // what the running job does, for its refusals and progress
    QString m_statusAfterJob;     // the status line's text once the job is over
    bool m_jobReported = false;   // whether the running job reported an outcome yet
    QString m_searchName;         // the name of a definition read from the clipboard, searched
    QString m_definition;         // the text of the definition Ctrl+B looks for
    QString m_findNote;           // why Ctrl+F may not find the region where it was cut
    QString m_findStatus;         // what the search or F3 last put in the status line
    QElapsedTimer m_refusalShown; // since a refusal was put in the status line
    QElapsedTimer m_jobTime;      // since the running job started
    quint64 m_lastInputTime = 0;  // when the last click or key press happened
    // Where the next PopMenu opens when it is not opened at the mouse pointer (by a key).
    std::optional<QPoint> m_menuPosition;
};

} // namespace corvantile
