#include "DynamicProgramWriter.h"

#include <QHash>

#include <algorithm>

#include "CnfController.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfProgram.h"
#include "CnfSignalGroup.h"
#include "MultiRingPattern.h"

namespace {

using GroupList = QList<QSharedPointer<CnfSignalGroup>>;

// Whether a program of this kind is meaningless without phase steps.
bool needsSteps(const CnfProgram& program, bool adapterController)
{
    switch (program.type) {
    case CnfProgram::Off:
    case CnfProgram::YellowFlash:
    case CnfProgram::MultiRing:
    case CnfProgram::JavaScript:
    case CnfProgram::Timeline:
    case CnfProgram::TimelineCoord:
    case CnfProgram::StageRing:
    case CnfProgram::Pedestrian:
    case CnfProgram::Passive: // never has steps
        return false;
    case CnfProgram::NorvakSpecial:
        // Algorithm 0 is yellow flash; 255 is "off" on the adapter.
        return program.nativeType != 0 && !(program.nativeType == 255 && adapterController);
    default:
        return true;
    }
}

// The listed groups that the matrix's cells name, cell by cell. A cell's
// group is recognised by identity and never read through its pointer, which
// does not keep the group alive.
GroupList cellGroups(const CnfMatrix& matrix, const GroupList& listed)
{
    QHash<const CnfSignalGroup*, QSharedPointer<CnfSignalGroup>> byAddress;
    for (const auto& group : listed) {
        if (group)
            byAddress.insert(group.data(), group);
    }
    GroupList groups;
    for (const CnfMatrixCell& cell : matrix.content()) {
        for (const CnfSignalGroup* member : {cell.onGroup, cell.offGroup}) {
            const QSharedPointer<CnfSignalGroup> group = byAddress.value(member);
            if (group && !groups.contains(group))
                groups.append(group);
        }
    }
    return groups;
}

// The groups in the order of `listed`, those not listed after them by id:
// a timeline keeps its groups in the order of their addresses, which differs
// from run to run.
GroupList inListOrder(const GroupList& groups, const GroupList& listed)
{
    GroupList ordered;
    for (const auto& group : listed) {
        if (group && groups.contains(group))
            ordered.append(group);
    }
    GroupList others;
    for (const auto& group : groups) {
        if (group && !listed.contains(group))
            others.append(group);
    }
    std::stable_sort(others.begin(), others.end(),
                     [](const QSharedPointer<CnfSignalGroup>& a, const QSharedPointer<CnfSignalGroup>& b) {
                         return a->id < b->id;
                     });
    return ordered + others;
}

GroupList groupsWithoutRecord(const CnfController& controller)
{
    GroupList groups;
    const auto listed = controller.signalGroups();
    for (const auto& group : listed) {
        if (!group->interstate)
            groups.append(group);
    }
    return groups;
}

} // namespace

DynamicProgramWriter::DynamicProgramWriter(const CnfController& source)
    : m_source(source)
{
}

QString DynamicProgramWriter::errorString() const
{
    return m_error;
}

QByteArray DynamicProgramWriter::fail(const QString& message)
{
    m_error = message;
    return QByteArray();
}

QByteArray DynamicProgramWriter::write(const QSharedPointer<CnfProgram>& program)
{
    m_error.clear();
    if (!program)
        return fail(QObject::tr("Пустая программа"));
    CnfController blob;
    const auto copy = QSharedPointer<CnfProgram>::create();
    copy->clone(program);
    blob.setProperty("dprog_stop", m_source.property("dprog_stop"));
    if (!addPhases(blob))
        return QByteArray();
    addProgramMatrix(blob, *copy);
    addProgramGroups(blob, *copy);
    if (!checkKind(blob, *copy))
        return QByteArray();
    // The groups are the source's own objects; handing the intergreen record
    // to the temporary controller must not give one to a group that had none.
    const GroupList withoutRecord = groupsWithoutRecord(blob);
    addControllerRecords(blob, copy, program);
    const QByteArray document = blob.save(-1);
    for (const auto& group : withoutRecord)
        group->interstate.reset();
    // A program on phases the controller does not list is added by rebuilding
    // it, which fails when its steps cannot be written.
    if (blob.programs().isEmpty())
        return fail(QObject::tr("Программу %1 не удалось записать").arg(copy->id));
    if (document.isEmpty())
        return fail(blob.lastError());
    return document;
}

// Every phase of the controller goes with the program, with its groups. A
// group that the controller does not list could not be read back.
bool DynamicProgramWriter::addPhases(CnfController& blob)
{
    const auto phases = m_source.phases();
    for (const auto& phase : phases) {
        if (!phase)
            continue;
        for (const auto& group : qAsConst(phase->signalGroups)) {
            if (!group)
                continue;
            const auto listed = m_source.findSG(group->id);
            if (!listed) {
                m_error = QObject::tr("В фазе %1 указана несуществующая сигнальная группа %2").arg(phase->id).arg(group->id);
                return false;
            }
            blob.addSignalGroup(listed);
        }
        blob.addPhase(phase);
    }
    return true;
}

void DynamicProgramWriter::addProgramMatrix(CnfController& blob, CnfProgram& copy)
{
    if (!copy.matrix)
        return;
    const GroupList groups = cellGroups(*copy.matrix, m_source.signalGroups());
    for (const auto& group : groups)
        blob.addSignalGroup(group);
    if (copy.matrix->id() == 0) {
        // Adding a matrix numbers it when it has no number yet: number a copy,
        // not the source's matrix.
        const auto numbered = QSharedPointer<CnfMatrix>::create();
        numbered->clone(copy.matrix);
        copy.matrix = numbered;
    }
    blob.addMatrix(copy.matrix, false, false);
}

// Groups of the program that no phase brought along travel as bare groups:
// id, type and intergreen times.
void DynamicProgramWriter::addProgramGroups(CnfController& blob, CnfProgram& copy)
{
    const GroupList groups = inListOrder(copy.signalGroups(), m_source.signalGroups());
    for (const auto& group : groups) {
        if (blob.findSG(group->id))
            continue;
        const auto bare = QSharedPointer<CnfSignalGroup>::create();
        bare->id = group->id;
        bare->setType(group->getType());
        bare->variantTimes = group->variantTimes;
        blob.addSignalGroup(bare);
    }
    // A timeline is written only for the document's own group objects.
    QMap<QSharedPointer<CnfSignalGroup>, QMap<int, int>> timeline;
    for (auto it = copy.timeline.cbegin(); it != copy.timeline.cend(); ++it) {
        const auto own = it.key() ? blob.findSG(it.key()->id) : QSharedPointer<CnfSignalGroup>();
        if (!own)
            continue;
        for (auto point = it.value().cbegin(); point != it.value().cend(); ++point)
            timeline[own].insert(point.key(), point.value());
    }
    copy.timeline = timeline;
}

bool DynamicProgramWriter::checkKind(CnfController& blob, CnfProgram& copy)
{
    const bool adapter = m_source.property("type").toString() == QLatin1String("adapter");
    if (copy.type == CnfProgram::Off) {
        blob.setProperty("state", QStringLiteral("off"));
    } else if (needsSteps(copy, adapter) && copy.phaseCount() == 0) {
        m_error = QObject::tr("В программе не задано ни одной фазы");
        return false;
    }
    if (copy.type == CnfProgram::MultiRing) {
        // The running controller gets the pattern spelled out; an unusable
        // reference leaves the property as it was.
        const auto pattern = MultiRingPattern::resolve(copy.property("pattern"),
                                                       m_source.getNativeData(QStringLiteral("modules")));
        if (pattern)
            copy.setProperty("pattern", *pattern);
    }
    return true;
}

void DynamicProgramWriter::addControllerRecords(CnfController& blob, const QSharedPointer<CnfProgram>& copy,
                                                const QSharedPointer<CnfProgram>& program)
{
    blob.setInterstate(m_source.interstate());
    blob.addProgram(copy);
    // A copy: the temporary controller clears its conflict matrix when it goes.
    if (const auto conflicts = m_source.conflictMatrix()) {
        const auto own = QSharedPointer<CnfMatrix>::create();
        own->clone(conflicts);
        blob.setConflictMatrix(own);
    }
    QSharedPointer<CnfMatrix> safety = m_source.safetyMatrix();
    if (safety && safety == program->matrix)
        safety = copy->matrix;
    blob.setSafetyMatrix(safety);
    blob.setProperty("version", m_source.property("version"));
    blob.setProperty("type", m_source.property("type"));
}
