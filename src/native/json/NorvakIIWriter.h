#ifndef NORVAKIIWRITER_H
#define NORVAKIIWRITER_H

#include <QCoreApplication>
#include <QSharedPointer>
#include <QString>
#include <QVariant>

#include "JsonModelWriter.h"

class CnfController;
class CnfProgram;

// Builds the NorvakII document of a CnfController.
//
// The sections the reader consumes are rebuilt from the model; everything
// else comes from the controller's native data, whose module tree is tidied
// (switch items rebuilt from the power devices, input channels and control
// sources that refer to nothing dropped) and stored back into the
// controller. Empty containers are pruned. What the reader would refuse is
// refused here, with a message naming the element, before the controller is
// touched; entries whose reference the model lost are left out and logged.
class NorvakIIWriter : public JsonModelWriter
{
    Q_DECLARE_TR_FUNCTIONS(NorvakIIWriter)

public:
    explicit NorvakIIWriter(CnfController& controller);

    // The document of the controller; false, with errorString(), when the
    // model holds what the format cannot carry.
    bool write(QVariantMap* document);

    // The plan object of one program; an invalid value, with `error` set,
    // when the program cannot be written.
    static QVariant signalPlanToVariant(CnfController& controller, QSharedPointer<CnfProgram> program,
                                        QString* error);

private:
    struct ModuleTree;

    void writeProperties(QVariantMap& document);
    ModuleTree tidyModules();
    QVariantList switchItems(const QVariantMap& switches, QVariantMap* defaults);
    void tidyInputChannels(QVariantMap& devices);
    bool channelRefersToNothing(const QVariant& channel, const QVariantList& outputs) const;
    QVariant tidyControlSources(const QVariantMap& modules, const QVariantMap& devices);
    QVariant signalGroups();
    QVariant matrices();
};

#endif
