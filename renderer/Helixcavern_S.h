// The full-screen saver window: loads the texture source, creates the GL context and runs the frame loop.
#pragma once

namespace Helixcavern_S {
// Loads the saver window and runs it until input ends the program; returns the exit status.
int run();
}
