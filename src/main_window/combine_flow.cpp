#include "combine_flow.h"

#include "main_window/job_status.h"
#include "controls/picture_box.h"
#include "controls/status_line.h"
#include "object_definition/clip_pixels.h"
#include "object_definition/create_object.h"
#include "object_definition/definition_inputs.h"
#include "screenshot/image_buffers.h"

namespace corvantile {

CombineFlow::CombineFlow(const Controls &controls, const DefinitionInputs &inputs,
                         const ImageBuffers &buffers, JobStatus &job, StatusLine &status)
    : m_controls(controls), m_inputs(inputs), m_buffers(buffers), m_job(job), m_status(status)
{
    connect(&m_creation, &CombinedCreation::finished, this, &CombineFlow::finished);
}

void CombineFlow::start()
{
    if (m_job.refusedWhileBusy())
        return;
    const GeneratorInputs inputs = m_inputs.currentInputs();
    const ClipPixels clip(*m_controls.clip);
    std::optional<KeptPixels> kept = keptPixels(clip, inputs, m_controls.clip->drawingSize());
    if (!kept) { // refused as Create Object refuses, in its words
        m_status.say(createObject(clip, inputs).refusal);
        return;
    }
    std::vector<CombinedCreation::Screenshot> others;
    for (int i = 0; i < bufferSlotCount; ++i)
        if (i != m_buffers.shownSlot() && !m_buffers.picture(i).isNull())
            others.push_back({i + 1, m_buffers.picture(i)});
    if (others.empty()) {
        m_status.say(QStringLiteral("Nothing created: no other buffer holds a screenshot; "
                                    "Create Object makes the definition of this one"));
        return;
    }
    m_clip = m_controls.clip->image();
    m_madeFor = inputs;
    m_differs.clear();
    if (!m_creation.start(Combination(std::move(*kept), m_controls.region().topLeft()),
                          std::move(others), inputs))
        return;
    m_job.started({QStringLiteral("creating from all screenshots"), 200,
                   [this](const QString &doing, qint64) {
                       return QStringLiteral("%1: %2 %").arg(doing).arg(m_creation.percent());
                   },
                   [this] { m_creation.cancel(); }});
}

bool CombineFlow::madeOfWhatIsShown() const
{
    return m_controls.clip->image() == m_clip &&
           m_inputs.currentInputs() == m_madeFor;
}

std::vector<QPoint> CombineFlow::differsNow() const
{
    return madeOfWhatIsShown() ? m_differs : std::vector<QPoint>();
}

void CombineFlow::finished(bool cancelled)
{
    m_job.ended();
    if (cancelled) {
        m_status.report(QStringLiteral(
            "Creation stopped: the definition box and the clipboard are as they were"));
        return;
    }
    if (!m_creation.failure().isEmpty() || !m_creation.result()) {
        m_status.report(m_creation.failure());
        return;
    }
    // A definition of a clip or of bounds that changed meanwhile is not made.
    if (!madeOfWhatIsShown()) {
        m_status.report(
            QStringLiteral("Nothing created: the region or the bounds changed while it ran"));
        return;
    }
    const Combination::Result &result = *m_creation.result();
    m_differs = result.differs;
    emit created(result.text, result.agreed, combinedText(result));
}

} // namespace corvantile
