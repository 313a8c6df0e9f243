// Reading and replacing ~/.xscreensaver for the saver's entry; see XScreenSaverFile.h.
#include "app/XScreenSaverFile.h"

#include "app/XScreenSaverPrograms.h"
#include "files/AtomicFile.h"
#include "files/FileTarget.h"
#include "files/RegularFile.h"

#include <QByteArray>

#include <cerrno>
#include <cstring>
#include <optional>
#include <pwd.h>
#include <unistd.h>

namespace {

// No ~/.xscreensaver written by XScreenSaver comes near this; a larger file is not read whole.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

// A file's bytes, or that it does not exist; `error` says why when it cannot be read.
struct Contents
{
    bool exists = false;
    QByteArray bytes;
    QString error;
};

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

Contents readFile(const FileTarget &target)
{
    Contents contents;
    const RegularFile::Opened opened = RegularFile::open(target.folder(), target.name(), false);
    if (!opened.exists())
        return contents;
    contents.exists = true;
    if (opened.error != 0) {
        contents.error = QStringLiteral("cannot read %1: %2").arg(target.path(), systemError(opened.error));
        return contents;
    }
    if (!opened.isRegular()) {
        contents.error = QStringLiteral("%1 is not a regular file").arg(target.path());
        return contents;
    }
    const std::optional<QByteArray> bytes = RegularFile::readAll(opened.descriptor.get(), kMaxFileBytes);
    if (!bytes) {
        contents.error = QStringLiteral("cannot read %1: %2").arg(target.path(), systemError(errno));
        return contents;
    }
    contents.bytes = *bytes;
    return contents;
}

XScreenSaverFile::Outcome done(const QString &message)
{
    return {0, QStringLiteral("helixcavern: ") + message, false};
}

XScreenSaverFile::Outcome failed(const QString &message)
{
    return {1, QStringLiteral("helixcavern: ") + message, true};
}

XScreenSaverFile::Outcome leftAlone(const QString &path, const QString &reason)
{
    return failed(QStringLiteral("%1 is left as it is: %2").arg(path, reason));
}

// The system's list as a new user file, or the reason there is none.
std::optional<QByteArray> startingFile(const FileName &systemDefaults, QString *error)
{
    const std::optional<FileTarget> target = FileTarget::resolve(systemDefaults, error);
    if (!target)
        return std::nullopt;
    const Contents contents = readFile(*target);
    if (!contents.exists) {
        *error = QStringLiteral("%1 does not exist (is XScreenSaver installed?)").arg(systemDefaults.toDisplayString());
        return std::nullopt;
    }
    if (!contents.error.isEmpty()) {
        *error = contents.error;
        return std::nullopt;
    }
    const XScreenSaverPrograms::Result made = XScreenSaverPrograms::fromSystemDefaults(contents.bytes);
    if (made.outcome != XScreenSaverPrograms::Outcome::Changed) {
        *error = QStringLiteral("%1: %2").arg(systemDefaults.toDisplayString(), made.reason);
        return std::nullopt;
    }
    return made.bytes;
}

} // namespace

FileName XScreenSaverFile::userFilePath()
{
    QByteArray home = qgetenv("HOME");
    if (home.isEmpty()) {
        if (const passwd *account = ::getpwuid(::getuid()); account != nullptr && account->pw_dir != nullptr)
            home = account->pw_dir;
    }
    if (!home.endsWith('/'))
        home += '/';
    return FileName(home + ".xscreensaver");
}

XScreenSaverFile::Outcome XScreenSaverFile::add(const FileName &name, const FileName &systemDefaults)
{
    const QString path = name.toDisplayString();
    QString error;
    const std::optional<FileTarget> target = FileTarget::resolve(name, &error);
    if (!target)
        return failed(error);
    const Contents contents = readFile(*target);
    if (!contents.error.isEmpty())
        return failed(contents.error);
    QByteArray bytes = contents.bytes;
    if (!contents.exists) {
        const std::optional<QByteArray> made = startingFile(systemDefaults, &error);
        if (!made)
            return failed(QStringLiteral("%1 does not exist and cannot be made from the system's list of savers: %2")
                              .arg(path, error));
        bytes = *made;
    }
    const XScreenSaverPrograms::Result result = XScreenSaverPrograms::add(bytes);
    switch (result.outcome) {
    case XScreenSaverPrograms::Outcome::Unreadable:
        return leftAlone(path, result.reason);
    case XScreenSaverPrograms::Outcome::AlreadyListed:
    case XScreenSaverPrograms::Outcome::NotListed:
        return done(result.switchedOff
                        ? QStringLiteral("already listed in %1, switched off; nothing changed (switch it on in "
                                         "xscreensaver-settings)")
                              .arg(path)
                        : QStringLiteral("already listed in %1; nothing changed").arg(path));
    case XScreenSaverPrograms::Outcome::Changed:
        break;
    }
    if (!AtomicFile::replace(*target, result.bytes, &error))
        return failed(error);
    return done(contents.exists ? QStringLiteral("added to the programs: list in %1").arg(path)
                                : QStringLiteral("made %1 with the system's list of savers and helixcavern").arg(path));
}

XScreenSaverFile::Outcome XScreenSaverFile::remove(const FileName &name)
{
    const QString path = name.toDisplayString();
    QString error;
    const std::optional<FileTarget> target = FileTarget::resolve(name, &error);
    if (!target)
        return failed(error);
    const Contents contents = readFile(*target);
    if (!contents.error.isEmpty())
        return failed(contents.error);
    if (!contents.exists)
        return done(QStringLiteral("%1 does not exist; nothing to take out").arg(path));
    const XScreenSaverPrograms::Result result = XScreenSaverPrograms::remove(contents.bytes);
    switch (result.outcome) {
    case XScreenSaverPrograms::Outcome::Unreadable:
        return leftAlone(path, result.reason);
    case XScreenSaverPrograms::Outcome::AlreadyListed:
    case XScreenSaverPrograms::Outcome::NotListed:
        return done(QStringLiteral("not listed in %1; nothing changed").arg(path));
    case XScreenSaverPrograms::Outcome::Changed:
        break;
    }
    if (!AtomicFile::replace(*target, result.bytes, &error))
        return failed(error);
    return done(QStringLiteral("taken out of the programs: list in %1").arg(path));
}
