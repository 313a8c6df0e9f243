// Placeholder bodies so the tree links while the button is being written.
#include "PropertyBag.h"

#include <QStringList>

QVariant PropertyBag::ReadProperty(const QString &, const QVariant &defaultValue) const { return defaultValue; }
void PropertyBag::WriteProperty(const QString &, const QVariant &, const QVariant &) {}
bool PropertyBag::contains(const QString &) const { return false; }
QStringList PropertyBag::keys() const { return {}; }
