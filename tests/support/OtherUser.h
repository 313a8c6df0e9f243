// Runs a check with the rights of an ordinary user, so that permission bits count even under root.
#pragma once

#include <functional>

namespace testusers {

// Runs `check` and returns its result. Under root, whom permission bits do not stop, it runs in a
// child process with the user and group ids of "nobody"; files it must reach need modes that let
// any user do so.
bool runAsOrdinaryUser(const std::function<bool()> &check);

} // namespace testusers
