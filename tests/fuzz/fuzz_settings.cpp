// Fuzz target: any bytes as a settings file are read and rewritten without a crash, and a rewrite
// changes nothing but the key written.
#include "settings/IniFile.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

const QString kSection = QStringLiteral("Section");
const QString kKeys[] = {QStringLiteral("画像"), QStringLiteral("画像ﾌｧｲﾙ"), QStringLiteral("回転速度")};
const QString kWrittenKey = QStringLiteral("Fuzz");
const QByteArray kWrittenValue = "written";

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniFile file = IniFile::parse(bytes);
    std::optional<QByteArray> before[3];
    for (int i = 0; i < 3; ++i)
        before[i] = file.value(kSection, kKeys[i]);

    check(file.set(kSection, kWrittenKey, kWrittenValue));
    const QByteArray written = file.toBytes();
    const IniFile reread = IniFile::parse(written);
    check(reread.value(kSection, kWrittenKey) == kWrittenValue);
    for (int i = 0; i < 3; ++i)
        check(reread.value(kSection, kKeys[i]) == before[i]);
    // A written file is in its settled form: reading and writing it again changes no byte.
    check(reread.toBytes() == written);
    return 0;
}
