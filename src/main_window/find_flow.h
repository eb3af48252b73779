#pragma once

#include "object_definition/definition_search.h"

#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QScrollBar;

namespace corvantile {

class DefinitionInputs;
class ImageBuffers;
class JobStatus;
class PictureBox;
class StatusLine;
class TextReader;
struct DefinitionText;
struct GeneratorInputs;

// The find: a definition looked for in the screenshot (Ctrl+F for the one Create Object would
// make now, Ctrl+Shift+F for those on the clipboard, one or a script's several) or in every filled
// buffer (Ctrl+B), the places found outlined in the view, and F3 and Shift+F3 through them.
//
// A result belongs to the inputs it was found for: the picture, the bounds, the sampling, the
// black rule, the region and the definition read. Any change of them stops a search of the
// screenshot that is still running, takes the outlines and the result's words away, and leaves
// F3 nothing to go to.
class FindFlow : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        PictureBox *view; // the screenshot, where the places found are outlined
        PictureBox *clip; // the region Ctrl+F makes its definition of
        QScrollBar *across;
        QScrollBar *down;
        // The region typed or dragged, as definedRegion() gives it.
        std::function<QRect()> region;
    };

    FindFlow(const Controls &controls, const DefinitionInputs &inputs, const ImageBuffers &buffers,
             JobStatus &job, StatusLine &status, TextReader &text);

    bool busy() const { return m_search.busy(); }
    bool holdsResult() const { return m_search.holdsResult(); }

    void findInScreenshot();
    void findClipboardDefinition();
    void findDefinitionText(const QString &text);
    void findInBuffers();
    // Looks for one definition of Ctrl+B's last table (by its row) in the screenshot shown, and
    // goes to its first place, or to where it comes nearest.
    void findFromTable(int definition);
    // Scrolls the view to the place `step` places on from the last one gone to (back when
    // negative): rows from the top, left to right within a row, round the ends.
    void goToMatch(int step);

    // The definition Create Object made last, which Ctrl+B looks for.
    void setDefinition(const QString &text) { m_definition = text; }
    // What a search would look for, or in, changed.
    void inputsChanged();
    // The view shows another picture (or none): the peaks kept for the last one go too.
    void pictureReplaced();
    // The places found in the part of the screenshot the view shows are outlined.
    void showOutlines();

signals:
    // Ctrl+B looked for several definitions: what each found in each buffer (a row a buffer).
    void tableReady(const std::vector<DefinitionSearch::BufferCount> &buffers,
                    const std::vector<std::vector<DefinitionSearch::Found>> &found);

private:
    bool mayStart();
    bool keepsPixels(const std::vector<DefinitionEntry> &entries);
    void start(const std::function<bool(const QImage &)> &search, const QString &name,
               const QString &note);
    void findSeveral(const QString &text, const std::vector<DefinitionText> &read);
    void searchFinished(bool cancelled);
    void buffersSearched(bool cancelled);
    bool endedWell(bool cancelled);

    Controls m_controls;
    const DefinitionInputs &m_inputs;
    const ImageBuffers &m_buffers;
    JobStatus &m_job;
    StatusLine &m_status;
    TextReader &m_text;
    DefinitionSearch m_search;
    QString m_definition; // the text of the definition Ctrl+B looks for
    QString m_name;       // of a definition read from the clipboard, searched
    QString m_note;       // why Ctrl+F may not find the region where it was cut
    QStringList m_unread; // of several definitions searched, those that could not be read
    // The definitions Ctrl+B looked for last, in the order of its table's rows.
    std::vector<DefinitionSearch::Named> m_tableDefinitions;
    bool m_goFirst = false; // the running search goes to its first place when it ends
    QString m_stopped;      // why the running search is being stopped, when not by the user
    // The inputs' generation: raised at each change. A search's result is taken only when
    // the inputs it was started for are still the current ones.
    quint64 m_inputsNow = 0;
    quint64 m_searchedFor = 0;
};

// The region a definition is made of: the corner typed (or, without an x, the x of the drag's
// start), and the width and height.
QRect definedRegion(const GeneratorInputs &inputs, float startX);

} // namespace corvantile
