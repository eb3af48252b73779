// How long a program takes from its start to its first full frame on an X server:
//   first_frame RUNS TITLE PROGRAM [ARGUMENT...]
// starts the program RUNS times; each time it finds the window whose name begins with TITLE,
// takes its pixels every few milliseconds until they have stood still for a second, and counts
// the time to the first picture that equals that last one. Prints each time and the median.

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <xcb/xcb.h>

namespace {

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return found;
}

QByteArray nameOf(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    xcb_get_property_reply_t *reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 256), nullptr);
    QByteArray name;
    if (reply)
        name = QByteArray(static_cast<const char *>(xcb_get_property_value(reply)),
                          xcb_get_property_value_length(reply));
    free(reply);
    return name;
}

// A viewable window at the top of the tree (or one below, for a window manager's frame)
// whose name begins with the title.
xcb_window_t findWindow(xcb_connection_t *c, xcb_window_t root, const QByteArray &title,
                        int depth = 0)
{
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree)
        return XCB_WINDOW_NONE;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    const int count = xcb_query_tree_children_length(tree);
    static const xcb_atom_t netName = atom(c, "_NET_WM_NAME");
    static const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    xcb_window_t found = XCB_WINDOW_NONE;
    for (int i = 0; i < count && found == XCB_WINDOW_NONE; ++i) {
        xcb_get_window_attributes_reply_t *attributes =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attributes);
        if (!viewable)
            continue;
        if (nameOf(c, children[i], netName, utf8).startsWith(title) ||
            nameOf(c, children[i], XCB_ATOM_WM_NAME, XCB_ATOM_STRING).startsWith(title))
            found = children[i];
        else if (depth < 2)
            found = findWindow(c, children[i], title, depth + 1);
    }
    free(tree);
    return found;
}

QByteArray pixelsOf(xcb_connection_t *c, xcb_window_t window)
{
    xcb_get_geometry_reply_t *geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (!geometry)
        return {};
    xcb_get_image_reply_t *image =
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                          geometry->width, geometry->height, ~0u),
                            nullptr);
    free(geometry);
    QByteArray hash;
    if (image)
        hash = QCryptographicHash::hash(
            QByteArrayView(xcb_get_image_data(image), xcb_get_image_data_length(image)),
            QCryptographicHash::Sha1);
    free(image);
    return hash;
}

// Milliseconds from the start to the first full frame, or -1.
double oneRun(xcb_connection_t *c, xcb_window_t root, const QByteArray &title,
              const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return -1;
    std::vector<std::pair<qint64, QByteArray>> frames; // time in µs, pixels
    xcb_window_t window = XCB_WINDOW_NONE;
    qint64 stillSince = 0;
    while (clock.elapsed() < 30000) {
        if (window == XCB_WINDOW_NONE) {
            window = findWindow(c, root, title);
            if (window == XCB_WINDOW_NONE) {
                QThread::usleep(500);
                continue;
            }
        }
        const QByteArray pixels = pixelsOf(c, window);
        const qint64 now = clock.nsecsElapsed() / 1000;
        if (frames.empty() || frames.back().second != pixels) {
            frames.emplace_back(now, pixels);
            stillSince = now;
        } else if (now - stillSince > 1000000) {
            break;
        }
        QThread::usleep(1000);
    }
    process.kill();
    process.waitForFinished(5000);
    if (frames.empty())
        return -1;
    const QByteArray last = frames.back().second;
    for (const auto &[time, pixels] : frames)
        if (pixels == last)
            return time / 1000.0;
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: first_frame RUNS TITLE PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    const QByteArray title = argv[2];
    QStringList arguments;
    for (int i = 4; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "first_frame: no X server\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const double ms = oneRun(c, root, title, QString::fromLocal8Bit(argv[3]), arguments);
        std::printf("run %d: %.1f ms\n", run + 1, ms);
        if (ms >= 0)
            times.push_back(ms);
    }
    xcb_disconnect(c);
    if (times.empty())
        return 1;
    std::sort(times.begin(), times.end());
    std::printf("median: %.1f ms\n", times[times.size() / 2]);
    return 0;
}
