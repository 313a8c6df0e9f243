// Standard input, output and error held open; see StandardDescriptors.h.
#include "platform/StandardDescriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void StandardDescriptors::ensureOpen()
{
    for (int number = STDIN_FILENO; number <= STDERR_FILENO; ++number) {
        if (::fcntl(number, F_GETFD) != -1 || errno != EBADF)
            continue;
        int opened = ::open("/dev/null", O_RDWR);
        if (opened < 0)
            opened = ::open("/", O_RDONLY | O_DIRECTORY); // a system without /dev/null: writes fail harmlessly
        // The lowest free number is taken and the ones below are open by now, so this is `number`.
        if (opened >= 0 && opened != number) {
            ::dup2(opened, number);
            ::close(opened);
        }
    }
}
