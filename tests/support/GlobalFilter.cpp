// A relay that hides some of the compositor's globals from one client; see GlobalFilter.h.
#include "tests/support/GlobalFilter.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace wayland {

namespace {
constexpr std::uint32_t DisplayObject = 1;   // wl_display
constexpr std::uint32_t GetRegistryOpcode = 1; // wl_display.get_registry(new_id)
constexpr std::uint32_t GlobalOpcode = 0;      // wl_registry.global(name, interface, version)
constexpr int MaxDescriptors = 28;             // as many as libwayland sends with one message

std::uint32_t word(const QByteArray &bytes, qsizetype at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.constData() + at, sizeof value);
    return value;
}

// The bytes and descriptors read from one side and not yet passed on.
struct Stream {
    QByteArray bytes;
    std::vector<int> descriptors;
};

// Reads what is there; false at the end of the stream or on an error.
bool readInto(int fd, Stream &stream)
{
    char data[4096];
    char control[CMSG_SPACE(sizeof(int) * MaxDescriptors)];
    iovec io{data, sizeof data};
    msghdr message{};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = ::recvmsg(fd, &message, MSG_CMSG_CLOEXEC);
    if (got <= 0)
        return false;
    stream.bytes.append(data, got);
    for (cmsghdr *c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        const auto *fds = reinterpret_cast<const int *>(CMSG_DATA(c));
        stream.descriptors.insert(stream.descriptors.end(), fds, fds + count);
    }
    return true;
}

// Sends `bytes` with the descriptors that came with them (a descriptor may go out before the rest
// of its message: the receiver queues descriptors apart from bytes, in order).
bool sendAll(int fd, const QByteArray &bytes, std::vector<int> &descriptors)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        iovec io{const_cast<char *>(bytes.constData() + sent), std::size_t(bytes.size() - sent)};
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        char control[CMSG_SPACE(sizeof(int) * MaxDescriptors)];
        const std::size_t count = std::min<std::size_t>(descriptors.size(), MaxDescriptors);
        if (count > 0) {
            message.msg_control = control;
            message.msg_controllen = CMSG_SPACE(sizeof(int) * count);
            cmsghdr *c = CMSG_FIRSTHDR(&message);
            c->cmsg_level = SOL_SOCKET;
            c->cmsg_type = SCM_RIGHTS;
            c->cmsg_len = CMSG_LEN(sizeof(int) * count);
            std::memcpy(CMSG_DATA(c), descriptors.data(), sizeof(int) * count);
        }
        const ssize_t done = ::sendmsg(fd, &message, MSG_NOSIGNAL);
        if (done <= 0)
            return false;
        for (std::size_t i = 0; i < count; ++i)
            ::close(descriptors[i]);
        descriptors.erase(descriptors.begin(), descriptors.begin() + qsizetype(count));
        sent += done;
    }
    return true;
}

// The interface a wl_registry.global event announces; empty when the message is cut short.
QByteArray announcedInterface(const QByteArray &message)
{
    if (message.size() < 16)
        return {};
    const std::uint32_t length = word(message, 12); // with its terminating zero
    if (length == 0 || 16 + qsizetype(length) > message.size())
        return {};
    return message.mid(16, qsizetype(length) - 1);
}
} // namespace

GlobalFilter::GlobalFilter(const QString &socketPath, const QList<QByteArray> &hidden) : hidden_(hidden)
{
    int pair[2];
    int stop[2];
    const int compositor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath);
    if (compositor < 0 || path.size() >= qsizetype(sizeof address.sun_path))
        return;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    if (::connect(compositor, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0 || ::pipe2(stop, O_CLOEXEC) != 0) {
        ::close(compositor);
        return;
    }
    clientEnd_ = pair[0];
    stopRead_ = stop[0];
    stopWrite_ = stop[1];
    thread_ = std::thread([this, client = pair[1], compositor, stopRead = stop[0]] {
        pollfd fds[3] = {{client, POLLIN, 0}, {compositor, POLLIN, 0}, {stopRead, POLLIN, 0}};
        Stream fromClient;
        Stream fromCompositor;
        std::set<std::uint32_t> registries;
        bool open = true;
        while (open && ::poll(fds, 3, -1) > 0 && fds[2].revents == 0) {
            // Requests pass whole; the registries they make are noted.
            if (fds[0].revents != 0) {
                open = readInto(client, fromClient);
                qsizetype whole = 0;
                while (fromClient.bytes.size() - whole >= 8) {
                    const std::uint32_t size = word(fromClient.bytes, whole + 4) >> 16;
                    if (size < 8 || fromClient.bytes.size() - whole < qsizetype(size))
                        break;
                    if (word(fromClient.bytes, whole) == DisplayObject && (word(fromClient.bytes, whole + 4) & 0xffff) == GetRegistryOpcode)
                        registries.insert(word(fromClient.bytes, whole + 8));
                    whole += size;
                }
                open = sendAll(compositor, fromClient.bytes.left(whole), fromClient.descriptors) && open;
                fromClient.bytes.remove(0, whole);
            }
            // Events pass whole, but for the announcements of hidden globals.
            if (open && fds[1].revents != 0) {
                open = readInto(compositor, fromCompositor);
                QByteArray passed;
                qsizetype at = 0;
                while (fromCompositor.bytes.size() - at >= 8) {
                    const std::uint32_t size = word(fromCompositor.bytes, at + 4) >> 16;
                    if (size < 8 || fromCompositor.bytes.size() - at < qsizetype(size))
                        break;
                    const QByteArray message = fromCompositor.bytes.mid(at, size);
                    const bool announcement = registries.count(word(message, 0)) != 0 && (word(message, 4) & 0xffff) == GlobalOpcode;
                    if (!announcement || !hidden_.contains(announcedInterface(message)))
                        passed.append(message);
                    at += size;
                }
                open = sendAll(client, passed, fromCompositor.descriptors) && open;
                fromCompositor.bytes.remove(0, at);
            }
        }
        for (int fd : fromClient.descriptors)
            ::close(fd);
        for (int fd : fromCompositor.descriptors)
            ::close(fd);
        ::close(client);
        ::close(compositor);
    });
}

GlobalFilter::~GlobalFilter()
{
    if (thread_.joinable()) {
        [[maybe_unused]] const ssize_t written = ::write(stopWrite_, "x", 1);
        thread_.join();
    }
    closeClientEnd();
    for (int fd : {stopRead_, stopWrite_})
        if (fd >= 0)
            ::close(fd);
}

void GlobalFilter::closeClientEnd()
{
    if (clientEnd_ >= 0)
        ::close(clientEnd_);
    clientEnd_ = -1;
}

} // namespace wayland
