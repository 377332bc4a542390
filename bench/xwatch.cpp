// Prints one line per window map on the X display, stamped with the monotonic
// clock at the moment the event reached this process:
//   map <seconds> <window> <parent> <pid> <late> <title>
//   name <seconds> <window> <parent> <pid> 0 <title>     (a title set after the map)
// <parent> is 0 for a child of the root; <late> is 1 for a window found already
// mapped when its creation was seen, stamped then. A map may be reported twice
// (the root's copy and the window's own): take the earliest.
// One thread only reads events, so a stamp is late by the wake-up of this
// process and never by the work of looking a window up; a second thread does
// the look-ups on a connection of its own. Windows created on the root are
// watched themselves as well, so a tray icon is seen when the tray host maps
// it inside its own window.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace {

enum class Kind { Created, Mapped, Reparented, Named, Destroyed };

struct Event
{
    Kind kind;
    double when;
    Window window;
    Window parent;
};

double now()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int ignoreErrors(Display *, XErrorEvent *)
{
    return 0;
}

class Queue
{
public:
    void push(const Event &event)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_events.push_back(event);
        }
        m_ready.notify_one();
    }
    Event pop()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_events.empty(); });
        Event event = m_events.front();
        m_events.pop_front();
        return event;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Event> m_events;
};

class Lookup
{
public:
    explicit Lookup(Display *display)
        : m_display(display)
        , m_root(DefaultRootWindow(display))
        , m_pid(XInternAtom(display, "_NET_WM_PID", False))
        , m_name(XInternAtom(display, "_NET_WM_NAME", False))
        , m_utf8(XInternAtom(display, "UTF8_STRING", False))
    { }

    void run(Queue &queue)
    {
        for (;;)
            handle(queue.pop());
    }

private:
    void handle(const Event &event)
    {
        switch (event.kind) {
        case Kind::Created:
            m_parents[event.window] = event.parent;
            if (alreadyMapped(event.window))
                print("map", event.when, event.window, 1);
            break;
        case Kind::Reparented:
            m_parents[event.window] = event.parent;
            break;
        case Kind::Mapped:
            m_mapped.insert(event.window);
            print("map", event.when, event.window, 0);
            break;
        case Kind::Named:
            if (m_mapped.count(event.window))
                print("name", event.when, event.window, 0);
            break;
        case Kind::Destroyed:
            m_parents.erase(event.window);
            m_mapped.erase(event.window);
            break;
        }
    }

    // The window may have been mapped before the watch on it took effect.
    bool alreadyMapped(Window window)
    {
        XWindowAttributes attributes {};
        if (!XGetWindowAttributes(m_display, window, &attributes) || attributes.map_state == IsUnmapped)
            return false;
        m_parents[window] = parentOf(window);
        m_mapped.insert(window);
        return true;
    }

    Window parentOf(Window window)
    {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, window, &root, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        return parent;
    }

    void print(const char *what, double when, Window window, int late)
    {
        const auto known = m_parents.find(window);
        const Window parent = known != m_parents.end() ? known->second : parentOf(window);
        std::printf("%s %.6f %lu %lu %lu %d %s\n", what, when, window, parent == m_root ? 0UL : parent, pidOf(window),
            late, titleOf(window).c_str());
        std::fflush(stdout);
    }

    // Reads a property of a window as the given type; use(format, count, data) sees it only if it is there.
    template <class Use> void readProperty(Window window, Atom name, Atom type, long length, Use use)
    {
        Atom actual = None;
        int format = 0;
        unsigned long count = 0, rest = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(m_display, window, name, 0, length, False, type, &actual, &format, &count, &rest, &data)
                == Success
            && data) {
            use(format, count, data);
            XFree(data);
        }
    }

    unsigned long pidOf(Window window)
    {
        unsigned long pid = 0;
        readProperty(window, m_pid, XA_CARDINAL, 1, [&](int format, unsigned long count, unsigned char *data) {
            if (format == 32 && count == 1)
                pid = *reinterpret_cast<unsigned long *>(data);
        });
        return pid;
    }

    std::string titleOf(Window window)
    {
        std::string title;
        readProperty(window, m_name, m_utf8, 1024, [&](int, unsigned long count, unsigned char *data) {
            title.assign(reinterpret_cast<char *>(data), count);
        });
        if (title.empty()) {
            char *name = nullptr;
            if (XFetchName(m_display, window, &name) && name) {
                title = name;
                XFree(name);
            }
        }
        for (char &c : title) {
            if (c == '\n')
                c = ' ';
        }
        return title;
    }

    Display *m_display;
    Window m_root;
    Atom m_pid, m_name, m_utf8;
    std::map<Window, Window> m_parents;
    std::set<Window> m_mapped;
};

} // namespace

int main()
{
    XInitThreads();
    XSetErrorHandler(ignoreErrors);
    Display *events = XOpenDisplay(nullptr);
    Display *lookups = XOpenDisplay(nullptr);
    if (!events || !lookups) {
        std::fprintf(stderr, "xwatch: cannot open display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(events);
    const Atom netName = XInternAtom(events, "_NET_WM_NAME", False);
    XSelectInput(events, root, SubstructureNotifyMask);
    XSync(events, False);

    Queue queue;
    Lookup lookup(lookups);
    std::thread worker([&] { lookup.run(queue); });
    worker.detach();

    std::printf("ready %.6f 0 0 0 0\n", now());
    std::fflush(stdout);

    std::set<Window> watched;
    for (;;) {
        XEvent event;
        XNextEvent(events, &event);
        const double when = now();
        switch (event.type) {
        case CreateNotify:
            if (event.xcreatewindow.parent == root) {
                const Window window = event.xcreatewindow.window;
                XSelectInput(events, window, StructureNotifyMask | PropertyChangeMask);
                XFlush(events);
                watched.insert(window);
                queue.push({Kind::Created, when, window, root});
            }
            break;
        case MapNotify:
            // Both copies (the root's and the window's own) are reported: the
            // window's may be missing if it was mapped before its watch began.
            queue.push({Kind::Mapped, when, event.xmap.window, 0});
            break;
        case ReparentNotify:
            if (event.xreparent.event == event.xreparent.window || !watched.count(event.xreparent.window))
                queue.push({Kind::Reparented, when, event.xreparent.window, event.xreparent.parent});
            break;
        case PropertyNotify:
            if (event.xproperty.atom == netName || event.xproperty.atom == XA_WM_NAME)
                queue.push({Kind::Named, when, event.xproperty.window, 0});
            break;
        case DestroyNotify:
            if (event.xdestroywindow.event == event.xdestroywindow.window
                || !watched.count(event.xdestroywindow.window)) {
                watched.erase(event.xdestroywindow.window);
                queue.push({Kind::Destroyed, when, event.xdestroywindow.window, 0});
            }
            break;
        default:
            break;
        }
    }
}
