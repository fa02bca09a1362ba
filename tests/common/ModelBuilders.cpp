#include "ModelBuilders.h"

#include <QStringList>

namespace CnfTest {

QSharedPointer<CnfSignalGroup> group(int id, CnfSignalGroup::Type type)
{
    auto sg = QSharedPointer<CnfSignalGroup>::create();
    sg->id = id;
    sg->setType(type);
    return sg;
}

QSharedPointer<CnfSignalGroup> group(int id, const QVariantMap& properties)
{
    auto sg = group(id);
    for (auto it = properties.begin(); it != properties.end(); ++it)
        sg->setProperty(it.key().toUtf8().constData(), it.value());
    return sg;
}

QSharedPointer<CnfPhase> phase(const QString& id, const QList<QSharedPointer<CnfSignalGroup>>& groups,
                               int minLength, int maxLength)
{
    auto p = withId<CnfPhase>(id);
    p->signalGroups = groups;
    p->minLength = minLength;
    p->maxLength = maxLength;
    return p;
}

QSharedPointer<CnfProgram> program(const QString& id, const QList<QSharedPointer<CnfPhase>>& steps, int length)
{
    auto p = withId<CnfProgram>(id);
    for (const auto& step : steps)
        p->appendPhase(step, length);
    return p;
}

QSharedPointer<CnfProgram> program(const QString& id, CnfProgram::Type type)
{
    auto p = withId<CnfProgram>(id);
    p->type = type;
    return p;
}

QSharedPointer<CnfMatrix> matrix(int id)
{
    auto m = QSharedPointer<CnfMatrix>::create();
    m->setId(id);
    return m;
}

QSharedPointer<CnfInterstate> interstate(int greenBlink, int yellow, int redYellow)
{
    auto record = QSharedPointer<CnfInterstate>::create();
    record->greenBlink = greenBlink;
    record->yellow = yellow;
    record->redYellow = redYellow;
    return record;
}

QSharedPointer<CnfPowerDevice> device(int id, int address)
{
    auto dev = QSharedPointer<CnfPowerDevice>::create();
    dev->id = id;
    dev->address = address;
    return dev;
}

QString propertyText(const QObject& object)
{
    QStringList values;
    const auto names = object.dynamicPropertyNames();
    for (const QByteArray& name : names)
        values << QString::fromUtf8(name) + '=' + object.property(name).toString();
    values.sort();
    return values.join(' ');
}

} // namespace CnfTest
