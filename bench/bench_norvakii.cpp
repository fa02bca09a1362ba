// Writing a large NorvakII configuration, against Qt's own JSON printer on
// the same document: the key-order printer should stay within a few times
// of it, and both grow linearly with the size of the configuration.
#include <benchmark/benchmark.h>

#include <QJsonDocument>

#include "cnf.h"

namespace {

// `size` signal groups and stages, every pair of groups in the intergreen
// matrix, fixed and timeline programs over all stages, a day card per
// program and a week.
void build(CnfController& controller, int size)
{
    QList<QSharedPointer<CnfSignalGroup>> groups;
    for (int id = 1; id <= size; ++id) {
        auto group = QSharedPointer<CnfSignalGroup>::create();
        group->id = id;
        group->name = QStringLiteral("Group \"%1\"").arg(id);
        group->setType(CnfSignalGroup::Transport);
        group->setProperty("minGreen", 5);
        controller.addSignalGroup(group);
        groups.append(group);
        auto phase = QSharedPointer<CnfPhase>::create();
        phase->id = QString::number(id);
        phase->name = QStringLiteral("Stage %1").arg(id);
        phase->signalGroups = {group};
        controller.addPhase(phase);
    }
    auto matrix = QSharedPointer<CnfMatrix>::create();
    matrix->setId(1);
    for (const auto& on : groups) {
        for (const auto& off : groups) {
            if (on != off)
                matrix->setReleaf(on, off, 3.5);
        }
    }
    controller.addMatrix(matrix, true);
    for (int id = 1; id <= size; ++id) {
        auto program = QSharedPointer<CnfProgram>::create();
        program->id = QString::number(id);
        program->type = id % 2 ? CnfProgram::Timer : CnfProgram::Timeline;
        program->cycleTime = 20 * size;
        for (int step = 0; step < size; ++step) {
            if (program->type == CnfProgram::Timer) {
                program->appendPhaseFl(controller.phases().at(step), 20);
            } else {
                program->setTimelineData(groups.at(step), 20 * step, CnfSignalGroup::Green);
                program->setTimelineData(groups.at(step), 20 * step + 15, CnfSignalGroup::Red);
            }
        }
        controller.addProgram(program);
        auto card = QSharedPointer<CnfDayCard>::create();
        card->id = program->id;
        card->addRecord(QTime(6, 0), program, nullptr);
        controller.addDayCard(card);
    }
    auto week = QSharedPointer<CnfWeekCard>::create();
    week->id = QStringLiteral("1");
    week->days.insert(Qt::Monday, controller.dayCards().first());
    controller.addWeekCard(week);
}

void BM_Save(benchmark::State& state)
{
    CnfController controller;
    build(controller, int(state.range(0)));
    NorvakIIConfig config;
    for (auto _ : state)
        benchmark::DoNotOptimize(config.save(controller));
    state.SetComplexityN(state.range(0) * state.range(0));
}
BENCHMARK(BM_Save)->RangeMultiplier(2)->Range(8, 64)->Complexity(benchmark::oN);

// The written document, printed by the key-order printer alone and by Qt's.
QVariantMap document(int size)
{
    CnfController controller;
    build(controller, size);
    return QJsonDocument::fromJson(NorvakIIConfig().save(controller)).toVariant().toMap();
}

void BM_Humanized(benchmark::State& state)
{
    const QVariantMap data = document(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(NorvakIIConfig::humanized(data));
    state.SetComplexityN(state.range(0) * state.range(0));
}
BENCHMARK(BM_Humanized)->RangeMultiplier(2)->Range(8, 64)->Complexity(benchmark::oN);

void BM_QJsonDocument(benchmark::State& state)
{
    const QVariantMap data = document(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(QJsonDocument::fromVariant(data).toJson(QJsonDocument::Indented));
    state.SetComplexityN(state.range(0) * state.range(0));
}
BENCHMARK(BM_QJsonDocument)->RangeMultiplier(2)->Range(8, 64)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
