#pragma once

#include "object_definition/combined_definition.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <functional>
#include <vector>

namespace corvantile {

class DefinitionInputs;
class ImageBuffers;
class JobStatus;
class PictureBox;
class StatusLine;

// Create Object from all screenshots (Ctrl+Shift+Enter, or the clip box's menu): one definition
// of the marked region of the shown screenshot and of the same thing in every other filled
// buffer, made as a job. Escape stops it with the result box and the clipboard left as they were.
class CombineFlow : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        PictureBox *view; // the shown screenshot
        PictureBox *clip; // its marked region, as Create Object reads it
        // The region typed or dragged, as definedRegion() gives it.
        std::function<QRect()> region;
    };

    CombineFlow(const Controls &controls, const DefinitionInputs &inputs,
                const ImageBuffers &buffers, JobStatus &job, StatusLine &status);

    bool busy() const { return m_creation.busy(); }
    void start();
    // The clip's points the last definition made here dropped because the screenshots differ
    // there, while the clip and the inputs are still the ones it was made of; none otherwise.
    std::vector<QPoint> differsNow() const;

signals:
    // A definition was made: its text, how many pixels it keeps, and the outcome's words
    // ("Created from 3 screenshots: ..."), for the window to show as Create Object's.
    void created(const QString &text, int kept, const QString &outcome);

private:
    void finished(bool cancelled);
    bool madeOfWhatIsShown() const;

    Controls m_controls;
    const DefinitionInputs &m_inputs;
    const ImageBuffers &m_buffers;
    JobStatus &m_job;
    StatusLine &m_status;
    CombinedCreation m_creation;
    // What the running (or last) creation was made of: the clip and the inputs.
    QImage m_clip;
    GeneratorInputs m_madeFor;
    std::vector<QPoint> m_differs;
};

} // namespace corvantile
