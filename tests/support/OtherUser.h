// An ordinary user and another user for the tests: checks run with an ordinary user's rights, so that
// permission bits count even under root, and files given to either.
#pragma once

#include <QString>

#include <functional>
#include <utility>

#include <sys/types.h>

namespace testusers {

// Runs `check` and returns its result. Under root, whom permission bits do not stop, it runs in a
// child process with the user and group ids of "nobody"; files it must reach need modes that let
// any user do so.
bool runAsOrdinaryUser(const std::function<bool()> &check);

// True when the ordinary user of runAsOrdinaryUser can reach `folder` (search every folder on the
// way). A system whose root folder is private to root, as some chroots are, lets no other user
// reach anything: the checks that need one are skipped there.
bool ordinaryUserReaches(const QString &folder);

// The user and group ids of runAsOrdinaryUser: the test's own, or nobody's under root.
std::pair<uid_t, gid_t> ordinaryUser();
// A user that is neither the test's user, the ordinary user nor root: the owner of planted files.
uid_t anotherUser();
// Gives `path` itself (a link is not followed) to `uid`; only root can, others keep their own.
bool giveTo(const QString &path, uid_t uid);

} // namespace testusers
