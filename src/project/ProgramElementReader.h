#ifndef PROGRAMELEMENTREADER_H
#define PROGRAMELEMENTREADER_H

#include <QDomElement>
#include <QSharedPointer>
#include <QString>

#include "ProjectXmlElement.h"

class CnfController;
class CnfPhase;
class CnfProgram;

// Reads one "Program" element of a project document into a new program bound
// to the controller's phases, groups and matrices. Phases the controller
// lacks are added to it unless the reading is strict. On an adapter
// controller every convertible program becomes a raw record of the text
// adapter.
class ProgramElementReader
{
public:
    ProgramElementReader(CnfController& controller, bool strict, bool adapter);

    // The program, or null with errorString() set.
    QSharedPointer<CnfProgram> read(const ProjectXmlElement& element);
    // The same for a program element of a DOM.
    QSharedPointer<CnfProgram> read(const QDomElement& element);
    QString errorString() const;

private:
    void readCycle(const QSharedPointer<CnfProgram>& program, const ProjectXmlElement& element);
    bool readRawRecord(const QSharedPointer<CnfProgram>& program, const ProjectXmlElement& element);
    bool readTimeline(const QSharedPointer<CnfProgram>& program, const ProjectXmlElement& element);
    bool readSteps(const QSharedPointer<CnfProgram>& program, const ProjectXmlElement& element);
    bool readStep(const QSharedPointer<CnfProgram>& program, const ProjectXmlElement& step, bool last);
    QSharedPointer<CnfPhase> stepPhase(const QSharedPointer<CnfProgram>& program, const QString& phaseId);
    bool convertToAdapterRecord(const QSharedPointer<CnfProgram>& program);
    QByteArray adapterRecord(const QSharedPointer<CnfProgram>& program) const;
    void readProperties(const QSharedPointer<CnfProgram>& program, const ProjectXmlElement& element);
    bool fail(const QString& message);

    CnfController& m_controller;
    bool m_strict;
    bool m_adapter;
    QString m_error;
};

#endif
