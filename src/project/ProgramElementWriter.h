#ifndef PROGRAMELEMENTWRITER_H
#define PROGRAMELEMENTWRITER_H

#include <QMap>
#include <QSet>
#include <QSharedPointer>
#include <QString>
#include <QVariant>

#include <optional>

#include "ListedElements.h"
#include "ProjectElement.h"
#include "TimelineCodec.h"

class CnfController;
class CnfPhase;
class CnfPhaseDef;
class CnfProgram;
class CnfSignalGroup;

// What a writer does with an entry that fails one of its consistency checks.
enum class RefusedEntry {
    FailDocument, // nothing is written; errorString() says why
    LeaveOut,     // the entry alone is left out, with a warning in the diagnostic log
};

// Writes one program as the "Program" element of a project document, checking
// every step's length against the limits of its phase.
class ProgramElementWriter
{
public:
    explicit ProgramElementWriter(const CnfController& controller,
                                  RefusedEntry refused = RefusedEntry::FailDocument);

    // The element, or a null element with errorString() set.
    ProjectElement write(const QSharedPointer<CnfProgram>& program);
    QString errorString() const;

    // Logs that the entry `message` describes is left out of a document.
    static void logLeftOut(const QString& message);

    // Attributes of a step element that carry the step's own data; dynamic
    // properties of these names are neither written nor read, as they would
    // shadow that data.
    static bool isStepDataAttribute(const QString& name);

private:
    void writeAttributes(ProjectElement& element, const QSharedPointer<CnfProgram>& program);
    void writeTimeline(ProjectElement& element, const QSharedPointer<CnfProgram>& program);
    static void writeTimelineSequence(ProjectElement& sequence, const QMap<int, int>& timeline);
    bool writeStep(ProjectElement& element, const QSharedPointer<CnfProgram>& program,
                   const QSharedPointer<CnfPhaseDef>& step, QSet<QString>& unlistedWritten);
    void writeProperties(ProjectElement& element, const QSharedPointer<CnfProgram>& program);

    const CnfController& m_controller;
    RefusedEntry m_refused;
    int m_stepsLeftOut = 0;
    QString m_error;
    // The controller's groups in their order, taken on first use: the
    // controller does not change while it is written.
    std::optional<TimelineCodec::GroupOrder> m_groupOrder;
    // The controller's phases, taken on first use likewise.
    ListedElements<CnfPhase> m_listedPhases;
    bool m_phasesTaken = false;
};

#endif
