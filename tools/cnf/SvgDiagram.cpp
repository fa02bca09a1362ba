#include "SvgDiagram.h"

#include <QXmlStreamWriter>

#include <algorithm>

#include "CnfProgram.h"
#include "CnfSignalGroup.h"
#include "CnfSignalPlan.h"
#include "TextChart.h"

namespace {

constexpr int LabelWidth = 230;
constexpr int Margin = 10;
constexpr int TitleHeight = 28;
constexpr int AxisHeight = 24;
constexpr int BandHeight = 20;
constexpr int RowHeight = 20;
constexpr int BarHeight = 14;
constexpr int LegendHeight = 30;

struct Piece {
    int from;
    int length;
};

// A stretch of the cycle that may run over its end, as one or two pieces.
QList<Piece> pieces(int start, int length, int cycle)
{
    if (length <= 0)
        return {};
    if (start + length <= cycle)
        return {{start, length}};
    return {{start, cycle - start}, {0, start + length - cycle}};
}

class Writer
{
public:
    Writer(const CnfProgram& program, const CnfSignalPlan& plan, const QString& prefix, QString* out)
        : m_program(program)
        , m_plan(plan)
        , m_prefix(prefix)
        , m_xml(out)
        , m_width(plan.cycle() > 0 ? plan.cycle() : TextChart::NominalWidth)
        , m_scale(std::clamp(900.0 / m_width, 3.0, 14.0))
    {
    }

    void write(bool standalone)
    {
        if (standalone) {
            m_xml.setAutoFormatting(true);
            m_xml.writeStartDocument();
        }
        const bool drawn = m_plan.kind() != CnfSignalPlan::NoPlan;
        const int rows = drawn ? m_plan.rows().size() : 0;
        m_rowsTop = Margin + TitleHeight + AxisHeight + BandHeight + 6;
        const int notesHeight = 18 * m_plan.notes().size();
        const int height = m_rowsTop + rows * RowHeight + (drawn ? LegendHeight : 0) + notesHeight + Margin;
        const int width = std::max(LabelWidth + int(m_width * m_scale) + 2 * Margin, 640);
        m_xml.writeStartElement(QStringLiteral("svg"));
        m_xml.writeDefaultNamespace(QStringLiteral("http://www.w3.org/2000/svg"));
        attribute("width", width);
        attribute("height", height);
        m_xml.writeAttribute(QStringLiteral("viewBox"), QStringLiteral("0 0 %1 %2").arg(width).arg(height));
        m_xml.writeAttribute(QStringLiteral("class"), QStringLiteral("diagram"));
        m_xml.writeAttribute(QStringLiteral("data-program"), m_program.id);
        attribute("data-cycle", m_plan.cycle());
        attribute("data-offset", m_plan.offset());
        m_xml.writeAttribute(QStringLiteral("font-family"), QStringLiteral("DejaVu Sans, Arial, sans-serif"));
        m_xml.writeAttribute(QStringLiteral("font-size"), QStringLiteral("11"));
        const QString title = TextChart::title(m_program, m_plan);
        m_xml.writeTextElement(QStringLiteral("title"), title);
        writeDefinitions();
        rect(0, 0, width, height, QStringLiteral("#ffffff"));
        m_xml.writeEndElement();
        text(Margin, Margin + 14, title, QStringLiteral("font-size=13;font-weight=bold"));
        if (drawn) {
            writeAxis();
            writeBands();
            writeRows();
            writeLegend(m_rowsTop + rows * RowHeight + 8);
        }
        int y = height - Margin - notesHeight + 12;
        const auto notes = m_plan.notes();
        for (const QString& note : notes) {
            text(Margin, y, note, QString());
            y += 18;
        }
        m_xml.writeEndElement();
        if (standalone)
            m_xml.writeEndDocument();
    }

private:
    QString id(const char* name) const { return m_prefix + QLatin1Char('-') + QLatin1String(name); }

    QString fill(CnfSignalPlan::Aspect aspect) const
    {
        switch (aspect) {
        case CnfSignalPlan::Green:
            return QStringLiteral("#1f9d3a");
        case CnfSignalPlan::GreenBlink:
            return QStringLiteral("url(#%1)").arg(id("blink"));
        case CnfSignalPlan::Amber:
            return QStringLiteral("#f5a300");
        case CnfSignalPlan::Red:
            return QStringLiteral("#d62728");
        case CnfSignalPlan::RedAmber:
            return QStringLiteral("url(#%1)").arg(id("redamber"));
        case CnfSignalPlan::FlashingAmber:
            return QStringLiteral("url(#%1)").arg(id("flash"));
        case CnfSignalPlan::Dark:
            break;
        }
        return QStringLiteral("#3c3c3c");
    }

    double x(double second) const { return LabelWidth + Margin + second * m_scale; }

    void attribute(const char* name, double value)
    {
        m_xml.writeAttribute(QLatin1String(name), QString::number(value, 'f', 2).remove(QRegExp(QStringLiteral("\\.?0+$"))));
    }

    void rect(double left, double top, double width, double height, const QString& colour)
    {
        m_xml.writeStartElement(QStringLiteral("rect"));
        attribute("x", left);
        attribute("y", top);
        attribute("width", width);
        attribute("height", height);
        m_xml.writeAttribute(QStringLiteral("fill"), colour);
    }

    // `style` as "name=value;..." attributes.
    void text(double left, double baseline, const QString& content, const QString& style)
    {
        m_xml.writeStartElement(QStringLiteral("text"));
        attribute("x", left);
        attribute("y", baseline);
        const auto pairs = style.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& pair : pairs)
            m_xml.writeAttribute(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        m_xml.writeCharacters(content);
        m_xml.writeEndElement();
    }

    void pattern(const char* name, int width, int height, const QString& transform)
    {
        m_xml.writeStartElement(QStringLiteral("pattern"));
        m_xml.writeAttribute(QStringLiteral("id"), id(name));
        m_xml.writeAttribute(QStringLiteral("patternUnits"), QStringLiteral("userSpaceOnUse"));
        attribute("width", width);
        attribute("height", height);
        if (!transform.isEmpty())
            m_xml.writeAttribute(QStringLiteral("patternTransform"), transform);
    }

    void writeDefinitions()
    {
        m_xml.writeStartElement(QStringLiteral("defs"));
        pattern("blink", 6, 6, QStringLiteral("rotate(45)"));
        rect(0, 0, 6, 6, QStringLiteral("#d8f0dc"));
        m_xml.writeEndElement();
        rect(0, 0, 3, 6, QStringLiteral("#1f9d3a"));
        m_xml.writeEndElement();
        m_xml.writeEndElement();
        pattern("flash", 8, 8, QString());
        rect(0, 0, 8, 8, QStringLiteral("#fff1c2"));
        m_xml.writeEndElement();
        rect(0, 0, 4, 8, QStringLiteral("#f5a300"));
        m_xml.writeEndElement();
        m_xml.writeEndElement();
        m_xml.writeStartElement(QStringLiteral("pattern"));
        m_xml.writeAttribute(QStringLiteral("id"), id("redamber"));
        m_xml.writeAttribute(QStringLiteral("width"), QStringLiteral("1"));
        m_xml.writeAttribute(QStringLiteral("height"), QStringLiteral("1"));
        m_xml.writeAttribute(QStringLiteral("patternContentUnits"), QStringLiteral("objectBoundingBox"));
        rect(0, 0, 1, 0.5, QStringLiteral("#d62728"));
        m_xml.writeEndElement();
        rect(0, 0.5, 1, 0.5, QStringLiteral("#f5a300"));
        m_xml.writeEndElement();
        m_xml.writeEndElement();
        m_xml.writeEndElement(); // defs
    }

    // A tick every second (every fifth on long cycles), a label every 5 or
    // 10 seconds (every minute on very long cycles).
    void writeAxis()
    {
        const int axis = Margin + TitleHeight + AxisHeight - 4;
        const int tickStep = m_scale >= 4 ? 1 : 5;
        const int labelStep = m_width <= 60 ? 5 : m_width <= 600 ? 10 : 60;
        QString path;
        for (int second = 0; second <= m_width; second += tickStep) {
            const int length = second % labelStep == 0 ? 7 : 3;
            path += QStringLiteral("M%1 %2v%3").arg(x(second), 0, 'f', 1).arg(axis - length).arg(length);
        }
        m_xml.writeStartElement(QStringLiteral("path"));
        m_xml.writeAttribute(QStringLiteral("class"), QStringLiteral("ticks"));
        m_xml.writeAttribute(QStringLiteral("d"), path);
        m_xml.writeAttribute(QStringLiteral("stroke"), QStringLiteral("#555555"));
        m_xml.writeAttribute(QStringLiteral("stroke-width"), QStringLiteral("0.7"));
        m_xml.writeEndElement();
        for (int second = 0; second <= m_width; second += labelStep)
            text(x(second), axis - 9, QString::number(second), QStringLiteral("text-anchor=middle;font-size=9"));
        text(Margin, axis - 2, SvgDiagram::tr("second of the cycle"), QStringLiteral("font-size=9;fill=#555555"));
    }

    void writeBands()
    {
        const auto bands = m_plan.bands();
        if (bands.isEmpty())
            return;
        const int top = Margin + TitleHeight + AxisHeight;
        text(Margin, top + 14, SvgDiagram::tr("phases"), QString());
        const int cycle = m_plan.cycle();
        for (const auto& band : bands) {
            m_xml.writeStartElement(QStringLiteral("g"));
            m_xml.writeAttribute(QStringLiteral("class"), QStringLiteral("band"));
            m_xml.writeAttribute(QStringLiteral("data-phase"), band.phaseId);
            for (const Piece& piece : pieces(band.start, band.intergreen, cycle)) {
                rect(x(piece.from), top, piece.length * m_scale, BandHeight, QStringLiteral("#e4e4e4"));
                m_xml.writeAttribute(QStringLiteral("stroke"), QStringLiteral("#ffffff"));
                m_xml.writeEndElement();
            }
            const auto main = pieces((band.start + band.intergreen) % cycle, band.main, cycle);
            for (const Piece& piece : main) {
                rect(x(piece.from), top, piece.length * m_scale, BandHeight, QStringLiteral("#cfe0f5"));
                m_xml.writeAttribute(QStringLiteral("stroke"), QStringLiteral("#ffffff"));
                m_xml.writeEndElement();
            }
            if (!main.isEmpty()) {
                const Piece widest = *std::max_element(main.cbegin(), main.cend(),
                                                       [](const Piece& a, const Piece& b) { return a.length < b.length; });
                text(x(widest.from + widest.length / 2.0), top + 14, band.phaseId,
                     QStringLiteral("text-anchor=middle;font-weight=bold"));
            }
            m_xml.writeEndElement();
        }
    }

    void writeRows()
    {
        const int width = m_plan.cycle() > 0 ? m_plan.cycle() : m_width;
        const auto rows = m_plan.rows();
        for (int r = 0; r < rows.size(); ++r) {
            const auto& row = rows.at(r);
            const int top = m_rowsTop + r * RowHeight;
            m_xml.writeStartElement(QStringLiteral("g"));
            m_xml.writeAttribute(QStringLiteral("class"), QStringLiteral("row"));
            m_xml.writeAttribute(QStringLiteral("data-group"), QString::number(row.group->id));
            QString label = QString::number(row.group->id);
            if (!row.group->name.isEmpty())
                label += QLatin1Char(' ') + row.group->name;
            if (row.group->type < CnfSignalGroup::TypeNotSet)
                label += QStringLiteral(" (%1)").arg(CnfSignalGroup::type2String(row.group->type, true, true));
            text(Margin, top + BarHeight - 2, label, QString());
            for (int i = 0; i < row.changes.size(); ++i) {
                const auto& change = row.changes.at(i);
                const int end = i + 1 < row.changes.size() ? row.changes.at(i + 1).second : width;
                rect(x(change.second), top + (RowHeight - BarHeight) / 2.0 - 2, (end - change.second) * m_scale, BarHeight,
                     fill(change.aspect));
                m_xml.writeAttribute(QStringLiteral("class"), QStringLiteral("segment"));
                m_xml.writeAttribute(QStringLiteral("data-aspect"), CnfSignalPlan::aspectName(change.aspect));
                attribute("data-from", change.second);
                attribute("data-seconds", end - change.second);
                m_xml.writeEndElement();
            }
            m_xml.writeEndElement();
        }
    }

    void writeLegend(int top)
    {
        static const struct {
            CnfSignalPlan::Aspect aspect;
            const char* label;
        } entries[] = {
            {CnfSignalPlan::Green, QT_TR_NOOP("green")},
            {CnfSignalPlan::GreenBlink, QT_TR_NOOP("green blinking")},
            {CnfSignalPlan::Amber, QT_TR_NOOP("amber")},
            {CnfSignalPlan::Red, QT_TR_NOOP("red")},
            {CnfSignalPlan::RedAmber, QT_TR_NOOP("red-amber")},
            {CnfSignalPlan::FlashingAmber, QT_TR_NOOP("flashing amber")},
            {CnfSignalPlan::Dark, QT_TR_NOOP("dark")},
        };
        double left = Margin;
        for (const auto& entry : entries) {
            rect(left, top, 14, 10, fill(entry.aspect));
            m_xml.writeAttribute(QStringLiteral("class"), QStringLiteral("swatch"));
            m_xml.writeEndElement();
            const QString label = SvgDiagram::tr(entry.label);
            text(left + 18, top + 9, label, QString());
            left += 30 + 6.5 * label.size();
        }
    }

    const CnfProgram& m_program;
    const CnfSignalPlan& m_plan;
    const QString m_prefix;
    QXmlStreamWriter m_xml;
    const int m_width;
    const double m_scale;
    int m_rowsTop = 0;
};

} // namespace

QString SvgDiagram::render(const CnfProgram& program, const CnfSignalPlan& plan, const QString& idPrefix,
                           bool standalone)
{
    QString out;
    Writer(program, plan, idPrefix, &out).write(standalone);
    return out;
}
