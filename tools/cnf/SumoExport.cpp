#include "SumoExport.h"

#include <QLocale>
#include <QXmlStreamWriter>

#include "CnfController.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfScheduleCalendar.h"
#include "CnfSignalGroup.h"
#include "CnfSignalPlan.h"
#include "TextChart.h"

namespace {

constexpr int SecondsPerDay = 86400;
constexpr int DaysPerWeek = 7;

QChar stateLetter(CnfSignalPlan::Aspect aspect)
{
    switch (aspect) {
    case CnfSignalPlan::Green:
    case CnfSignalPlan::GreenBlink:
        return QLatin1Char('G');
    case CnfSignalPlan::Amber:
        return QLatin1Char('y');
    case CnfSignalPlan::RedAmber:
        return QLatin1Char('u');
    case CnfSignalPlan::Red:
        return QLatin1Char('r');
    case CnfSignalPlan::FlashingAmber:
        return QLatin1Char('o');
    case CnfSignalPlan::Dark:
        break;
    }
    return QLatin1Char('O');
}

QString clock(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 3600, 2, 10, QLatin1Char('0')).arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

SumoExport::SumoExport(const CnfController& controller)
    : m_controller(controller)
    , m_junctionId(controller.property("number").toString())
{
    if (m_junctionId.isEmpty())
        m_junctionId = QStringLiteral("0");
}

void SumoExport::setJunctionId(const QString& id)
{
    m_junctionId = id;
}

QString SumoExport::junctionId() const
{
    return m_junctionId;
}

void SumoExport::setWeekOf(const QDate& date)
{
    m_weekOf = date;
}

QStringList SumoExport::notes() const
{
    return m_notes;
}

QString SumoExport::state(const CnfSignalPlan& plan, int second)
{
    QString text;
    const int rows = plan.rows().size();
    for (int row = 0; row < rows; ++row)
        text += stateLetter(plan.aspectAt(row, second));
    return text;
}

QStringList SumoExport::linkIndices() const
{
    QStringList lines;
    const auto groups = m_controller.signalGroups();
    for (int index = 0; index < groups.size(); ++index) {
        const CnfSignalGroup& group = *groups.at(index);
        lines.append(QStringLiteral("%1  %2  %3  (%4)")
                         .arg(index)
                         .arg(group.id)
                         .arg(group.name.isEmpty() ? tr("unnamed") : group.name)
                         .arg(CnfSignalGroup::type2String(group.type, false, false)));
    }
    return lines;
}

// SUMO has no blinking green: such seconds show G, and the phase says so.
QString SumoExport::phaseName(const CnfSignalPlan& plan, int second)
{
    QStringList blinking;
    const auto rows = plan.rows();
    for (int row = 0; row < rows.size(); ++row) {
        if (plan.aspectAt(row, second) == CnfSignalPlan::GreenBlink)
            blinking.append(QString::number(rows.at(row).group->id));
    }
    return blinking.isEmpty() ? QString() : tr("green blink %1").arg(blinking.join(QLatin1Char(',')));
}

// The plan from the program's own cycle start on; SUMO shifts it by the
// offset again, so that the states fall on the same seconds of the clock.
QList<SumoExport::Phase> SumoExport::phasesOf(const CnfSignalPlan& plan)
{
    if (plan.cycle() <= 0)
        return {{SteadyPhase, state(plan, 0), QString()}};
    QList<Phase> phases;
    for (int step = 0; step < plan.cycle(); ++step) {
        const int second = plan.offset() + step;
        const QString now = state(plan, second);
        const QString name = phaseName(plan, second);
        if (!phases.isEmpty() && phases.last().state == now && phases.last().name == name)
            ++phases.last().duration;
        else
            phases.append({1, now, name});
    }
    return phases;
}

// XML comments cannot hold "--".
QString SumoExport::comment(const QString& text)
{
    QString safe = text;
    while (safe.contains(QLatin1String("--")))
        safe.replace(QLatin1String("--"), QLatin1String("- -"));
    return QLatin1Char(' ') + safe + QLatin1Char(' ');
}

QByteArray SumoExport::write()
{
    m_notes.clear();
    QByteArray data;
    QXmlStreamWriter xml(&data);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(4);
    xml.writeStartDocument();
    xml.writeComment(comment(tr("Signal plans of controller %1 for junction \"%2\", written by cnf.")
                                 .arg(m_controller.property("number").toString(), m_junctionId)));
    const auto groups = m_controller.signalGroups();
    for (int index = 0; index < groups.size(); ++index) {
        const CnfSignalGroup& group = *groups.at(index);
        xml.writeComment(comment(tr("state index %1: signal group %2 \"%3\" (%4)")
                                     .arg(index)
                                     .arg(group.id)
                                     .arg(group.name, CnfSignalGroup::type2String(group.type, false, false))));
    }
    xml.writeStartElement(QStringLiteral("additional"));
    xml.writeAttribute(QStringLiteral("xmlns:xsi"), QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"));
    xml.writeAttribute(QStringLiteral("xsi:noNamespaceSchemaLocation"), QStringLiteral("http://sumo.dlr.de/xsd/additional_file.xsd"));

    QStringList exported;
    const auto programs = m_controller.programs();
    for (const auto& program : programs) {
        const CnfSignalPlan plan = CnfSignalPlan::of(m_controller, *program);
        if (plan.kind() == CnfSignalPlan::NoPlan) {
            m_notes.append(tr("not exported: %1")
                               .arg(TextChart::title(*program, plan)));
            continue;
        }
        const auto planNotes = plan.notes();
        for (const QString& note : planNotes)
            m_notes.append(tr("program %1: %2").arg(program->id, note));
        exported.append(program->id);
        xml.writeComment(comment(TextChart::title(*program, plan)));
        xml.writeStartElement(QStringLiteral("tlLogic"));
        xml.writeAttribute(QStringLiteral("id"), m_junctionId);
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("static"));
        xml.writeAttribute(QStringLiteral("programID"), program->id);
        xml.writeAttribute(QStringLiteral("offset"), QString::number(plan.offset()));
        const auto phases = phasesOf(plan);
        for (const Phase& phase : phases) {
            xml.writeEmptyElement(QStringLiteral("phase"));
            xml.writeAttribute(QStringLiteral("duration"), QString::number(phase.duration));
            xml.writeAttribute(QStringLiteral("state"), phase.state);
            if (!phase.name.isEmpty())
                xml.writeAttribute(QStringLiteral("name"), phase.name);
        }
        xml.writeEndElement();
    }
    if (exported.isEmpty())
        return QByteArray();
    if (m_weekOf.isValid())
        writeWaut(xml, exported);
    xml.writeEndElement();
    xml.writeEndDocument();
    return data;
}

void SumoExport::writeWaut(QXmlStreamWriter& xml, const QStringList& exported)
{
    QString startProgram; // the program the simulation starts with
    QString current;
    QList<QPair<qint64, QString>> switches;
    for (int day = 0; day < DaysPerWeek; ++day) {
        const QDate date = m_weekOf.addDays(day);
        const CnfScheduleCalendar::Day card = CnfScheduleCalendar::dayOf(m_controller, date);
        if (!card.dayCard) {
            m_notes.append(tr("%1: no daily card applies; the program before keeps running").arg(date.toString(Qt::ISODate)));
            continue;
        }
        const auto periods = CnfScheduleCalendar::periodsOf(*card.dayCard);
        for (const auto& period : periods) {
            const QString at = QStringLiteral("%1 %2").arg(date.toString(Qt::ISODate), clock(period.from));
            if (!period.program) {
                m_notes.append(tr("%1: no program scheduled; the program before keeps running").arg(at));
                continue;
            }
            const QString id = period.program->id;
            if (!exported.contains(id)) {
                m_notes.append(tr("%1: program %2 has no signal plan; the program before keeps running").arg(at, id));
                continue;
            }
            if (current.isEmpty())
                startProgram = current = id;
            else if (id != current)
                switches.append({qint64(day) * SecondsPerDay + period.from, current = id});
        }
    }
    if (current.isEmpty()) {
        m_notes.append(tr("no WAUT written: the week from %1 schedules no exported program").arg(m_weekOf.toString(Qt::ISODate)));
        return;
    }
    const QString wautId = m_junctionId + QLatin1String("_week");
    xml.writeComment(comment(tr("the schedule of the seven days from %1 (%2); second 0 is 00:00 of that day")
                                 .arg(m_weekOf.toString(Qt::ISODate), QLocale::c().dayName(m_weekOf.dayOfWeek()))));
    xml.writeStartElement(QStringLiteral("WAUT"));
    xml.writeAttribute(QStringLiteral("id"), wautId);
    xml.writeAttribute(QStringLiteral("refTime"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("startProg"), startProgram);
    for (const auto& change : qAsConst(switches)) {
        xml.writeEmptyElement(QStringLiteral("wautSwitch"));
        xml.writeAttribute(QStringLiteral("time"), QString::number(change.first));
        xml.writeAttribute(QStringLiteral("to"), change.second);
    }
    xml.writeEndElement();
    xml.writeEmptyElement(QStringLiteral("wautJunction"));
    xml.writeAttribute(QStringLiteral("wautID"), wautId);
    xml.writeAttribute(QStringLiteral("junctionID"), m_junctionId);
}
