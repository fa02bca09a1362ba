#include "VObject.h"

#include <QVariantList>
#include <QVariantMap>

// The record that the copies of a handle share. A record inside a tree keeps
// no pointer to its value: it keeps its parent record and its key or index
// and finds the value again on every access. A handle whose slot was removed
// or replaced through another path therefore reads as null (or finds what
// now stands at its path) and never touches freed memory.
class VObjectNode
{
public:
    enum Kind {
        Detached,     // no value, no parent
        OwnedRoot,    // a standalone tree held in `owned`
        ExternalRoot, // a variant owned by the caller
        StoreRoot,    // a map owned by the caller (the controller's native data)
        KeyChild,     // entry `key` of the parent's map; pending while absent
        IndexChild,   // element `index` of the parent's list
    };

    const QVariant* value() const;
    const QVariantMap* constMap() const;
    QVariant* slot(bool create);
    QVariantMap* map(bool create);
    QVariantList* list();

    bool isWithin(const VObjectNode* ancestor) const;
    void becomeOwnedRoot(const QVariant& v);
    void becomeChildOf(const QSharedPointer<VObjectNode>& newParent, const VObjectNode& place);
    void detach();

    Kind kind = Detached;
    QVariant owned;
    QVariant* external = nullptr;
    QVariantMap* store = nullptr;
    // StoreRoot only: the map as a variant, for readers that want one.
    mutable QVariant storeView;
    QSharedPointer<VObjectNode> parent;
    QString key;
    int index = -1;
    // Set on handles returned by findByAttr: they show no parent.
    bool parentHidden = false;
    bool removeInvalid = false;
};

namespace {

const QVariant& invalidVariant()
{
    static const QVariant invalid;
    return invalid;
}

bool isMap(const QVariant* v)
{
    return v && v->type() == QVariant::Map;
}

bool isList(const QVariant* v)
{
    return v && v->type() == QVariant::List;
}

bool isNumber(QVariant::Type t)
{
    return t == QVariant::Int || t == QVariant::UInt || t == QVariant::LongLong || t == QVariant::ULongLong
        || t == QVariant::Double;
}

QSharedPointer<VObjectNode> newChild(const QSharedPointer<VObjectNode>& parent, VObjectNode::Kind kind)
{
    auto node = QSharedPointer<VObjectNode>::create();
    node->kind = kind;
    node->parent = parent;
    return node;
}

} // namespace

const QVariant* VObjectNode::value() const
{
    switch (kind) {
    case Detached:
        return nullptr;
    case OwnedRoot:
        return &owned;
    case ExternalRoot:
        return external;
    case StoreRoot:
        storeView = *store;
        return &storeView;
    case KeyChild: {
        const QVariantMap* m = parent->constMap();
        if (!m)
            return nullptr;
        const auto it = m->constFind(key);
        return it == m->constEnd() ? nullptr : &it.value();
    }
    case IndexChild: {
        const QVariant* v = parent->value();
        if (!isList(v))
            return nullptr;
        const auto* l = static_cast<const QVariantList*>(v->constData());
        return index >= 0 && index < l->size() ? &l->at(index) : nullptr;
    }
    }
    return nullptr;
}

const QVariantMap* VObjectNode::constMap() const
{
    if (kind == StoreRoot)
        return store;
    const QVariant* v = value();
    return isMap(v) ? static_cast<const QVariantMap*>(v->constData()) : nullptr;
}

// The writable slot of this record. With `create`, a missing path is
// materialised: absent keys are inserted (invalid) and invalid parents
// become maps.
QVariant* VObjectNode::slot(bool create)
{
    switch (kind) {
    case Detached:
    case StoreRoot:
        return nullptr;
    case OwnedRoot:
        return &owned;
    case ExternalRoot:
        return external;
    case KeyChild: {
        QVariantMap* m = parent->map(create);
        if (!m)
            return nullptr;
        auto it = m->find(key);
        if (it == m->end()) {
            if (!create)
                return nullptr;
            it = m->insert(key, QVariant());
        }
        return &it.value();
    }
    case IndexChild: {
        QVariantList* l = parent->list();
        return l && index >= 0 && index < l->size() ? &(*l)[index] : nullptr;
    }
    }
    return nullptr;
}

QVariantMap* VObjectNode::map(bool create)
{
    if (kind == StoreRoot)
        return store;
    QVariant* v = slot(create);
    if (!v)
        return nullptr;
    if (create && !v->isValid())
        *v = QVariantMap();
    return isMap(v) ? static_cast<QVariantMap*>(v->data()) : nullptr;
}

QVariantList* VObjectNode::list()
{
    QVariant* v = slot(false);
    return isList(v) ? static_cast<QVariantList*>(v->data()) : nullptr;
}

bool VObjectNode::isWithin(const VObjectNode* ancestor) const
{
    for (const VObjectNode* n = this; n; n = n->parent.data()) {
        if (n == ancestor)
            return true;
    }
    return false;
}

void VObjectNode::becomeOwnedRoot(const QVariant& v)
{
    detach();
    kind = OwnedRoot;
    owned = v;
}

// Turns this record into a handle on the place that `place` names.
void VObjectNode::becomeChildOf(const QSharedPointer<VObjectNode>& newParent, const VObjectNode& place)
{
    detach();
    kind = place.kind;
    parent = newParent;
    key = place.key;
    index = place.index;
}

void VObjectNode::detach()
{
    kind = Detached;
    owned = QVariant();
    external = nullptr;
    store = nullptr;
    storeView = QVariant();
    parent.reset();
    key.clear();
    index = -1;
    parentHidden = false;
}

VObject::VObject()
    : m_node(QSharedPointer<VObjectNode>::create())
{
}

VObject::VObject(QVariant& v)
    : VObject()
{
    m_node->kind = VObjectNode::ExternalRoot;
    m_node->external = &v;
}

VObject::VObject(QMap<QString, QVariant>& m)
    : VObject()
{
    m_node->becomeOwnedRoot(m);
}

VObject::VObject(QVariant::Type t)
    : VObject()
{
    m_node->becomeOwnedRoot(QVariant(t));
}

VObject::VObject(const VObject& other) = default;

VObject::~VObject() = default;

VObject::VObject(QSharedPointer<VObjectNode> node)
    : m_node(std::move(node))
{
}

VObject VObject::overStore(QVariantMap& store)
{
    VObject handle;
    handle.m_node->kind = VObjectNode::StoreRoot;
    handle.m_node->store = &store;
    return handle;
}

void VObject::releaseStore()
{
    if (m_node->kind == VObjectNode::StoreRoot)
        m_node->detach();
}

bool VObject::hasPlaceInTree() const
{
    return (m_node->kind == VObjectNode::KeyChild || m_node->kind == VObjectNode::IndexChild)
        && !m_node->parentHidden;
}

VObject VObject::operator[](const QString& key)
{
    if (m_node->kind != VObjectNode::StoreRoot) {
        const QVariant* v = m_node->value();
        const bool valid = v && v->isValid();
        if (valid && !isMap(v))
            return VObject();
        if (!valid && !hasPlaceInTree()) {
            // A root without a value becomes a map so that paths can grow
            // from it: the variant it refers to, or a tree of its own.
            if (QVariant* slot = m_node->slot(false))
                *slot = QVariantMap();
            else
                m_node->becomeOwnedRoot(QVariantMap());
        }
    }
    auto child = newChild(m_node, VObjectNode::KeyChild);
    child->key = key;
    return VObject(child);
}

VObject VObject::operator[](const char* key)
{
    return operator[](QString::fromUtf8(key));
}

VObject VObject::operator[](int index)
{
    if (index < 0 || index >= size())
        return VObject();
    auto child = newChild(m_node, VObjectNode::IndexChild);
    child->index = index;
    return VObject(child);
}

VObject VObject::parent() const
{
    return hasPlaceInTree() ? VObject(m_node->parent) : VObject();
}

VObject VObject::findByAttr(const QString& key, const QVariant& value)
{
    const QVariant* v = m_node->value();
    if (key.isEmpty() || !isList(v))
        return VObject();
    const auto* l = static_cast<const QVariantList*>(v->constData());
    for (int i = 0; i < l->size(); ++i) {
        const QVariant& item = l->at(i);
        if (item.type() != QVariant::Map)
            continue;
        if (static_cast<const QVariantMap*>(item.constData())->value(key) == value) {
            auto found = newChild(m_node, VObjectNode::IndexChild);
            found->index = i;
            found->parentHidden = true;
            return VObject(found);
        }
    }
    return VObject();
}

VObject::operator const QVariant&() const
{
    const QVariant* v = m_node->value();
    return v ? *v : invalidVariant();
}

QVariant::Type VObject::type() const
{
    const QVariant* v = m_node->value();
    return v ? v->type() : QVariant::Invalid;
}

bool VObject::isNull() const
{
    return m_node->kind == VObjectNode::StoreRoot ? false : !m_node->value();
}

int VObject::size() const
{
    const QVariant* v = m_node->value();
    return isList(v) ? static_cast<const QVariantList*>(v->constData())->size() : 0;
}

QStringList VObject::keys() const
{
    const QVariantMap* m = m_node->constMap();
    return m ? m->keys() : QStringList();
}

int VObject::toInt(bool* ok) const
{
    const QVariant* v = m_node->value();
    if (!v) {
        if (ok)
            *ok = false;
        return 0;
    }
    return v->toInt(ok);
}

bool VObject::toBool(bool* ok) const
{
    const QVariant* v = m_node->value();
    if (ok)
        *ok = v && v->canConvert<bool>();
    return v && v->toBool();
}

QString VObject::toString(bool* ok) const
{
    const QVariant* v = m_node->value();
    if (ok)
        *ok = v && v->canConvert<QString>();
    return v ? v->toString() : QString();
}

bool VObject::operator==(const VObject& other) const
{
    if (m_node->kind == VObjectNode::StoreRoot || other.m_node->kind == VObjectNode::StoreRoot)
        return m_node->store == other.m_node->store;
    return m_node->value() == other.m_node->value();
}

bool VObject::operator!=(const VObject& other) const
{
    return !operator==(other);
}

bool VObject::operator==(const QString& text) const
{
    const QVariant* v = m_node->value();
    return v && v->type() == QVariant::String && v->toString() == text;
}

bool VObject::operator==(const char* text) const
{
    return operator==(QString::fromUtf8(text));
}

bool VObject::operator==(int n) const
{
    const QVariant* v = m_node->value();
    return v && isNumber(v->type()) && v->toInt() == n;
}

bool VObject::operator==(const QVariant& other) const
{
    const QVariant* v = m_node->value();
    return v && v->type() == other.type() && *v == other;
}

bool VObject::operator!=(const QString& text) const
{
    return !operator==(text);
}

bool VObject::operator!=(int n) const
{
    return !operator==(n);
}

bool VObject::dataEqual(const VObject& other) const
{
    const QVariant* mine = m_node->value();
    const QVariant* theirs = other.m_node->value();
    return mine && theirs && *mine == *theirs;
}

void VObject::operator=(QVariant v)
{
    if (!v.isValid() && hasPlaceInTree() && m_node->parent->removeInvalid) {
        remove();
        return;
    }
    if (m_node->kind == VObjectNode::StoreRoot) {
        // The controller keeps its native data as a map by name.
        if (v.type() == QVariant::Map)
            *m_node->store = v.toMap();
        return;
    }
    if (QVariant* slot = m_node->slot(true))
        *slot = std::move(v);
}

void VObject::operator=(const VObject& other)
{
    if (other.m_node == m_node)
        return;
    if (m_node->kind == VObjectNode::StoreRoot) {
        // The controller's handle stays on the controller's data: a map
        // assigned to it replaces that data.
        operator=(QVariant(other));
        return;
    }
    VObjectNode* source = other.m_node.data();
    if (source->kind == VObjectNode::OwnedRoot && hasPlaceInTree()) {
        // Taken before the slot is reached, so that reaching it detaches the
        // tree from this copy when the tree is put under itself.
        const QVariant value = source->owned;
        QVariant* slot = m_node->slot(true);
        if (!slot)
            return;
        *slot = value;
        if (m_node->isWithin(source))
            return; // a tree put under itself keeps a copy: moving would make a cycle
        // A standalone tree moves into this place; its handles follow it.
        source->becomeChildOf(m_node->parent, *m_node);
    }
    m_node = other.m_node;
}

void VObject::append(const VObject& item)
{
    VObjectNode* node = m_node.data();
    if (node->kind == VObjectNode::StoreRoot)
        return;
    QVariant* slot = node->slot(true);
    if (!slot) {
        node->becomeOwnedRoot(QVariantList());
        slot = &node->owned;
    }
    if (!slot->isValid())
        *slot = QVariantList();
    if (!isList(slot))
        return;
    auto* l = static_cast<QVariantList*>(slot->data());
    VObjectNode* source = item.m_node.data();
    const QVariant* itemValue = source->value();
    const QVariant copy = itemValue ? *itemValue : QVariant();
    l->append(copy);

    const bool external = source->kind == VObjectNode::ExternalRoot || source->kind == VObjectNode::StoreRoot;
    if (external || node->isWithin(source))
        return;
    VObjectNode place;
    place.kind = VObjectNode::IndexChild;
    place.index = l->size() - 1;
    source->becomeChildOf(m_node, place);
}

void VObject::append(int n)
{
    VObject item;
    append(item);
    item = QVariant(n);
}

int VObject::remove(const QString& key)
{
    QVariantMap* m = m_node->map(false);
    return m ? m->remove(key) : 0;
}

void VObject::remove()
{
    if (!hasPlaceInTree() || !m_node->value())
        return;
    VObjectNode* parentNode = m_node->parent.data();
    if (m_node->kind == VObjectNode::KeyChild) {
        if (QVariantMap* m = parentNode->map(false))
            m->remove(m_node->key);
    } else if (QVariantList* l = parentNode->list()) {
        l->removeAt(m_node->index);
    }
    m_node->detach();
}

void VObject::removeAt(int index)
{
    QVariantList* l = m_node->list();
    if (l && index >= 0 && index < l->size())
        l->removeAt(index);
}

void VObject::clear()
{
    if (m_node->kind == VObjectNode::StoreRoot)
        m_node->store->clear();
    else
        m_node->detach();
}

void VObject::removeInvalidValues(bool on)
{
    m_node->removeInvalid = on;
}
