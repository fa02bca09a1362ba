#ifndef PROJECTWRITER_H
#define PROJECTWRITER_H

#include <QSharedPointer>
#include <QString>

#include "ProgramElementWriter.h"
#include "ProjectElement.h"
#include "VObject.h"

class CnfController;
class CnfDetector;
class CnfMatrix;
class CnfSignalGroup;

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

    // The root element of the document, or a null element with errorString()
    // set. With a `sink`, the root's children go to it one by one as they
    // are finished (so that they need not all be held at once) and the root
    // returned has none.
    ProjectElement write(const ProjectElement::ChildSink& sink = {});
    QString errorString() const;

private:
    int rootChildCount() const;
    void writeRootAttributes(ProjectElement& root);
    void writeNativeData(ProjectElement& root);
    void writePowerDevices(ProjectElement& root);
    void writeInterstate(ProjectElement& root);
    void writeDetectors(ProjectElement& root);
    ProjectElement detectorElement(const QString& tag, const QSharedPointer<CnfDetector>& detector);
    void writeSignalGroups(ProjectElement& root);
    ProjectElement signalGroupElement(const QSharedPointer<CnfSignalGroup>& group);
    void writePhases(ProjectElement& root);
    bool writePrograms(ProjectElement& root);
    void writeMatrices(ProjectElement& root);
    ProjectElement matrixElement(const QString& tag, const QSharedPointer<CnfMatrix>& matrix);
    bool writeDayCards(ProjectElement& root);
    bool writeWeekCards(ProjectElement& root);
    bool writeSpecialDays(ProjectElement& root);
    bool writeSeasonPlans(ProjectElement& root);
    void writeDefaults(ProjectElement& root);
    bool fail(const QString& message);
    bool refuse(const QString& message);

    const CnfController& m_controller;
    VObject m_nativeData;
    RefusedEntry m_refused;
    QString m_error;
};

#endif
