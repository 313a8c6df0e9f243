// A relay that hides some of the compositor's globals from one client; see GlobalFilter.h.
#include "tests/support/GlobalFilter.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace wayland {

namespace {
constexpr int MaxDescriptors = 28; // as many as libwayland sends with one message

std::uint32_t word(const QByteArray &bytes, qsizetype at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.constData() + at, sizeof value);
    return value;
}

// One direction of the relay: the bytes of a message not yet whole, and the descriptors read and
// not yet passed on (they may go out before the rest of their message: the receiver queues
// descriptors apart from bytes, in order).
struct Direction {
    int from;
    int to;
    QByteArray partial;
    std::vector<int> descriptors;
};

bool read(Direction &d)
{
    char data[4096];
    char control[CMSG_SPACE(sizeof(int) * MaxDescriptors)];
    iovec io{data, sizeof data};
    msghdr message{.msg_iov = &io, .msg_iovlen = 1, .msg_control = control, .msg_controllen = sizeof control};
    const ssize_t got = ::recvmsg(d.from, &message, MSG_CMSG_CLOEXEC);
    if (got <= 0)
        return false;
    d.partial.append(data, got);
    for (cmsghdr *c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        const auto *fds = reinterpret_cast<const int *>(CMSG_DATA(c));
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS)
            d.descriptors.insert(d.descriptors.end(), fds, fds + (c->cmsg_len - CMSG_LEN(0)) / sizeof(int));
    }
    return true;
}

bool send(Direction &d, const QByteArray &bytes)
{
    for (qsizetype sent = 0; sent < bytes.size();) {
        iovec io{const_cast<char *>(bytes.constData() + sent), std::size_t(bytes.size() - sent)};
        char control[CMSG_SPACE(sizeof(int) * MaxDescriptors)];
        const std::size_t count = std::min<std::size_t>(d.descriptors.size(), MaxDescriptors);
        msghdr message{.msg_iov = &io, .msg_iovlen = 1};
        if (count > 0) {
            message.msg_control = control;
            message.msg_controllen = CMSG_SPACE(sizeof(int) * count);
            cmsghdr *c = CMSG_FIRSTHDR(&message);
            *c = cmsghdr{.cmsg_len = CMSG_LEN(sizeof(int) * count), .cmsg_level = SOL_SOCKET, .cmsg_type = SCM_RIGHTS};
            std::memcpy(CMSG_DATA(c), d.descriptors.data(), sizeof(int) * count);
        }
        const ssize_t done = ::sendmsg(d.to, &message, MSG_NOSIGNAL);
        if (done <= 0)
            return false;
        std::for_each(d.descriptors.begin(), d.descriptors.begin() + qsizetype(count), ::close);
        d.descriptors.erase(d.descriptors.begin(), d.descriptors.begin() + qsizetype(count));
        sent += done;
    }
    return true;
}

// Reads what is there and passes on the whole messages that `keep` keeps; false once a side closed.
bool relay(Direction &d, const std::function<bool(const QByteArray &)> &keep)
{
    if (!read(d))
        return false;
    QByteArray kept;
    qsizetype at = 0;
    for (std::uint32_t size; d.partial.size() - at >= 8; at += size) {
        size = word(d.partial, at + 4) >> 16; // header: object id, then size << 16 | opcode
        if (size < 8 || d.partial.size() - at < qsizetype(size))
            break;
        const QByteArray message = d.partial.mid(at, size);
        if (keep(message))
            kept += message;
    }
    d.partial.remove(0, at);
    return send(d, kept);
}

// The interface a wl_registry.global(name, interface, version) event announces.
QByteArray announcedInterface(const QByteArray &message)
{
    const std::uint32_t length = message.size() >= 16 ? word(message, 12) : 0; // with its terminating zero
    return length > 0 && 16 + qsizetype(length) <= message.size() ? message.mid(16, qsizetype(length) - 1) : QByteArray();
}
} // namespace

GlobalFilter::GlobalFilter(const QString &socketPath, const QList<QByteArray> &hidden)
{
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    const QByteArray path = QFile::encodeName(socketPath);
    int pair[2];
    compositor_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    if (::connect(compositor_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0 || ::pipe2(removals_, O_CLOEXEC) != 0)
        return;
    clientEnd_ = pair[0];
    relayEnd_ = pair[1];
    thread_ = std::thread([this, hidden] {
        Direction requests{relayEnd_, compositor_, {}, {}};
        Direction events{compositor_, relayEnd_, {}, {}};
        std::set<std::uint32_t> registries; // made by wl_display.get_registry (object 1, opcode 1)
        const auto noteRegistry = [&registries](const QByteArray &m) {
            if (word(m, 0) == 1 && (word(m, 4) & 0xffff) == 1 && m.size() >= 12)
                registries.insert(word(m, 8));
            return true;
        };
        const auto notHidden = [&](const QByteArray &m) { // wl_registry.global is opcode 0
            if (registries.count(word(m, 0)) == 0 || (word(m, 4) & 0xffff) != 0)
                return true;
            const std::lock_guard lock(mutex_);
            if (hidden.contains(announcedInterface(m)))
                return false;
            const auto global = std::make_pair(announcedInterface(m), word(m, 8)); // once, whichever registry hears it
            if (std::find(announced_.begin(), announced_.end(), global) == announced_.end())
                announced_.push_back(global);
            return true;
        };
        pollfd fds[3] = {{relayEnd_, POLLIN, 0}, {compositor_, POLLIN, 0}, {removals_[0], POLLIN, 0}};
        bool open = true;
        while (open && ::poll(fds, 3, -1) > 0) {
            if (fds[0].revents != 0)
                open = relay(requests, noteRegistry);
            if (open && fds[1].revents != 0)
                open = relay(events, notHidden);
            std::uint32_t name = 0;
            if (open && fds[2].revents != 0 && ::read(removals_[0], &name, sizeof name) == sizeof name) {
                QByteArray removals; // wl_registry.global_remove(name), opcode 1, on every registry
                for (const std::uint32_t registry : registries)
                    for (const std::uint32_t w : {registry, (12u << 16) | 1u, name})
                        removals.append(reinterpret_cast<const char *>(&w), sizeof w);
                open = send(events, removals);
            }
        }
        for (const Direction *d : {&requests, &events})
            std::for_each(d->descriptors.begin(), d->descriptors.end(), ::close);
    });
}

GlobalFilter::~GlobalFilter()
{
    if (thread_.joinable()) {
        ::shutdown(relayEnd_, SHUT_RDWR); // wakes the relay, which then ends
        thread_.join();
    }
    closeClientEnd();
    for (int fd : {relayEnd_, compositor_, removals_[0], removals_[1]})
        if (fd >= 0)
            ::close(fd);
}

bool GlobalFilter::removeGlobal(const QByteArray &interface, int index)
{
    const std::lock_guard lock(mutex_);
    for (const auto &[announced, name] : announced_)
        if (announced == interface && index-- == 0)
            return ::write(removals_[1], &name, sizeof name) == sizeof name;
    return false;
}

void GlobalFilter::closeClientEnd()
{
    if (clientEnd_ >= 0)
        ::close(clientEnd_);
    clientEnd_ = -1;
}

} // namespace wayland
