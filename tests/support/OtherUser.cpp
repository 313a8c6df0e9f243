// Runs a check as an ordinary user; see OtherUser.h.
#include "tests/support/OtherUser.h"

#include <QFile>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testusers {

bool runAsOrdinaryUser(const std::function<bool()> &check)
{
    if (::geteuid() != 0)
        return check();
    const passwd *nobody = ::getpwnam("nobody");
    const uid_t uid = nobody ? nobody->pw_uid : 65534;
    const gid_t gid = nobody ? nobody->pw_gid : 65534;
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(gid) == 0 && ::setuid(uid) == 0;
        ::_exit(dropped && check() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ordinaryUserReaches(const QString &folder)
{
    const QByteArray name = QFile::encodeName(folder);
    return runAsOrdinaryUser([&name] { return ::access(name.constData(), X_OK) == 0; });
}

} // namespace testusers
