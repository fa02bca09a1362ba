#include "ConvertCommand.h"

#include "CnfController.h"
#include "CnfFormatRegistry.h"
#include "ConfigFile.h"
#include "ConfigWriter.h"
#include "Console.h"

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
              "Without --to, an OUT ending in .xml is written as a project document.");
}

void ConvertCommand::configure(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("to"),
                      tr("Format of OUT: %1.").arg(CnfFormatRegistry::names().join(QLatin1String(", "))),
                      QStringLiteral("FORMAT")});
    parser.addPositionalArgument(QStringLiteral("in"), tr("File to read; - reads standard input."), QStringLiteral("IN"));
    parser.addPositionalArgument(QStringLiteral("out"), tr("File to write; - writes standard output."),
                                 QStringLiteral("OUT"));
}

CnfFormat ConvertCommand::targetFormat(const QCommandLineParser& parser, const QString& output, QString* error) const
{
    if (parser.isSet(QStringLiteral("to"))) {
        const QString name = parser.value(QStringLiteral("to"));
        const CnfFormat format = CnfFormatRegistry::byName(name);
        if (!format.isValid())
            *error = tr("unknown format \"%1\"; known are: %2").arg(name, CnfFormatRegistry::names().join(QLatin1String(", ")));
        return format;
    }
    if (output.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive))
        return CnfFormatRegistry::byName(QStringLiteral("project"));
    *error = tr("name the format of %1 with --to").arg(output);
    return CnfFormat();
}

int ConvertCommand::run(const QCommandLineParser& parser, const QStringList& arguments)
{
    if (arguments.size() != 2)
        return usageError(tr("expected IN and OUT, got %1 arguments").arg(arguments.size()));
    const QString& input = arguments.at(0);
    const QString& output = arguments.at(1);
    QString error;
    const CnfFormat format = targetFormat(parser, output, &error);
    if (!format.isValid())
        return usageError(error);

    ConfigFile file;
    if (!file.read(input)) {
        Console::message(tr("%1: %2").arg(input, file.errorString()));
        return Failure;
    }
    const auto warnings = file.warnings();
    for (const QString& warning : warnings)
        Console::message(tr("%1: warning: %2").arg(input, warning));

    ConfigWriter writer(format);
    const QByteArray converted = writer.write(file.controller());
    if (converted.isEmpty()) {
        Console::message(tr("%1 cannot be written as %2: %3").arg(input, format.name(), writer.errorString()));
        return Failure;
    }
    if (!Console::writeFile(output, converted, &error)) {
        Console::message(error);
        return Failure;
    }
    return Success;
}
