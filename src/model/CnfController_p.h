#ifndef CNFCONTROLLER_P_H
#define CNFCONTROLLER_P_H

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMap>
#include <QSharedPointer>
#include <QString>
#include <QVariant>

#include "CnfController.h"
#include "CnfControllerIndex.h"
#include "CnfDetector.h"
#include "CnfInterstate.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "VObject.h"

// The controller's state. Shared with the project-document and layout code,
// which implement CnfController's file operations.
class CnfControllerPrivate
{
public:
    explicit CnfControllerPrivate(CnfController* owner);
    // Unlinks the native data handle, so that handles the host still holds
    // read as null once the controller is gone.
    ~CnfControllerPrivate();
    Q_DISABLE_COPY(CnfControllerPrivate)

    static CnfControllerPrivate* get(const CnfController& controller) { return controller.d; }

    QList<QSharedPointer<CnfSignalGroup>> signalGroups;
    QSharedPointer<CnfSignalGroup> defaultSignalGroup;
    QList<QSharedPointer<CnfProgram>> programs;
    QList<QSharedPointer<CnfPhase>> phases;
    QList<QSharedPointer<CnfPowerDevice>> powerDevices;
    QList<QSharedPointer<CnfDayCard>> dayCards;
    QList<QSharedPointer<CnfWeekCard>> weekCards;
    QList<QSharedPointer<CnfMatrix>> matrices;
    QMap<QDate, QSharedPointer<CnfSpecialDay>> specialDays;
    QList<QSharedPointer<CnfSeasonPlan>> seasonPlans;
    QList<QSharedPointer<CnfDetector>> detectors;
    QList<QSharedPointer<CnfDetector>> sensors;
    QSharedPointer<CnfInterstate> interstate;
    QString lastError;
    QByteArray loadedDocument;
    bool strict = false;
    QVariantMap nativeDataStore;
    VObject nativeData;
    QSharedPointer<CnfMatrix> conflictMatrix;
    QSharedPointer<CnfMatrix> safetyMatrix;
    QSharedPointer<CnfMatrix> defaultMatrix;
    QSharedPointer<CnfProgram> defaultProgram;
    QSharedPointer<CnfProgram> reserveProgram;
    QSharedPointer<CnfDayCard> defaultDayCard;
    CnfController* owner;
    // Used while a CnfLookupSession lives.
    CnfControllerIndex index;
};

// Writes `program` in its project-document form and reads it back into a new
// program bound to `controller`, adding the phases it names that the
// controller lacks. Null when that fails. Implemented with the project
// document code.
QSharedPointer<CnfProgram> cnfRebuildProgramThroughDocument(CnfController& controller,
                                                            QSharedPointer<CnfProgram> program);

// The project document of `controller` for a copy: an entry that a check of
// the writer refuses is left out (with a warning in the diagnostic log)
// instead of failing the whole document. Implemented with the project
// document code.
QByteArray cnfCopyDocument(const CnfController& controller, const CnfControllerPrivate& data);

// Registers the compiled-in resources once per process.
void cnfRegisterResourcesOnce();

#endif
