// Fuzz target: any command line gives a host handle or "out of range" without a crash or undefined
// behaviour, and the whole-text decimal reading of settings values never fails on any text.
#include "settings/DecimalText.h"
#include "app/HostHandle.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)HostHandle::fromCommandLine(text);
    const std::optional<qint32> handle = HostHandle::read(text);
    // Blanks may stand anywhere: putting one in front never changes the number.
    if (HostHandle::read(u' ' + text) != handle)
        std::abort();
    if (const std::optional<double> value = DecimalText::parse(text); value && !std::isfinite(*value))
        std::abort();
    return 0;
}
