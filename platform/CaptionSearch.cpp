// Looks for an open window by its exact caption, anywhere in the X11 window tree.
#include "platform/CaptionSearch.h"

#include "platform/X11Display.h"
#include "platform/X11ErrorTrap.h"
#include "platform/X11WindowProperty.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <optional>
#include <vector>

namespace {

// An 8-bit text property with its type, or nothing when the window lacks it or is gone.
std::optional<X11WindowProperty> readTextProperty(Display *display, Window window, Atom property)
{
    // Captions are short; a generous limit keeps a hostile property from costing much.
    constexpr long kMaxLongs = 64 * 1024;
    std::optional<X11WindowProperty> text = X11WindowProperty::read(display, window, property, kMaxLongs);
    if (!text || text->format != 8)
        return std::nullopt;
    return text;
}

class CaptionMatcher
{
public:
    CaptionMatcher(Display *display, const QString &caption)
        : display_(display), caption_(caption), netWmName_(XInternAtom(display, "_NET_WM_NAME", False)),
          utf8String_(XInternAtom(display, "UTF8_STRING", False)),
          compoundText_(XInternAtom(display, "COMPOUND_TEXT", False))
    {
    }

    bool matches(Window window) const
    {
        if (const auto net = readTextProperty(display_, window, netWmName_); net && decode(*net) == caption_)
            return true;
        const auto name = readTextProperty(display_, window, XA_WM_NAME);
        return name && decode(*name) == caption_;
    }

private:
    std::optional<QString> decode(const X11WindowProperty &property) const
    {
        if (property.type == utf8String_)
            return QString::fromUtf8(property.items);
        if (property.type == XA_STRING)
            return QString::fromLatin1(property.items);
        if (property.type == compoundText_)
            return decodeCompoundText(property);
        return std::nullopt;
    }

    std::optional<QString> decodeCompoundText(const X11WindowProperty &property) const
    {
        XTextProperty text;
        text.value = reinterpret_cast<unsigned char *>(const_cast<char *>(property.items.constData()));
        text.encoding = property.type;
        text.format = 8;
        text.nitems = static_cast<unsigned long>(property.items.size());
        char **list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(display_, &text, &list, &count) < Success || !list)
            return std::nullopt;
        QString result;
        for (int i = 0; i < count; ++i)
            result += QString::fromUtf8(list[i]);
        XFreeStringList(list);
        return result;
    }

    Display *display_;
    QString caption_;
    Atom netWmName_;
    Atom utf8String_;
    Atom compoundText_;
};

// The children of `window`, or none when it has gone.
std::vector<Window> childrenOf(Display *display, Window window)
{
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return {};
    std::vector<Window> result(children, children + count);
    if (children)
        XFree(children);
    return result;
}

} // namespace

bool CaptionSearch::windowExists(const QString &caption)
{
    const X11Display connection;
    return windowExists(connection.get(), caption);
}

bool CaptionSearch::windowExists(Display *display, const QString &caption)
{
    if (display == nullptr)
        return false;
    // Windows may be destroyed by their owners while the tree is walked; the requests about them
    // then fail with BadWindow and friends, which are answers here, not faults.
    const X11ErrorTrap errors(display);
    const CaptionMatcher matcher(display, caption);

    // Depth-first walk with an explicit stack: deep trees cannot exhaust the call stack.
    std::vector<Window> pending = childrenOf(display, DefaultRootWindow(display));
    while (!pending.empty()) {
        const Window window = pending.back();
        pending.pop_back();
        if (matcher.matches(window))
            return true;
        const std::vector<Window> children = childrenOf(display, window);
        pending.insert(pending.end(), children.begin(), children.end());
    }
    return false;
}
