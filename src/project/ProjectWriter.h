#ifndef PROJECTWRITER_H
#define PROJECTWRITER_H

#include <QDomDocument>
#include <QDomElement>
#include <QSharedPointer>
#include <QString>

#include "ProgramElementWriter.h"
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

    // The document, or a null document with errorString() set.
    QDomDocument write();
    QString errorString() const;

private:
    void writeRootAttributes(QDomElement& root);
    void writeNativeData(QDomElement& root);
    void writePowerDevices(QDomElement& root);
    void writeInterstate(QDomElement& root);
    void writeDetectors(QDomElement& root);
    QDomElement detectorElement(const QString& tag, const QSharedPointer<CnfDetector>& detector);
    void writeSignalGroups(QDomElement& root);
    QDomElement signalGroupElement(const QSharedPointer<CnfSignalGroup>& group);
    void writePhases(QDomElement& root);
    bool writePrograms(QDomElement& root);
    void writeMatrices(QDomElement& root);
    QDomElement matrixElement(const QString& tag, const QSharedPointer<CnfMatrix>& matrix);
    bool writeDayCards(QDomElement& root);
    bool writeWeekCards(QDomElement& root);
    bool writeSpecialDays(QDomElement& root);
    bool writeSeasonPlans(QDomElement& root);
    void writeDefaults(QDomElement& root);
    bool fail(const QString& message);
    bool refuse(const QString& message);

    const CnfController& m_controller;
    VObject m_nativeData;
    RefusedEntry m_refused;
    QDomDocument m_document;
    QString m_error;
};

#endif
