#ifndef PROJECTWRITER_H
#define PROJECTWRITER_H

#include <QSharedPointer>
#include <QString>

#include "ListedElements.h"
#include "ProgramElementWriter.h"
#include "ProjectElement.h"
#include "ProjectElementSink.h"
#include "VObject.h"

class CnfController;
class CnfDayCard;
class CnfDetector;
class CnfMatrix;
class CnfPowerDevice;
class CnfProgram;
class CnfSignalGroup;
class CnfWeekCard;

// Builds the project document of a controller. By default the document is
// complete or not built at all: the first failed consistency check stops the
// writing. A copy of the controller instead leaves out only the entries that
// fail a check.
class ProjectWriter
{
public:
    // `nativeData` is the controller's native data root.
    ProjectWriter(const CnfController& controller, const VObject& nativeData,
                  RefusedEntry refused = RefusedEntry::FailDocument);

    // Hands the document to `sink`, its root element and everything below
    // it; false, with errorString() set, when a check stops the writing (the
    // sink then has part of the document).
    bool write(ProjectElementSink& sink);
    QString errorString() const;

private:
    void writeRootAttributes(ProjectElement& root);
    void writeNativeData();
    void writePowerDevices();
    void writeInterstate();
    void writeDetectors();
    ProjectElement detectorElement(const QString& tag, const QSharedPointer<CnfDetector>& detector);
    void writeSignalGroups();
    ProjectElement signalGroupElement(const QSharedPointer<CnfSignalGroup>& group);
    void writePhases();
    bool writePrograms();
    void writeMatrices();
    void writeMatrix(const QString& tag, const QSharedPointer<CnfMatrix>& matrix, bool isDefault, bool isSafety);
    bool writeDayCards();
    bool writeWeekCards();
    bool writeSpecialDays();
    bool writeSeasonPlans();
    void writeDefaults();
    bool fail(const QString& message);
    bool refuse(const QString& message);

    const CnfController& m_controller;
    VObject m_nativeData;
    RefusedEntry m_refused;
    QString m_error;
    ProjectElementSink* m_sink = nullptr;
    // What the controller lists, taken when the writing starts. An element
    // it lists has its id listed too: only a reference to another element
    // needs the look-up by id.
    ListedElements<CnfPowerDevice> m_listedDevices;
    ListedElements<CnfProgram> m_listedPrograms;
    ListedElements<CnfDayCard> m_listedDayCards;
    ListedElements<CnfWeekCard> m_listedWeekCards;
};

#endif
