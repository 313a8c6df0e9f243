// Runs a check with the rights of an ordinary user, so that permission bits count even under root.
#pragma once

#include <QString>

#include <functional>

namespace testusers {

// Runs `check` and returns its result. Under root, whom permission bits do not stop, it runs in a
// child process with the user and group ids of "nobody"; files it must reach need modes that let
// any user do so.
bool runAsOrdinaryUser(const std::function<bool()> &check);

// True when the ordinary user of runAsOrdinaryUser can reach `folder` (search every folder on the
// way). A system whose root folder is private to root, as some chroots are, lets no other user
// reach anything: the checks that need one are skipped there.
bool ordinaryUserReaches(const QString &folder);

} // namespace testusers
