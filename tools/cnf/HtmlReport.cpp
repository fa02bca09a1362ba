#include "HtmlReport.h"

#include <QDate>
#include <QLocale>
#include <QSet>

#include <cmath>

#include "CnfController.h"
#include "CnfMatrix.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfScheduleCalendar.h"
#include "CnfSignalGroup.h"
#include "CnfSignalPlan.h"
#include "ConfigFile.h"
#include "CnfFinding.h"
#include "ModelSummary.h"
#include "CnfSafetyReview.h"
#include "SvgDiagram.h"

namespace {

using GroupList = QList<QSharedPointer<CnfSignalGroup>>;

// Light colours that stay apart in print; cards and programs take them in
// the order of the model.
const char* const Palette[] = {"#8dd3c7", "#ffe680", "#bebada", "#fb8072", "#80b1d3", "#fdb462",
                               "#b3de69", "#fccde5", "#c8c8c8", "#bc80bd", "#ccebc5", "#e5c494"};
constexpr int PaletteSize = int(sizeof(Palette) / sizeof(Palette[0]));

const char* const Style = R"(
@page { size: A4; margin: 12mm; }
* { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 10pt; color: #222; background: #fff; margin: 0 auto; max-width: 186mm; }
h1 { font-size: 16pt; margin: 0 0 4mm; }
h2 { font-size: 13pt; border-bottom: 1px solid #999; margin: 6mm 0 2mm; break-after: avoid; }
h3 { font-size: 11pt; margin: 4mm 0 1mm; break-after: avoid; }
pre { font-size: 8.5pt; background: #f6f6f6; padding: 2mm; white-space: pre-wrap; }
svg { max-width: 100%; height: auto; }
.program, .daycard, .matrix-block { break-inside: avoid; }
table { border-collapse: collapse; }
table.findings td, table.findings th { border: 1px solid #bbb; padding: 1mm 2mm; text-align: left; vertical-align: top; }
.error { color: #a00; font-weight: bold; }
.warning { color: #a60; font-weight: bold; }
table.matrix { font-size: 8pt; }
table.matrix th, table.matrix td { border: 1px solid #bbb; min-width: 6mm; height: 5mm; text-align: center; padding: 0 1mm; }
table.matrix th { background: #eee; }
table.matrix td.conflict { background: #f4c7c3; }
table.matrix td.missing { background: #d62728; color: #fff; font-weight: bold; }
table.matrix td.self { background: #ddd; }
.calendar { display: grid; grid-template-columns: repeat(4, 1fr); gap: 3mm; }
table.month { font-size: 7.5pt; width: 100%; align-self: start; }
table.month caption { font-weight: bold; }
table.month th { font-weight: normal; color: #666; }
table.month td { text-align: center; border: 1px solid #fff; height: 4.5mm; }
table.month td.special { outline: 1.5px solid #222; outline-offset: -2px; font-weight: bold; }
.legend span.swatch { display: inline-block; width: 4mm; height: 3mm; border: 1px solid #999; margin: 0 1mm 0 3mm; vertical-align: middle; }
)";

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

QString colour(int index)
{
    return index < 0 ? QStringLiteral("#ffffff") : QLatin1String(Palette[index % PaletteSize]);
}

QString named(const QString& id, const QString& name)
{
    return name.isEmpty() ? id : QStringLiteral("%1 (%2)").arg(id, name);
}

class Page
{
public:
    Page(const ConfigFile& file, int year)
        : m_file(file)
        , m_controller(file.controller())
        , m_year(year)
    {
        const auto programs = m_controller.programs();
        for (const auto& program : programs) {
            if (program)
                m_programs.append(program);
        }
        const auto cards = m_controller.dayCards();
        for (const auto& card : cards) {
            if (card)
                m_cards.append(card);
        }
    }

    QString render()
    {
        const QString description = m_controller.property("description").toString();
        const QString title = description.isEmpty() ? m_file.fileName() : description;
        m_html += QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>%1</title>\n<style>%2</style>\n</head><body>\n")
                      .arg(escaped(HtmlReport::tr("Configuration %1").arg(title)), QLatin1String(Style));
        m_html += QStringLiteral("<h1>%1</h1>\n").arg(escaped(HtmlReport::tr("Configuration %1").arg(title)));
        writeSummary();
        writeFindings();
        writePrograms();
        writeMatrices();
        writeDayCards();
        writeCalendar();
        m_html += QStringLiteral("</body></html>\n");
        return m_html;
    }

private:
    void heading(const QString& text) { m_html += QStringLiteral("<h2>%1</h2>\n").arg(escaped(text)); }

    void writeSummary()
    {
        heading(HtmlReport::tr("Summary"));
        m_html += QStringLiteral("<pre class=\"summary\">%1</pre>\n").arg(escaped(ModelSummary::toText(ModelSummary::of(m_file))));
    }

    void writeFindings()
    {
        heading(HtmlReport::tr("Safety review"));
        const QList<CnfFinding> findings = CnfSafetyReview(m_controller).run();
        if (findings.isEmpty()) {
            m_html += QStringLiteral("<p class=\"findings-none\">%1</p>\n").arg(escaped(HtmlReport::tr("No problems found.")));
            return;
        }
        m_html += QStringLiteral("<table class=\"findings\"><tr><th>%1</th><th>%2</th><th>%3</th></tr>\n")
                      .arg(escaped(HtmlReport::tr("severity")), escaped(HtmlReport::tr("code")), escaped(HtmlReport::tr("finding")));
        for (const CnfFinding& finding : findings) {
            const QString severity = CnfFinding::severityName(finding.severity);
            m_html += QStringLiteral("<tr class=\"finding\"><td class=\"%1\">%1</td><td>%2</td><td>%3</td></tr>\n")
                          .arg(escaped(severity), escaped(finding.code), escaped(finding.message));
        }
        m_html += QStringLiteral("</table>\n");
    }

    void writePrograms()
    {
        heading(HtmlReport::tr("Signal plans"));
        if (m_programs.isEmpty())
            m_html += QStringLiteral("<p>%1</p>\n").arg(escaped(HtmlReport::tr("No programs.")));
        for (int i = 0; i < m_programs.size(); ++i) {
            const CnfProgram& program = *m_programs.at(i);
            m_html += QStringLiteral("<div class=\"program\">\n");
            m_html += SvgDiagram::render(program, CnfSignalPlan::of(m_controller, program), QStringLiteral("p%1").arg(i + 1), false);
            m_html += QStringLiteral("\n</div>\n");
        }
    }

    // --- Matrices ---

    bool conflicting(const QSharedPointer<CnfSignalGroup>& a, const QSharedPointer<CnfSignalGroup>& b) const
    {
        const auto conflicts = m_controller.conflictMatrix();
        return conflicts && (!std::isnan(conflicts->releaf(a, b)) || !std::isnan(conflicts->releaf(b, a)));
    }

    // Rows: the group that loses green; columns: the group that gets green.
    void writeMatrix(const CnfMatrix& matrix, bool conflictMatrix)
    {
        const GroupList groups = m_controller.signalGroups();
        const QString kind = conflictMatrix ? HtmlReport::tr("Conflict matrix") : HtmlReport::tr("Intergreen matrix");
        m_html += QStringLiteral("<div class=\"matrix-block\"><h3>%1</h3>\n").arg(escaped(
                      QStringLiteral("%1 %2").arg(kind, named(QString::number(matrix.id()), matrix.name()))));
        m_html += QStringLiteral("<table class=\"matrix\" data-matrix=\"%1\" data-kind=\"%2\">\n<tr><th>%3</th>")
                      .arg(matrix.id())
                      .arg(conflictMatrix ? QStringLiteral("conflict") : QStringLiteral("intergreen"),
                           escaped(HtmlReport::tr("from \\ to")));
        for (const auto& group : groups)
            m_html += QStringLiteral("<th>%1</th>").arg(group->id);
        m_html += QStringLiteral("</tr>\n");
        for (const auto& off : groups) {
            m_html += QStringLiteral("<tr><th>%1</th>").arg(off->id);
            for (const auto& on : groups) {
                const double value = matrix.releaf(on, off);
                const bool conflict = conflicting(on, off);
                QString cellClass;
                QString content;
                if (on == off) {
                    cellClass = QStringLiteral("self");
                } else if (conflictMatrix) {
                    if (!std::isnan(value)) {
                        cellClass = QStringLiteral("conflict");
                        content = QStringLiteral("&#215;");
                    }
                } else if (!std::isnan(value)) {
                    cellClass = conflict ? QStringLiteral("conflict") : QString();
                    content = QString::number(value, 'g', 4);
                } else if (conflict) {
                    cellClass = QStringLiteral("missing");
                    content = QStringLiteral("!");
                }
                m_html += cellClass.isEmpty() ? QStringLiteral("<td>%1</td>").arg(content)
                                              : QStringLiteral("<td class=\"%1\">%2</td>").arg(cellClass, content);
            }
            m_html += QStringLiteral("</tr>\n");
        }
        m_html += QStringLiteral("</table></div>\n");
    }

    void writeMatrices()
    {
        heading(HtmlReport::tr("Matrices"));
        m_html += QStringLiteral("<p>%1</p>\n").arg(escaped(
            HtmlReport::tr("Rows: the group that loses green; columns: the group that gets green. Shaded cells are "
                           "conflicting pairs; a red cell with ! is a conflicting pair without an intergreen time.")));
        if (const auto conflicts = m_controller.conflictMatrix())
            writeMatrix(*conflicts, true);
        QList<QSharedPointer<CnfMatrix>> matrices = m_controller.matrixList();
        for (const auto& program : qAsConst(m_programs)) {
            if (program->matrix && !matrices.contains(program->matrix))
                matrices.append(program->matrix);
        }
        for (const auto& matrix : qAsConst(matrices)) {
            if (matrix && matrix != m_controller.conflictMatrix())
                writeMatrix(*matrix, false);
        }
    }

    // --- Schedule ---

    int programIndex(const QSharedPointer<CnfProgram>& program) const { return program ? m_programs.indexOf(program) : -1; }

    void writeDayCards()
    {
        heading(HtmlReport::tr("Daily cards"));
        if (m_cards.isEmpty())
            m_html += QStringLiteral("<p>%1</p>\n").arg(escaped(HtmlReport::tr("No daily cards.")));
        for (const auto& card : qAsConst(m_cards)) {
            m_html += QStringLiteral("<div class=\"daycard\" data-card=\"%1\"><h3>%2</h3>\n")
                          .arg(escaped(card->id), escaped(HtmlReport::tr("Daily card %1").arg(named(card->id, card->name))));
            m_html += dayBar(CnfScheduleCalendar::periodsOf(*card));
            m_html += QStringLiteral("</div>\n");
        }
        if (m_programs.isEmpty())
            return;
        m_html += QStringLiteral("<p class=\"legend\">%1").arg(escaped(HtmlReport::tr("Programs:")));
        for (int i = 0; i < m_programs.size(); ++i) {
            m_html += QStringLiteral("<span class=\"swatch\" style=\"background:%1\"></span>%2")
                          .arg(colour(i), escaped(named(m_programs.at(i)->id, m_programs.at(i)->name)));
        }
        m_html += QStringLiteral("</p>\n");
    }

    // 24 hours, 30 units an hour.
    QString dayBar(const QList<CnfScheduleCalendar::Period>& periods) const
    {
        constexpr int Left = 10, Top = 4, Height = 22, HourWidth = 28;
        QString svg = QStringLiteral("<svg class=\"daybar\" xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"48\" "
                                     "viewBox=\"0 0 %1 48\" font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"9\">\n")
                          .arg(2 * Left + 24 * HourWidth);
        for (const auto& period : periods) {
            const double x = Left + period.from * HourWidth / 3600.0;
            const double width = (period.to - period.from) * HourWidth / 3600.0;
            const int index = programIndex(period.program);
            svg += QStringLiteral("<rect class=\"period\" x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\" stroke=\"#666\" stroke-width=\"0.5\"/>")
                       .arg(x, 0, 'f', 2).arg(Top).arg(width, 0, 'f', 2).arg(Height).arg(period.program ? colour(index) : QStringLiteral("#ffffff"));
            if (period.program && width >= 14) {
                svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>")
                           .arg(x + width / 2, 0, 'f', 2).arg(Top + 15).arg(escaped(period.program->id));
            }
            svg += QLatin1Char('\n');
        }
        for (int hour = 0; hour <= 24; ++hour) {
            const int x = Left + hour * HourWidth;
            svg += QStringLiteral("<path d=\"M%1 %2v4\" stroke=\"#444\"/>").arg(x).arg(Top + Height);
            if (hour % 2 == 0)
                svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>").arg(x).arg(Top + Height + 14).arg(hour);
        }
        return svg + QStringLiteral("\n</svg>\n");
    }

    void writeCalendar()
    {
        heading(HtmlReport::tr("Year %1").arg(m_year));
        const auto days = CnfScheduleCalendar::yearOf(m_controller, m_year);
        const QLocale locale = QLocale::c();
        m_html += QStringLiteral("<div class=\"calendar\">\n");
        int index = 0;
        for (int month = 1; month <= 12; ++month) {
            m_html += QStringLiteral("<table class=\"month\"><caption>%1</caption>\n<tr>").arg(escaped(locale.monthName(month)));
            for (int weekday = 1; weekday <= 7; ++weekday)
                m_html += QStringLiteral("<th>%1</th>").arg(escaped(locale.dayName(weekday, QLocale::ShortFormat).left(2)));
            m_html += QStringLiteral("</tr>\n<tr>");
            const QDate first(m_year, month, 1);
            for (int blank = 1; blank < first.dayOfWeek(); ++blank)
                m_html += QStringLiteral("<td></td>");
            for (; index < days.size() && days.at(index).date.month() == month; ++index) {
                const auto& day = days.at(index);
                if (day.date.dayOfWeek() == 1 && day.date.day() > 1)
                    m_html += QStringLiteral("</tr>\n<tr>");
                m_html += dayCell(day);
            }
            m_html += QStringLiteral("</tr>\n</table>\n");
        }
        m_html += QStringLiteral("</div>\n<p class=\"legend\">%1").arg(escaped(HtmlReport::tr("Daily cards:")));
        for (int i = 0; i < m_cards.size(); ++i) {
            m_html += QStringLiteral("<span class=\"swatch\" style=\"background:%1\"></span>%2")
                          .arg(colour(i), escaped(named(m_cards.at(i)->id, m_cards.at(i)->name)));
        }
        m_html += QStringLiteral("<span class=\"swatch\" style=\"background:#ffffff\"></span>%1; %2</p>\n")
                      .arg(escaped(HtmlReport::tr("no card")), escaped(HtmlReport::tr("framed: special day")));
    }

    QString dayCell(const CnfScheduleCalendar::Day& day) const
    {
        const int index = day.dayCard ? m_cards.indexOf(day.dayCard) : -1;
        const QString tip = day.dayCard ? named(day.dayCard->id, day.dayCard->name) : HtmlReport::tr("no card");
        const QString special = day.source == CnfScheduleCalendar::SpecialDay ? QStringLiteral(" class=\"special\"") : QString();
        return QStringLiteral("<td%1 style=\"background:%2\" title=\"%3: %4\">%5</td>")
            .arg(special, day.dayCard ? colour(index) : QStringLiteral("#ffffff"),
                 day.date.toString(Qt::ISODate), escaped(tip))
            .arg(day.date.day());
    }

    const ConfigFile& m_file;
    const CnfController& m_controller;
    const int m_year;
    QList<QSharedPointer<CnfProgram>> m_programs;
    QList<QSharedPointer<CnfDayCard>> m_cards;
    QString m_html;
};

} // namespace

QString HtmlReport::render(const ConfigFile& file, int year)
{
    return Page(file, year).render();
}
