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

    VObject operator[](const QString& key);
    VObject operator[](const char* key);
    VObject operator[](int index);
    VObject parent() const;
    VObject findByAttr(const QString& key, const QVariant& value);

    operator const QVariant&() const;
    QVariant::Type type() const;
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
    bool dataEqual(const VObject& other) const;

    void operator=(QVariant v);
    void operator=(const VObject& other);
    void append(const VObject& item);
    void append(int n);
    int remove(const QString& key);
    void remove();
    void removeAt(int index);
    void clear();
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
