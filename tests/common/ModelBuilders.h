#ifndef MODELBUILDERS_H
#define MODELBUILDERS_H

#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QVariantMap>

#include "CnfInterstate.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSignalGroup.h"

// Small model elements for the tests, built in memory and not yet added to
// any controller.
namespace CnfTest {

QSharedPointer<CnfSignalGroup> group(int id, CnfSignalGroup::Type type = CnfSignalGroup::Transport);
// A transport group with these dynamic properties (timings such as "amber").
QSharedPointer<CnfSignalGroup> group(int id, const QVariantMap& properties);
QSharedPointer<CnfPhase> phase(const QString& id, const QList<QSharedPointer<CnfSignalGroup>>& groups = {},
                               int minLength = -1, int maxLength = -1);
// A program that runs `steps` in order, each for `length` seconds.
QSharedPointer<CnfProgram> program(const QString& id, const QList<QSharedPointer<CnfPhase>>& steps = {},
                                   int length = 10);
QSharedPointer<CnfProgram> program(const QString& id, CnfProgram::Type type);
QSharedPointer<CnfMatrix> matrix(int id);
// An intergreen timing record, in seconds.
QSharedPointer<CnfInterstate> interstate(int greenBlink, int yellow, int redYellow);
QSharedPointer<CnfPowerDevice> device(int id, int address);

// The dynamic properties of `object`, "name=value" sorted by name.
QString propertyText(const QObject& object);

// Any element with a text id: cards, programs, phases.
template <class T>
QSharedPointer<T> withId(const QString& id)
{
    auto element = QSharedPointer<T>::create();
    element->id = id;
    return element;
}

} // namespace CnfTest

#endif
