#include "DiagramCommand.h"

#include <QFileInfo>
#include <QRegExp>

#include <algorithm>

#include "CnfController.h"
#include "CnfProgram.h"
#include "CnfSignalPlan.h"
#include "ConfigFile.h"
#include "Console.h"
#include "SvgDiagram.h"
#include "TextChart.h"

namespace {

using ProgramList = QList<QSharedPointer<CnfProgram>>;

// Several programs in one SVG document: the diagrams one below the other.
QString stackedSvg(const QStringList& diagrams)
{
    QString body;
    int top = 0;
    int width = 0;
    for (const QString& diagram : diagrams) {
        const QRegExp size(QStringLiteral("width=\"(\\d+)\" height=\"(\\d+)\""));
        size.indexIn(diagram);
        body += QStringLiteral("<g transform=\"translate(0 %1)\">%2</g>\n").arg(top).arg(diagram);
        width = std::max(width, size.cap(1).toInt());
        top += size.cap(2).toInt();
    }
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\">\n%3</svg>\n")
        .arg(width).arg(top).arg(body);
}

// OUT.svg becomes OUT-ID.svg for each of several programs.
QString fileFor(const QString& output, const QString& programId)
{
    const QFileInfo info(output);
    const QString suffix = info.suffix().isEmpty() ? QStringLiteral("svg") : info.suffix();
    const QString base = output.left(output.size() - (info.suffix().isEmpty() ? 0 : info.suffix().size() + 1));
    QString id = programId;
    id.replace(QRegExp(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
    return QStringLiteral("%1-%2.%3").arg(base, id, suffix);
}

} // namespace

QString DiagramCommand::name() const
{
    return QStringLiteral("diagram");
}

QString DiagramCommand::brief() const
{
    return tr("Draw the signal timing diagram of each program.");
}

QString DiagramCommand::summary() const
{
    return tr("Draws the signal timing diagram of each program over one cycle: one row per signal group, the "
              "steps with their intergreens, cycle and offset. SVG by default; with -o and several programs one "
              "file per program (OUT-ID.svg), without -o one SVG on standard output. --text prints a chart with "
              "one character per second: G green, g green blinking, Y amber, R red, U red-amber, F flashing "
              "amber, . dark.");
}

void DiagramCommand::configure(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("program"), tr("Draw only the program with this id."), QStringLiteral("ID")});
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")}, tr("Write to OUT; - is standard output."),
                      QStringLiteral("OUT")});
    parser.addOption({QStringLiteral("text"), tr("Print a text chart instead of SVG.")});
    parser.addPositionalArgument(QStringLiteral("file"), tr("Configuration file; - reads standard input."),
                                 QStringLiteral("FILE"));
}

int DiagramCommand::run(const QCommandLineParser& parser, const QStringList& arguments)
{
    if (arguments.size() != 1)
        return usageError(tr("expected one FILE, got %1 arguments").arg(arguments.size()));
    ConfigFile file;
    if (!file.read(arguments.first())) {
        Console::message(tr("%1: %2").arg(file.fileName(), file.errorString()));
        return Failure;
    }
    const CnfController& controller = file.controller();
    ProgramList programs = controller.programs();
    if (parser.isSet(QStringLiteral("program"))) {
        const QString id = parser.value(QStringLiteral("program"));
        const auto program = controller.findProgram(id);
        if (!program) {
            Console::message(tr("%1: no program with id \"%2\"").arg(file.fileName(), id));
            return Failure;
        }
        programs = {program};
    }
    programs.removeAll(nullptr);
    if (programs.isEmpty()) {
        Console::message(tr("%1: the configuration has no program").arg(file.fileName()));
        return Failure;
    }
    const QString output = parser.isSet(QStringLiteral("output")) ? parser.value(QStringLiteral("output"))
                                                                  : QStringLiteral("-");
    QString error;
    if (parser.isSet(QStringLiteral("text"))) {
        QStringList charts;
        for (const auto& program : qAsConst(programs))
            charts.append(TextChart::render(*program, CnfSignalPlan::of(controller, *program)));
        if (!Console::writeFile(output, charts.join(QLatin1Char('\n')).toUtf8(), &error)) {
            Console::message(tr("%1: %2").arg(output, error));
            return Failure;
        }
        return Success;
    }
    QStringList diagrams;
    for (const auto& program : qAsConst(programs)) {
        const bool own = output != QLatin1String("-") && programs.size() > 1;
        diagrams.append(SvgDiagram::render(*program, CnfSignalPlan::of(controller, *program),
                                           QStringLiteral("p%1").arg(diagrams.size() + 1), own));
        if (!own)
            continue;
        const QString name = fileFor(output, program->id);
        if (!Console::writeFile(name, diagrams.last().toUtf8(), &error)) {
            Console::message(tr("%1: %2").arg(name, error));
            return Failure;
        }
        Console::out() << name << '\n';
    }
    if (output != QLatin1String("-") && programs.size() > 1)
        return Success;
    const QString document = programs.size() == 1
        ? SvgDiagram::render(*programs.first(), CnfSignalPlan::of(controller, *programs.first()), QStringLiteral("p1"), true)
        : stackedSvg(diagrams);
    if (!Console::writeFile(output, document.toUtf8(), &error)) {
        Console::message(tr("%1: %2").arg(output, error));
        return Failure;
    }
    return Success;
}
