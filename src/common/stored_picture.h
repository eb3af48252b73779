#pragma once

#include <QImage>
#include <functional>
#include <memory>

namespace corvantile {

// A picture kept for later, held compressed without loss: a worker thread compresses it once
// it is given, and from then on only the compressed copy is held. Until the copy is made, or
// when the picture cannot be compressed, the picture is held as it was given. Copies share
// what they hold; dropping the last one while the worker runs stops the worker within a band
// of rows, and loses and leaks nothing. One picture is compressed at a time.
class StoredPicture
{
public:
    StoredPicture() = default;
    explicit StoredPicture(const QImage &picture);

    bool isNull() const { return !m_state; }
    QSize size() const;
    // The picture: the one given while it is not yet compressed, else decoded afresh.
    QImage picture() const;

    // The picture band by band of whole rows, each unpacked as it is handed to `take` with the
    // row it begins at, and gone after: a pass over the picture that never holds all of it.
    // `take` gets the bands one at a time from the top, on the caller's thread. Stops when
    // `take` returns false. False when it stopped, or a band could not be unpacked.
    bool forEachBand(const std::function<bool(const QImage &band, int top)> &take) const;

    // Whether only the compressed copy is held; waits for the worker first when asked to.
    bool isCompressed(bool wait = false) const;

    // Waits until no picture is being compressed: at the end of the program, once the pictures
    // are gone, this is at most one band's work.
    static void waitForCompression();
    // How many compressions stopped, or never began, because their picture was dropped while
    // they waited or ran (tests look).
    static int compressionsAbandoned();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace corvantile
