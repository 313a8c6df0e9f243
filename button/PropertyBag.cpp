// A saved design's property store: named values, keys matched without regard to case.
#include "button/PropertyBag.h"

#include <QStringList>

namespace {

QString folded(const QString &key)
{
    return key.toCaseFolded();
}

// Whether `value` equals `defaultValue` once the default has been converted to the value's type;
// a default that does not convert never equals.
bool equalsDefault(const QVariant &value, QVariant defaultValue)
{
    if (!defaultValue.isValid())
        return !value.isValid();
    if (value.metaType() != defaultValue.metaType() && !defaultValue.convert(value.metaType()))
        return false;
    return value == defaultValue;
}

} // namespace

QVariant PropertyBag::readProperty(const QString &key, const QVariant &defaultValue) const
{
    const auto found = entries_.find(folded(key));
    return found == entries_.end() ? defaultValue : found->second.second;
}

void PropertyBag::writeProperty(const QString &key, const QVariant &value, const QVariant &defaultValue)
{
    if (equalsDefault(value, defaultValue))
        entries_.erase(folded(key));
    else
        entries_[folded(key)] = {key, value};
}

bool PropertyBag::contains(const QString &key) const
{
    return entries_.count(folded(key)) != 0;
}

QStringList PropertyBag::keys() const
{
    QStringList names;
    for (const auto &[folded, entry] : entries_)
        names << entry.first;
    return names;
}
