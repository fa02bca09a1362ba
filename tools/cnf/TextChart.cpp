#include "TextChart.h"

#include "CnfProgram.h"
#include "CnfSignalGroup.h"
#include "CnfSignalPlan.h"

namespace {

constexpr int LabelWidth = 24;

QString label(const CnfSignalGroup& group)
{
    QString text = QStringLiteral("%1 %2").arg(group.id, 3).arg(group.name.simplified());
    if (text.size() > LabelWidth - 1)
        text = text.left(LabelWidth - 2) + QChar(0x2026);
    return text.leftJustified(LabelWidth);
}

// Second labels every ten seconds.
QString ruler(int width)
{
    QString line(width, QLatin1Char(' '));
    for (int second = 0; second < width; second += 10) {
        const QString number = QString::number(second);
        if (second + number.size() <= width)
            line.replace(second, number.size(), number);
    }
    return line;
}

QString bandLine(const CnfSignalPlan& plan)
{
    const int cycle = plan.cycle();
    QString line(cycle, QLatin1Char(' '));
    const auto bands = plan.bands();
    for (const auto& band : bands) {
        for (int i = 0; i < band.intergreen; ++i)
            line[(band.start + i) % cycle] = QLatin1Char('-');
        const QString id = band.phaseId.isEmpty() ? QStringLiteral("?") : band.phaseId;
        for (int i = 0; i < band.main; ++i)
            line[(band.start + band.intergreen + i) % cycle] = i < id.size() ? id.at(i) : QLatin1Char('=');
    }
    return line;
}

} // namespace

QString TextChart::title(const CnfProgram& program, const CnfSignalPlan& plan)
{
    QString text = tr("program %1").arg(program.id);
    if (!program.name.isEmpty())
        text += QStringLiteral(" (%1)").arg(program.name);
    text += QStringLiteral(", ") + CnfProgram::typeName(program.type, false);
    if (program.type == CnfProgram::NorvakSpecial)
        text += QStringLiteral(" %1").arg(program.nativeType);
    switch (plan.kind()) {
    case CnfSignalPlan::Steps:
    case CnfSignalPlan::Timeline:
        return text + tr(": cycle %1 s, offset %2 s").arg(plan.cycle()).arg(plan.offset());
    case CnfSignalPlan::YellowFlash:
        return text + tr(": flashing amber, no cycle");
    case CnfSignalPlan::AllDark:
        return text + tr(": signals off, no cycle");
    case CnfSignalPlan::NoPlan:
        break;
    }
    return text + tr(": no fixed signal plan");
}

QString TextChart::render(const CnfProgram& program, const CnfSignalPlan& plan)
{
    QString text = title(program, plan) + QLatin1Char('\n');
    const bool cyclic = plan.cycle() > 0;
    const int width = cyclic ? plan.cycle() : NominalWidth;
    if (plan.kind() != CnfSignalPlan::NoPlan) {
        if (cyclic)
            text += QString(LabelWidth, QLatin1Char(' ')) + ruler(width) + QLatin1Char('\n');
        const auto rows = plan.rows();
        for (const auto& row : rows) {
            QString chart;
            for (int i = 0; i < row.changes.size(); ++i) {
                const int end = i + 1 < row.changes.size() ? row.changes.at(i + 1).second : width;
                chart += QString(end - row.changes.at(i).second, CnfSignalPlan::aspectLetter(row.changes.at(i).aspect));
            }
            text += label(*row.group) + chart + QLatin1Char('\n');
        }
        if (!plan.bands().isEmpty())
            text += tr("phases").leftJustified(LabelWidth) + bandLine(plan) + QLatin1Char('\n');
    }
    const auto notes = plan.notes();
    for (const QString& note : notes)
        text += tr("note: %1").arg(note) + QLatin1Char('\n');
    return text;
}
