#pragma once

#include "common/stored_picture.h"
#include "main_window/window_state.h"
#include "screenshot/picture_intake.h"
#include "system/clipboard.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

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
class QTimer;

namespace corvantile {

class ImageBox;
class PeakPlane;
class LockedTextBox;
class PictureBox;
class PopupForm;
class SunkenFrame;
struct GeneratorInputs;

// The main window: every control, the window state and the handlers of every user action.
// The handlers are defined in the folders of their subsystems; this class only holds them.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    // The clipboard is the system's unless a test hands in its own.
    explicit Form1(std::unique_ptr<Clipboard> clipboard = nullptr, QWidget *parent = nullptr);
    ~Form1() override;

    static constexpr int bufferCount = 8;

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
    bool pictureJobRunning() const;
    void ImgBuffer_MouseUp(int index, int button, int shift, float x, float y);
    void delete_Click();

    // Scrolling view.
    void HScroll1_Change();
    void HScroll1_Scroll();
    void VScroll1_Change();
    void VScroll1_Scroll();
    void PicInner_Resize();

    // Rubber band and clip copy.
    void PicInner_MouseDown(int button, int shift, float x, float y);
    void PicInner_MouseMove(int button, int shift, float x, float y);
    void PicInner_MouseUp(int button, int shift, float x, float y);
    void DrawLine(float x1, float y1, float x2, float y2);
    void DrawPicClip();
    void txtCoords_Change();
    void txtWidth_Change();
    void txtHeight_Change();

    // Colour bounds, object name and Create Object.
    void txtRedFrom_Change();
    void txtRedTo_Change();
    void txtGreenFrom_Change();
    void txtGreenTo_Change();
    void txtBlueFrom_Change();
    void txtBlueTo_Change();
    void txtObjectName_Change();
    void btnCreate_Click();
    GeneratorInputs currentInputs() const;

    // The definition as Create Object would make it now, looked for in the screenshot (Ctrl+F);
    // F3 and Shift+F3 go to the next and the previous place found.
    void findInScreenshot();
    void goToMatch(int step);
    const std::vector<QPoint> &matches() const { return m_matches; }

    // Expanded preview and the hidden picture window.
    void picClip_MouseUp(int button, int shift, float x, float y);
    void ZoomIn_Click();
    void imgEgg_DblClick();

    // Opens PopMenu at the mouse pointer; a chosen item runs before this returns.
    void openPopMenu();

    // The screenshot an image buffer holds, for whoever needs to look (tests do).
    const StoredPicture &bufferPicture(int index) const { return m_buffers.at(size_t(index)); }

    // The preview window while it is open, for whoever needs to reach it (tests do).
    PopupForm *popupForm() const { return m_popupForm; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void takePicture(const ClipboardPicture &clip);
    bool refusedWhileBusy();
    bool modalWindowOpen() const;
    void pictureJobStarted(bool paste, const QString &what, int progressAfterMs);
    void showJobProgress();
    void pictureJobFinished(bool cancelled);
    void pictureArrived(const PictureIntake::Arrival &arrival);
    void clearMatches();
    void describeRegion();
    void showMatches(const std::vector<QPoint> &places, qint64 found, QSize size);
    void say(const QString &text); // the status line and a screen reader alike
    void releaseRightByKey(QWidget *control, const std::function<void()> &release);
    bool keyFiltered(QObject *watched, const QKeyEvent &key);
    bool bufferKeyPressed(QObject *watched, const QKeyEvent &key);
    void makeBufferTabStop(int index);
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

    void buildControls();
    void allowScrollablePictures();
    void buildTabOrder();
    void connectHandlers();
    void describeForScreenReaders();
    // Tells a screen reader what an action did, as a notification it speaks at once.
    void announce(const QString &text);
    void placePicInner(int left, int top);

    std::unique_ptr<Clipboard> m_clipboard;
    BackgroundJob *m_job = nullptr; // the one job at a time: reading a picture, or a search
    PictureIntake *m_intake = nullptr;
    QTimer *m_jobProgress = nullptr;
    bool m_pasting = false;        // the running job reads the clipboard
    bool m_finding = false;        // the running job looks for the definition
    QString m_jobWhat;             // what the running job does, for its refusals and progress
    std::vector<QPoint> m_matches; // where the definition was found, in reading order
    int m_matchIndex = -1;         // the match F3 went to last
    std::shared_ptr<const PeakPlane> m_peaks; // of the picture in the view, once searched
    qint64 m_peaksOf = 0;                     // that picture's cache key
    QString m_statusAfterJob;                 // the status line's text once the job is over
    QElapsedTimer m_refusalShown;             // since a refusal was put in the status line
    quint64 m_lastInputTime = 0;              // when the last click or key press happened
    // What the image buffers hold; their controls show thumbnails only.
    std::array<StoredPicture, bufferCount> m_buffers;
    PopupForm *m_popupForm = nullptr;
    QLabel *m_announcer = nullptr; // never seen: a notification for screen readers only
    // Where the next PopMenu opens when it is not opened at the mouse pointer (by a key).
    std::optional<QPoint> m_menuPosition;
};

} // namespace corvantile
