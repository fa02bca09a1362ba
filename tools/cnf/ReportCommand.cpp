#include "ReportCommand.h"

#include <QDate>

#include "ConfigFile.h"
#include "Console.h"
#include "HtmlReport.h"

QString ReportCommand::name() const
{
    return QStringLiteral("report");
}

QString ReportCommand::brief() const
{
    return tr("Write the whole configuration as one HTML page.");
}

QString ReportCommand::summary() const
{
    return tr("Writes one self-contained HTML page (no scripts, no external files, prints on A4): the summary of "
              "'info', the safety review's findings, every program's timing diagram, the conflict and intergreen "
              "matrices with conflicts and missing intergreens highlighted, the daily cards as 24-hour bars and a "
              "calendar of the year coloured by the daily card of each date.");
}

void ReportCommand::configure(QCommandLineParser& parser)
{
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")}, tr("Write the page to OUT; - is standard output."),
                      QStringLiteral("OUT")});
    parser.addOption({QStringLiteral("year"), tr("The year of the calendar (default: this year)."), QStringLiteral("Y")});
    parser.addPositionalArgument(QStringLiteral("file"), tr("Configuration file; - reads standard input."),
                                 QStringLiteral("FILE"));
}

int ReportCommand::run(const QCommandLineParser& parser, const QStringList& arguments)
{
    if (arguments.size() != 1)
        return usageError(tr("expected one FILE, got %1 arguments").arg(arguments.size()));
    if (!parser.isSet(QStringLiteral("output")))
        return usageError(tr("no output given (-o report.html, or -o - for standard output)"));
    int year = QDate::currentDate().year();
    if (parser.isSet(QStringLiteral("year"))) {
        bool ok = false;
        year = parser.value(QStringLiteral("year")).toInt(&ok);
        if (!ok || year < 1 || year > 9999)
            return usageError(tr("the year must be a number from 1 to 9999, not \"%1\"").arg(parser.value(QStringLiteral("year"))));
    }
    ConfigFile file;
    if (!file.read(arguments.first())) {
        Console::message(tr("%1: %2").arg(file.fileName(), file.errorString()));
        return Failure;
    }
    const QString output = parser.value(QStringLiteral("output"));
    QString error;
    if (!Console::writeFile(output, HtmlReport::render(file, year).toUtf8(), &error)) {
        Console::message(tr("%1: %2").arg(output, error));
        return Failure;
    }
    return Success;
}
