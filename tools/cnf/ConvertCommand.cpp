#include "ConvertCommand.h"

#include <QDate>
#include <QJsonDocument>
#include <QJsonObject>

#include "CnfController.h"
#include "CnfFormatRegistry.h"
#include "ConfigFile.h"
#include "ConfigWriter.h"
#include "Console.h"
#include "ConversionCheck.h"
#include "SumoExport.h"

QString ConvertCommand::name() const
{
    return QStringLiteral("convert");
}

QString ConvertCommand::brief() const
{
    return tr("Convert a configuration to another format.");
}

QString ConvertCommand::summary() const
{
    return tr("Reads IN in any supported format and writes it to OUT in the format --to names. "
              "Without --to, an OUT ending in .xml is written as a project document. OUT is read back and "
              "every loss is reported on standard error. A source with a wrong checksum or a safety error "
              "is not written as a native image unless --force is given. --to sumo exports the signal plans "
              "as a SUMO additional file (one tlLogic per program, --week-of adds the schedule as a WAUT); "
              "programs without a signal plan are listed on standard error.");
}

void ConvertCommand::configure(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("to"),
                      tr("Format of OUT: %1; or sumo to export the signal plans to the SUMO simulator.")
                          .arg(CnfFormatRegistry::namesWith(CnfFormat::Write).join(QLatin1String(", "))),
                      QStringLiteral("FORMAT")});
    parser.addOption({QStringLiteral("tls-id"), tr("With --to sumo: the id of the traffic light junction (default: the controller's number)."),
                      QStringLiteral("ID")});
    parser.addOption({QStringLiteral("week-of"),
                      tr("With --to sumo: add a WAUT that follows the schedule of the seven days from DATE (YYYY-MM-DD)."),
                      QStringLiteral("DATE")});
    parser.addOption({QStringLiteral("strict"), tr("Fail, leaving OUT untouched, when OUT cannot hold everything.")});
    parser.addOption({QStringLiteral("force"),
                      tr("Write a native image even from a corrupt or unsafe source (a warning is still printed).")});
    parser.addOption({QStringLiteral("verbose"), tr("List every lost element, not only a line per kind.")});
    parser.addOption({QStringLiteral("json"), tr("Print the report as one JSON object on standard output.")});
    parser.addPositionalArgument(QStringLiteral("in"), tr("File to read; - reads standard input."), QStringLiteral("IN"));
    parser.addPositionalArgument(QStringLiteral("out"), tr("File to write; - writes standard output."),
                                 QStringLiteral("OUT"));
}

CnfFormat ConvertCommand::targetFormat(const QCommandLineParser& parser, const QString& output, QString* error) const
{
    if (parser.isSet(QStringLiteral("to"))) {
        const QString name = parser.value(QStringLiteral("to"));
        const CnfFormat format = CnfFormatRegistry::byName(name);
        if (!format.can(CnfFormat::Write)) {
            *error = tr("cannot write \"%1\"; formats written: %2").arg(name, CnfFormatRegistry::namesWith(CnfFormat::Write).join(QLatin1String(", ")));
            return CnfFormat();
        }
        return format;
    }
    if (output.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive))
        return CnfFormatRegistry::byName(QStringLiteral("project"));
    *error = tr("name the format of %1 with --to").arg(output);
    return CnfFormat();
}

// Reads IN and passes the reader's warnings on; false when it cannot be read.
bool ConvertCommand::readSource(const QString& input, ConfigFile* file)
{
    if (!file->read(input)) {
        Console::message(tr("%1: %2").arg(input, file->errorString()));
        return false;
    }
    const auto warnings = file->warnings();
    for (const QString& warning : warnings)
        Console::message(tr("%1: warning: %2").arg(input, warning));
    return true;
}

int ConvertCommand::run(const QCommandLineParser& parser, const QStringList& arguments)
{
    if (arguments.size() != 2)
        return usageError(tr("expected IN and OUT, got %1 arguments").arg(arguments.size()));
    const QString& input = arguments.at(0);
    const QString& output = arguments.at(1);
    if (parser.value(QStringLiteral("to")) == QLatin1String("sumo"))
        return exportSumo(parser, input, output);
    if (parser.isSet(QStringLiteral("tls-id")) || parser.isSet(QStringLiteral("week-of")))
        return usageError(tr("--tls-id and --week-of go with --to sumo"));
    QString error;
    const CnfFormat format = targetFormat(parser, output, &error);
    if (!format.isValid())
        return usageError(error);

    const bool json = parser.isSet(QStringLiteral("json"));
    if (json && output == QLatin1String("-"))
        return usageError(tr("--json prints on standard output; it cannot be OUT as well"));

    ConfigFile file;
    if (!readSource(input, &file))
        return Failure;

    const QString problem = ConversionCheck::sourceProblem(file);
    if (!problem.isEmpty()) {
        if (format.isNative() && !parser.isSet(QStringLiteral("force"))) {
            Console::message(tr("%1: not written as %2: %3; --force writes it anyway")
                                 .arg(input, format.description(), problem));
            return Failure;
        }
        Console::message(tr("%1: warning: %2").arg(input, problem));
    }

    ConfigWriter writer(format);
    const QByteArray converted = writer.write(file.controller());
    if (converted.isEmpty()) {
        Console::message(tr("%1 cannot be written as %2: %3").arg(input, format.name(), writer.errorString()));
        return Failure;
    }
    LossReport losses({});
    if (!ConversionCheck::readBack(converted, file.controller(), &losses, &error)) {
        Console::message(tr("%1: %2").arg(output, error));
        return Failure;
    }
    report(losses, format, parser.isSet(QStringLiteral("verbose")));
    const bool refused = parser.isSet(QStringLiteral("strict")) && !losses.isEmpty();
    if (refused)
        Console::message(tr("%1 not written: --strict and %2 cannot hold everything").arg(output, format.description()));
    const bool written = !refused && Console::writeFile(output, converted, &error);
    if (!refused && !written)
        Console::message(error);
    if (json) {
        printJson(QJsonObject{
            {QStringLiteral("input"), input},
            {QStringLiteral("output"), output},
            {QStringLiteral("format"), format.name()},
            {QStringLiteral("written"), written},
            {QStringLiteral("warning"), problem},
            {QStringLiteral("losses"), losses.toJson()},
        });
    }
    return written ? Success : Failure;
}

int ConvertCommand::exportSumo(const QCommandLineParser& parser, const QString& input, const QString& output)
{
    if (parser.isSet(QStringLiteral("json")))
        return usageError(tr("--json is not available with --to sumo"));
    QDate weekOf;
    if (parser.isSet(QStringLiteral("week-of"))) {
        weekOf = QDate::fromString(parser.value(QStringLiteral("week-of")), Qt::ISODate);
        if (!weekOf.isValid())
            return usageError(tr("--week-of takes a date as YYYY-MM-DD, not \"%1\"").arg(parser.value(QStringLiteral("week-of"))));
    }
    if (parser.isSet(QStringLiteral("tls-id")) && parser.value(QStringLiteral("tls-id")).trimmed().isEmpty())
        return usageError(tr("--tls-id needs a junction id"));
    ConfigFile file;
    if (!readSource(input, &file))
        return Failure;
    const QString problem = ConversionCheck::sourceProblem(file);
    if (!problem.isEmpty())
        Console::message(tr("%1: warning: %2").arg(input, problem));

    SumoExport sumo(file.controller());
    if (parser.isSet(QStringLiteral("tls-id")))
        sumo.setJunctionId(parser.value(QStringLiteral("tls-id")));
    sumo.setWeekOf(weekOf);
    const QByteArray exported = sumo.write();
    const auto notes = sumo.notes();
    for (const QString& note : notes)
        Console::message(tr("%1: %2").arg(input, note));
    if (exported.isEmpty()) {
        Console::message(tr("%1: not written: no program has a signal plan").arg(output));
        return Failure;
    }
    if (parser.isSet(QStringLiteral("strict")) && !notes.isEmpty()) {
        Console::message(tr("%1 not written: --strict and the export cannot hold everything").arg(output));
        return Failure;
    }
    QString error;
    if (!Console::writeFile(output, exported, &error)) {
        Console::message(error);
        return Failure;
    }
    return Success;
}

void ConvertCommand::printJson(const QJsonObject& report)
{
    Console::out() << QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Compact)) << '\n';
}

void ConvertCommand::report(const LossReport& losses, const CnfFormat& format, bool verbose)
{
    const auto lines = losses.summary(format.description());
    for (const QString& line : lines)
        Console::message(line);
    if (!verbose)
        return;
    const auto details = losses.details();
    for (const QString& line : details)
        Console::err() << "  " << line << '\n';
    Console::err().flush();
}
