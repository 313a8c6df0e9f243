// A saved design's property store: named values, keys matched without regard to case.
#include "PropertyBag.h"

#include <QStringList>

namespace {

QString Folded(const QString &key)
{
    return key.toCaseFolded();
}

// Whether `value` equals `defaultValue` once the default has been converted to the value's type;
// a default that does not convert never equals.
bool EqualsDefault(const QVariant &value, QVariant defaultValue)
{
    if (!defaultValue.isValid())
        return !value.isValid();
    if (value.metaType() != defaultValue.metaType() && !defaultValue.convert(value.metaType()))
        return false;
    return value == defaultValue;
}

} // namespace

QVariant PropertyBag::ReadProperty(const QString &key, const QVariant &defaultValue) const
{
    const auto found = entries_.find(Folded(key));
    return found == entries_.end() ? defaultValue : found->second.second;
}

void PropertyBag::WriteProperty(const QString &key, const QVariant &value, const QVariant &defaultValue)
{
    if (EqualsDefault(value, defaultValue))
        entries_.erase(Folded(key));
    else
        entries_[Folded(key)] = {key, value};
}

bool PropertyBag::contains(const QString &key) const
{
    return entries_.count(Folded(key)) != 0;
}

QStringList PropertyBag::keys() const
{
    QStringList names;
    for (const auto &[folded, entry] : entries_)
        names << entry.first;
    return names;
}
