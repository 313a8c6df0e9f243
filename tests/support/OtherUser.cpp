// Runs a check as an ordinary user; see OtherUser.h.
#include "tests/support/OtherUser.h"

#include <QFile>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testusers {

std::pair<uid_t, gid_t> ordinaryUser()
{
    if (::geteuid() != 0)
        return {::geteuid(), ::getegid()};
    const passwd *nobody = ::getpwnam("nobody");
    return {nobody ? nobody->pw_uid : 65534, nobody ? nobody->pw_gid : 65534};
}

uid_t anotherUser() { return ordinaryUser().first + 1000; }

bool giveTo(const QString &path, uid_t uid)
{
    return ::geteuid() != 0 || ::lchown(QFile::encodeName(path).constData(), uid, gid_t(-1)) == 0;
}

bool runAsOrdinaryUser(const std::function<bool()> &check)
{
    if (::geteuid() != 0)
        return check();
    const auto [uid, gid] = ordinaryUser();
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
