#include "BenchController.h"

#include <QDate>
#include <QHash>
#include <QTime>
#include <QVariant>

#include "CnfController.h"
#include "CnfDetector.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "NorvakIIConfig.h"
#include "ZT_LOOMConfig.h"

namespace BenchController {

namespace {

using Groups = QList<QSharedPointer<CnfSignalGroup>>;

const CnfSignalGroup::Type GroupTypes[] = {
    CnfSignalGroup::Transport, CnfSignalGroup::Pedestrian, CnfSignalGroup::Arrow,
    CnfSignalGroup::Tram,      CnfSignalGroup::Transport,  CnfSignalGroup::Table,
};

const CnfProgram::Type ProgramKinds[] = {
    CnfProgram::Timer,      CnfProgram::Coord,         CnfProgram::StageRing,   CnfProgram::Timeline,
    CnfProgram::TimelineCoord, CnfProgram::MultiRing,  CnfProgram::Pedestrian,  CnfProgram::JavaScript,
    CnfProgram::Passive,    CnfProgram::Off,           CnfProgram::YellowFlash, CnfProgram::NorvakSpecial,
};

void addGroups(CnfController& controller, int n)
{
    for (int i = 0; i < n; ++i) {
        auto group = QSharedPointer<CnfSignalGroup>::create();
        group->id = i + 1;
        group->name = QStringLiteral("SG %1").arg(i + 1);
        group->setType(GroupTypes[i % 6]);
        if (i % 4 == 0)
            group->detectors = {i / 4 + 1};
        if (i % 3 == 0)
            group->setProperty("amber", 3);
        if (i % 5 == 0)
            group->variantTimes.insert(1, CnfSGTimes{1, 3, 3, 1, 2, 0});
        controller.addSignalGroup(group);
    }
}

void addDevices(CnfController& controller, int n)
{
    const Groups groups = controller.signalGroups();
    for (int i = 0; i < n / 2; ++i) {
        auto device = QSharedPointer<CnfPowerDevice>::create();
        device->id = i + 1;
        device->address = i;
        device->name = QStringLiteral("Key %1").arg(i + 1);
        device->type = CnfPowerDevice::Key;
        device->color = i % 3;
        device->lampCount = 2;
        device->controlledLamps = 2;
        controller.addPowerDevice(device);
        groups.at(2 * i)->assignDevice(device);
    }
}

void addDetectors(CnfController& controller, int n, Target target)
{
    for (int i = 0; i < n / 4; ++i) {
        auto detector = QSharedPointer<CnfDetector>::create();
        detector->setId(i + 1);
        detector->setName(QStringLiteral("Loop %1").arg(i + 1));
        controller.addDetector(detector);
    }
    for (int i = 0; i < (target == Target::ZtLoom ? 0 : n / 8); ++i) {
        auto sensor = QSharedPointer<CnfDetector>::create();
        sensor->setId(i + 1);
        sensor->setName(QStringLiteral("Sensor %1").arg(i + 1));
        sensor->setSensor(true);
        controller.addSensor(sensor);
    }
}

// Groups i and i±1..±5 (around the ring) conflict; the intergreen matrix has
// a time on the same pairs.
void addMatrices(CnfController& controller, int n)
{
    const Groups groups = controller.signalGroups();
    auto intergreen = QSharedPointer<CnfMatrix>::create();
    intergreen->setId(1);
    intergreen->setName(QStringLiteral("Main"));
    const auto conflicts = controller.conflictMatrix();
    for (int i = 0; i < n; ++i) {
        for (int distance = 1; distance <= 5; ++distance) {
            for (int j : {(i + distance) % n, (i - distance + n) % n}) {
                if (j == i)
                    continue;
                conflicts->setReleaf(groups.at(i), groups.at(j), 0.0);
                intergreen->setReleaf(groups.at(i), groups.at(j), 3 + (i + j) % 5);
            }
        }
    }
    controller.addMatrix(intergreen, true);
}

// Phase p holds 2-6 groups seven apart, so that none of them conflict.
void addPhases(CnfController& controller, int n)
{
    const Groups groups = controller.signalGroups();
    for (int p = 0; p < n; ++p) {
        auto phase = QSharedPointer<CnfPhase>::create();
        phase->id = QString::number(p + 1);
        phase->name = QStringLiteral("Stage %1").arg(p + 1);
        phase->minLength = 5;
        phase->maxLength = 120;
        for (int k = 0; k < 2 + p % 5; ++k)
            phase->signalGroups.append(groups.at((p + 7 * k) % n));
        controller.addPhase(phase);
    }
}

QSharedPointer<CnfProgram> program(CnfController& controller, int index, CnfProgram::Type kind)
{
    const auto phases = controller.phases();
    const int n = phases.size();
    auto p = QSharedPointer<CnfProgram>::create();
    p->id = QString::number(index + 1);
    p->name = QStringLiteral("Plan %1").arg(index + 1);
    p->type = kind;
    const int steps = 2 + index % 7;
    switch (kind) {
    case CnfProgram::Off:
    case CnfProgram::YellowFlash:
        break;
    case CnfProgram::NorvakSpecial: {
        QByteArray data(63, char(0xFF));
        data[0] = char(index + 1);
        data[1] = 0;
        p->setData(data);
        break;
    }
    case CnfProgram::Timeline:
    case CnfProgram::TimelineCoord: {
        const auto groups = phases.at(index % n)->signalGroups;
        for (int s = 0; s < steps; ++s) {
            for (const auto& group : groups)
                p->setTimelineData(group, 10 * s, s % 2 ? CnfSignalGroup::Red : CnfSignalGroup::Green);
        }
        p->cycleTime = 10 * steps + 10;
        break;
    }
    default:
        for (int s = 0; s < steps; ++s)
            p->appendPhase(phases.at((index + 3 * s) % n), 10 + (index + s) % 30);
        break;
    }
    if (p->isCoordinated())
        p->setCycleOffset(index % 17);
    if (index % 4 == 0)
        p->matrix = controller.findMatrix(1);
    if (index % 6 == 1)
        p->setProperty("note", QStringLiteral("peak %1").arg(index));
    return p;
}

void addPrograms(CnfController& controller, int n, Target target)
{
    int index = 0;
    for (int made = 0; made < n / 2; ++index) {
        CnfProgram::Type kind = ProgramKinds[index % 12];
        if (target != Target::Project && kind == CnfProgram::NorvakSpecial)
            continue;
        if (target == Target::ZtLoom
            && (kind == CnfProgram::Off || kind == CnfProgram::Timer || kind == CnfProgram::Coord))
            continue;
        // A raw record numbers its program in one signed byte.
        if (kind == CnfProgram::NorvakSpecial && made + 1 > 127)
            kind = CnfProgram::Timer;
        controller.addProgram(program(controller, made, kind));
        ++made;
    }
    controller.createTransitionsFromPrograms();
    const auto programs = controller.programs();
    controller.setDefaultProgram(programs.first());
}

void addSchedule(CnfController& controller, int n)
{
    const auto programs = controller.programs();
    for (int c = 0; c < qMax(1, n / 4); ++c) {
        auto card = QSharedPointer<CnfDayCard>::create();
        card->id = QString::number(c + 1);
        card->name = QStringLiteral("Day %1").arg(c + 1);
        for (int r = 0; r < 2 + c % 5; ++r) {
            const auto reserve = r % 2 ? programs.at((c + r + 1) % programs.size()) : QSharedPointer<CnfProgram>();
            card->addRecord(QTime(4 * r, 15 * (c % 4)), programs.at((c * 3 + r) % programs.size()), reserve);
        }
        controller.addDayCard(card);
    }
    const auto days = controller.dayCards();
    for (int w = 0; w < 3 + n / 100; ++w) {
        auto week = QSharedPointer<CnfWeekCard>::create();
        week->id = QString::number(w + 1);
        week->name = QStringLiteral("Week %1").arg(w + 1);
        for (int d = Qt::Monday; d <= Qt::Sunday; ++d)
            week->days.insert(Qt::DayOfWeek(d), days.at((w * 7 + d) % days.size()));
        controller.addWeekCard(week);
    }
    const QDate newYear(2024, 1, 1);
    for (int s = 0; s < qMin(300, n); ++s) {
        auto special = QSharedPointer<CnfSpecialDay>::create();
        special->id = QString::number(s + 1);
        special->dayCard = days.at(s % days.size());
        controller.addSpecialDay(newYear.addDays(s), special);
    }
    const auto weeks = controller.weekCards();
    const int plans = 2 + n / 200;
    for (int s = 0; s < plans; ++s) {
        auto plan = QSharedPointer<CnfSeasonPlan>::create();
        plan->id = QString::number(s + 1);
        plan->from = newYear.addDays(s * 365 / plans);
        plan->to = newYear.addDays((s + 1) * 365 / plans - 1);
        plan->weekCard = weeks.at(s % weeks.size());
        controller.addSeasonPlan(plan);
    }
}

// About `n` entries: n/10 records of ten settings each.
void addNativeData(CnfController& controller, int n)
{
    QVariantMap tree;
    for (int r = 0; r < qMax(1, n / 10); ++r) {
        QVariantMap record;
        record.insert(QStringLiteral("enabled"), r % 2 == 0);
        record.insert(QStringLiteral("channel"), r);
        record.insert(QStringLiteral("label"), QStringLiteral("Channel %1").arg(r));
        record.insert(QStringLiteral("gain"), 0.5 * r);
        record.insert(QStringLiteral("inputs"), QVariantList{r, r + 1, r + 2, r + 3});
        record.insert(QStringLiteral("mode"), QStringLiteral("auto"));
        tree.insert(QStringLiteral("rec%1").arg(r, 5, 10, QLatin1Char('0')), record);
    }
    controller.setNativeData(QStringLiteral("benchSettings"), tree);
}

} // namespace

void build(CnfController& controller, int n, Target target)
{
    controller.setProperty("number", 42);
    controller.setProperty("description", QStringLiteral("Bench crossing %1").arg(n));
    addGroups(controller, n);
    addDevices(controller, n);
    addDetectors(controller, n, target);
    addMatrices(controller, n);
    addPhases(controller, n);
    addPrograms(controller, n, target);
    addSchedule(controller, n);
    addNativeData(controller, n);
}

QByteArray projectDocument(int n)
{
    static QHash<int, QByteArray> documents;
    if (!documents.contains(n)) {
        CnfController controller;
        build(controller, n, Target::Project);
        documents.insert(n, controller.save(1));
    }
    return documents.value(n);
}

QByteArray norvakIIDocument(int n)
{
    static QHash<int, QByteArray> documents;
    if (!documents.contains(n)) {
        CnfController controller;
        build(controller, n, Target::NorvakII);
        documents.insert(n, NorvakIIConfig().save(controller));
    }
    return documents.value(n);
}

QByteArray ztLoomDocument(int n)
{
    static QHash<int, QByteArray> documents;
    if (!documents.contains(n)) {
        CnfController controller;
        build(controller, n, Target::ZtLoom);
        documents.insert(n, ZT_LOOMConfig().save(controller));
    }
    return documents.value(n);
}

} // namespace BenchController
