#ifndef VOBJECT_H
#define VOBJECT_H

#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "cnf_export.h"

class VObjectNode;

// A handle on one node of a QVariant tree (maps with text keys, lists,
// scalars). Copies share the node, so a change through one is seen through
// all. A handle on a missing key is pending: the path is created when a
// value is written through it.
class CNF_EXPORT VObject
{
public:
    VObject();
    VObject(QVariant& v);
    VObject(QMap<QString, QVariant>& m);
    VObject(QVariant::Type t);
    VObject(const VObject& other);
    ~VObject();

    // The child under `key` or at `index`; pending when absent.
    VObject operator[](const QString& key);
    VObject operator[](const char* key);
    VObject operator[](int index);
    // A handle on the parent node; null at the root.
    VObject parent() const;
    // In a list, the first map whose entry `key` equals `value`; null when none.
    VObject findByAttr(const QString& key, const QVariant& value);

    // The value; an invalid QVariant for a null handle.
    operator const QVariant&() const;
    QVariant::Type type() const;
    // Whether the handle has no value (also once its tree is gone).
    bool isNull() const;
    int size() const;
    QStringList keys() const;
    int toInt(bool* ok = nullptr) const;
    bool toBool(bool* ok = nullptr) const;
    QString toString(bool* ok = nullptr) const;

    bool operator==(const VObject& other) const;
    bool operator!=(const VObject& other) const;
    bool operator==(const QString& text) const;
    bool operator==(const char* text) const;
    bool operator==(int n) const;
    bool operator==(const QVariant& v) const;
    bool operator!=(const QString& text) const;
    bool operator!=(int n) const;
    // Whether both values exist and are equal.
    bool dataEqual(const VObject& other) const;

    // Stores `v`, creating a pending path; an invalid `v` removes the node
    // when its parent removes invalid values.
    void operator=(QVariant v);
    void operator=(const VObject& other);
    // Appends to a list node.
    void append(const VObject& item);
    void append(int n);
    // Removes the map entry `key`; the number removed (0 or 1).
    int remove(const QString& key);
    // Takes this node out of its parent.
    void remove();
    void removeAt(int index);
    void clear();
    // When on, assigning an invalid value to a child removes the child.
    void removeInvalidValues(bool on);

private:
    friend class CnfControllerPrivate;

    explicit VObject(QSharedPointer<VObjectNode> node);

    // A handle on a map kept by its owner (the controller's native data).
    static VObject overStore(QVariantMap& store);
    // Unlinks a handle made by overStore before its map goes away; every copy
    // and every handle reached from it then reads as null.
    void releaseStore();
    bool hasPlaceInTree() const;

    QSharedPointer<VObjectNode> m_node;
};

#endif
