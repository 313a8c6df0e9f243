// Standard input, output and error held open, so that nothing the program opens later takes their numbers.
#pragma once

// A daemon may start the program with a standard stream closed (`2>&-`). The first descriptor
// opened afterwards, an X connection say, would then take that number, and every message written
// to the stream would go into it.
class StandardDescriptors
{
public:
    // Opens each of descriptors 0, 1 and 2 that is closed on /dev/null (or, where that cannot be
    // opened, on a descriptor that takes no writes); the open ones are left as they are. Called
    // before the program opens anything else.
    static void ensureOpen();
};
