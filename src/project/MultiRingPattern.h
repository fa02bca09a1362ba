#ifndef MULTIRINGPATTERN_H
#define MULTIRINGPATTERN_H

#include <QVariant>

#include <optional>

// The pattern of a multi-ring program spelled out in full. A program names
// its pattern by number, or holds it as a map; a pattern names its sequence
// and its split by number. The numbers (counted from 1) point into the lists
// "patterns", "sequences" and "splits" that the controller's native data
// keeps under "modules" -> "MultiRing".
class MultiRingPattern
{
public:
    // The pattern with every reference replaced by the entry it names; none
    // when a reference names no entry (logged as a warning) or when
    // `pattern` is neither a number nor a map.
    static std::optional<QVariantMap> resolve(const QVariant& pattern, const QVariant& modules);

    // The 1-based number a value stands for: an integer, a whole finite real
    // or a decimal text. None for anything else.
    static std::optional<int> number(const QVariant& value);

private:
    static bool replaceReference(QVariantMap& pattern, const QString& key, const QVariantList& entries,
                                 int patternNumber);
};

#endif
