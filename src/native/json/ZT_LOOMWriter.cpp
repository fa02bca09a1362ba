#include "ZT_LOOMWriter.h"

#include <QRegularExpression>

#include <utility>

#include "CnfController.h"
#include "CnfLogging.h"
#include "CnfMatrix.h"
#include "CnfPowerDevice.h"
#include "CnfSignalGroup.h"
#include "JsonDialect.h"
#include "JsonValues.h"

using namespace JsonValues;

namespace {

QString colorName(int color)
{
    static const char* const names[] = {"green", "amber", "red", "white"};
    return color >= 0 && color < 4 ? QString::fromLatin1(names[color]) : QString();
}

} // namespace

ZT_LOOMWriter::ZT_LOOMWriter(CnfController& controller)
    : JsonModelWriter(controller, JsonDialect::ztLoom())
{
}

bool ZT_LOOMWriter::write(QVariantMap* document)
{
    document->clear();
    const QVariantMap switchSection = switches();
    const std::pair<const char*, QVariant> sections[] = {
        {"signalGroups", signalGroups()}, {"stages", stages()}, {"IGM", matrices()},
        {"detectors", detectors(false)},  {"plans", plans()},   {"scheduler", schedule()},
    };
    if (!errorString().isEmpty())
        return false; // the controller is left as it was
    if (!m_controller.sensorsList().isEmpty())
        qCWarning(lcCnfJson, "The format has no sensors: %d sensors are not written",
                  int(m_controller.sensorsList().size()));
    for (const auto& section : sections) {
        if (!isEmptyContainer(section.second))
            document->insert(key(section.first), section.second);
    }
    // Only a document that will be written changes the controller.
    storeNativeData(switchSection);
    // The version and the type are the writer's own: the reader needs them so.
    // The sections built from the model win over native data of the same
    // name, which another format's reader may have kept.
    const QStringList excluded = QStringList{QStringLiteral("sg_defaults"), QStringLiteral("//"),
                                             QStringLiteral("asudd_priority_on_vpu"), QStringLiteral("configVersion"),
                                             QStringLiteral("type")}
        + document->keys() + keysBeforeType();
    copyNativeData(*document, excluded, true);
    if (document->value(key("KMP1")).userType() == QMetaType::QVariantMap) {
        QVariantMap kmp = document->value(key("KMP1")).toMap();
        if (!kmp.contains(key("auto")))
            kmp.insert(key("auto"), 1);
        document->insert(key("KMP1"), kmp);
    }
    pruneDocument(*document);
    document->insert(key("configVersion"), 1);
    document->insert(key("type"), QStringLiteral("ZT_LOOM"));
    return true;
}

// Commented-out copies of the version and the type ("// type") would be
// printed in their place, before the type; the format is told by its first
// "type", so they are left out.
QStringList ZT_LOOMWriter::keysBeforeType() const
{
    static const QRegularExpression commented(QStringLiteral("^//\\s*(configVersion|type)$"));
    QStringList keys;
    const QStringList names = m_controller.nativeDataNames();
    for (const QString& name : names) {
        if (commented.match(name).hasMatch()) {
            qCWarning(lcCnfJson, "Native data \"%s\" is not written: it would come before the type", qUtf8Printable(name));
            keys.append(name);
        }
    }
    return keys;
}

// The controller's number and edited description reach the document
// through the native data, as does the rebuilt switch list.
void ZT_LOOMWriter::storeNativeData(const QVariantMap& switches)
{
    const QVariant number = m_controller.property("number");
    if (number.isValid())
        m_controller.setNativeData(key("id"), number);
    const QVariant description = m_controller.property("description");
    if (description.isValid())
        m_controller.setNativeData(key("description"), description);
    m_controller.setNativeData(key("switches"), switches);
}

// --- Switches ------------------------------------------------------------------

QVariantMap ZT_LOOMWriter::switches()
{
    QVariantMap section = m_controller.getNativeData(key("switches")).toMap();
    QVariantMap defaults = section.value(key("default")).toMap();
    QVariantList items;
    const auto devices = m_controller.powerDevices();
    const auto groupOf = groupsOfDevices();
    for (const auto& device : devices) {
        const auto group = groupOf.value(device.data());
        if (!group) {
            fail(tr("Key %1 is not assigned to a signal group").arg(device->id));
            continue;
        }
        if (device->type == CnfPowerDevice::None) {
            fail(tr("Key %1 has no type").arg(device->id));
            continue;
        }
        const QString type = CnfPowerDevice::type2String(device->type, false);
        QVariantMap item;
        item.insert(key("signalGroup"), group->id);
        item.insert(key("id"), device->id);
        item.insert(key("name"), device->name.isEmpty() ? tr("K.%1").arg(device->id) : device->name);
        item.insert(key("addr"), device->address);
        // The first device names the default type when the document has none.
        if (!defaults.contains(key("type")))
            defaults.insert(key("type"), type);
        else if (defaults.value(key("type")).toString() != type)
            item.insert(key("type"), type);
        item.insert(key("control"), device->controlledLamps != 0);
        const QString color = colorName(device->color);
        if (!color.isEmpty())
            item.insert(key("color"), color);
        items.append(item);
    }
    if (!defaults.isEmpty())
        section.insert(key("default"), defaults);
    section.insert(key("items"), items);
    return section;
}

// --- Model sections ------------------------------------------------------------

QVariant ZT_LOOMWriter::signalGroups()
{
    QVariantMap groups;
    groups.insert(key("default"), m_controller.getNativeData(key("sg_defaults")));
    groups.insert(key("items"), signalGroupItems());
    return groups;
}

QVariant ZT_LOOMWriter::matrices()
{
    // The reader takes the first matrix for the conflict matrix. One that is
    // not in the list (as read from an image) is added in front unless it is
    // empty: an empty list keeps the reader's own empty conflict matrix.
    auto all = m_controller.matrixList();
    const auto conflict = m_controller.conflictMatrix();
    if (conflict && (all.contains(conflict) || !conflict->content().isEmpty())) {
        all.removeAll(conflict);
        all.prepend(conflict);
    }
    QVariantList list;
    for (const auto& matrix : qAsConst(all)) {
        QVariantMap entry;
        entry.insert(key("id"), matrix->id());
        QString name = matrix->name();
        if (name.isEmpty())
            name = matrix == conflict ? tr("Conflict table") : tr("Matrix.%1").arg(matrix->id());
        entry.insert(key("name"), name);
        entry.insert(key("items"), matrixItems(*matrix));
        list.append(entry);
    }
    return list;
}
