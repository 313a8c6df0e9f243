// A saved design's property store: named values, keys matched without regard to case.
#pragma once

#include <QString>
#include <QVariant>
#include <map>

class PropertyBag
{
public:
    // The stored value of `key`, or `defaultValue` when the key is absent.
    QVariant readProperty(const QString &key, const QVariant &defaultValue = {}) const;
    // Stores `value` under `key`, or removes the key when `value` equals `defaultValue`.
    void writeProperty(const QString &key, const QVariant &value, const QVariant &defaultValue = {});

    bool contains(const QString &key) const;
    QStringList keys() const;

private:
    std::map<QString, std::pair<QString, QVariant>> entries_; // folded key -> (key as written, value)
};
