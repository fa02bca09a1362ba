// Builds a small crossroads controller with the model API and prints what it
// holds: its groups, its phases and the intergreen of every program step.
#include <QTextStream>

#include "cnf.h"

static QSharedPointer<CnfSignalGroup> makeGroup(int id, const QString& name, CnfSignalGroup::Type type)
{
    auto sg = QSharedPointer<CnfSignalGroup>::create();
    sg->id = id;
    sg->name = name;
    sg->type = type;
    return sg;
}

static QSharedPointer<CnfPhase> makePhase(const QString& id, const QList<QSharedPointer<CnfSignalGroup>>& groups)
{
    auto phase = QSharedPointer<CnfPhase>::create();
    phase->id = id;
    phase->signalGroups = groups;
    return phase;
}

int main()
{
    QTextStream out(stdout);
    out.setCodec("UTF-8");

    CnfController controller;
    controller.setProperty("number", 17);
    controller.setProperty("description", QStringLiteral("Main St / Station Rd"));

    auto interstate = QSharedPointer<CnfInterstate>::create();
    interstate->greenBlink = 3;
    interstate->yellow = 3;
    interstate->redYellow = 2;
    controller.setInterstate(interstate);

    const auto north = makeGroup(1, QStringLiteral("Main St"), CnfSignalGroup::Transport);
    const auto east = makeGroup(2, QStringLiteral("Station Rd"), CnfSignalGroup::Transport);
    const auto walk = makeGroup(3, QStringLiteral("Crossing"), CnfSignalGroup::Pedestrian);
    for (const auto& sg : {north, east, walk})
        controller.addSignalGroup(sg);

    auto conflicts = controller.conflictMatrix();
    conflicts->setReleaf(north, east, 0);
    conflicts->setReleaf(east, north, 0);
    conflicts->setReleaf(walk, east, 0);
    conflicts->setReleaf(east, walk, 0);

    auto intergreen = QSharedPointer<CnfMatrix>::create();
    intergreen->setName(QStringLiteral("Intergreen"));
    intergreen->setReleaf(east, north, 5);
    intergreen->setReleaf(north, east, 6);
    intergreen->setReleaf(east, walk, 8);
    controller.addMatrix(intergreen, true, false);

    const auto mainPhase = makePhase(QStringLiteral("1"), {north, walk});
    const auto sidePhase = makePhase(QStringLiteral("2"), {east});
    controller.addPhase(mainPhase);
    controller.addPhase(sidePhase);

    auto program = QSharedPointer<CnfProgram>::create();
    program->name = QStringLiteral("Day");
    program->type = CnfProgram::Timer;
    program->appendPhase(mainPhase, 30);
    program->appendPhase(sidePhase, 20);
    controller.addProgram(program);
    program->cycle(true);

    out << "Controller " << controller.property("number").toString() << ": "
        << controller.property("description").toString() << "\n";
    out << "Signal groups:\n";
    for (const auto& sg : controller.signalGroups())
        out << "  " << sg->friendlyName() << "  yellow " << sg->yellow(0) << " s, red-yellow "
            << sg->redYellow(0) << " s\n";
    out << "Phases:\n";
    for (const auto& phase : controller.phases()) {
        QStringList groups;
        for (const auto& sg : phase->signalGroups)
            groups << QString::number(sg->id);
        out << "  " << phase->friendlyName() << ": groups " << groups.join(QLatin1Char(',')) << "\n";
    }
    for (const auto& prog : controller.programs()) {
        out << "Program " << prog->id << " (" << CnfProgram::typeName(prog->type, false) << "), cycle "
            << prog->cycle(false) << " s:\n";
        for (const auto& step : prog->phases())
            out << "  phase " << step->id() << ": starts at " << step->start() << " s, green "
                << step->length() << " s, intergreen " << step->phaseInterstate() << " s\n";
    }
    return 0;
}
