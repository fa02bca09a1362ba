#include "ProgramCommand.h"

#include "CnfController.h"
#include "CnfProgram.h"
#include "ConfigFile.h"
#include "ConfigWriter.h"
#include "Console.h"

namespace
{
const QString AsOption = QStringLiteral("as");
const QString OutputOption = QStringLiteral("output");
const QString ForceOption = QStringLiteral("force");
} // namespace

QString ProgramCommand::name() const
{
    return QStringLiteral("program");
}

QString ProgramCommand::brief() const
{
    return tr("Export a program as a dynamic program, or import one.");
}

QString ProgramCommand::summary() const
{
    return tr("export FILE ID OUT: writes program ID of FILE to OUT as a dynamic program.\n"
              "import FILE BLOB: reads the dynamic program BLOB, binds it to the phases, signal groups and "
              "matrices of FILE, adds it and saves FILE (or OUT) in FILE's own format. A program id that FILE "
              "already uses is refused; --as gives the program another one.");
}

void ProgramCommand::configure(QCommandLineParser& parser)
{
    parser.addOption({AsOption, tr("import: the id the imported program gets."), QStringLiteral("ID")});
    parser.addOption({{QStringLiteral("o"), OutputOption},
                      tr("import: write the result to OUT instead of replacing FILE; - writes standard output."),
                      QStringLiteral("OUT")});
    parser.addOption({ForceOption, tr("import: write an image even though its checksum was wrong.")});
    parser.addPositionalArgument(QStringLiteral("action"), tr("export or import."), QStringLiteral("ACTION"));
    parser.addPositionalArgument(QStringLiteral("arguments"), tr("export: FILE ID OUT; import: FILE BLOB."),
                                 QStringLiteral("ARGUMENTS..."));
}

int ProgramCommand::run(const QCommandLineParser& parser, const QStringList& arguments)
{
    const QString action = arguments.value(0);
    if (action == QLatin1String("export"))
        return exportProgram(parser, arguments.mid(1));
    if (action == QLatin1String("import"))
        return importProgram(parser, arguments.mid(1));
    if (action.isEmpty())
        return usageError(tr("expected export or import"));
    return usageError(tr("unknown action \"%1\"; expected export or import").arg(action));
}

bool ProgramCommand::readConfig(ConfigFile& file, const QString& fileName)
{
    if (!file.read(fileName)) {
        Console::message(tr("%1: %2").arg(fileName, file.errorString()));
        return false;
    }
    const auto warnings = file.warnings();
    for (const QString& warning : warnings)
        Console::message(tr("%1: warning: %2").arg(fileName, warning));
    return true;
}

int ProgramCommand::exportProgram(const QCommandLineParser& parser, const QStringList& arguments)
{
    if (arguments.size() != 3)
        return usageError(tr("export expects FILE, ID and OUT, got %1 arguments").arg(arguments.size()));
    if (parser.isSet(AsOption) || parser.isSet(OutputOption) || parser.isSet(ForceOption))
        return usageError(tr("--as, --output and --force belong to import"));
    const QString& fileName = arguments.at(0);
    const QString& id = arguments.at(1);
    const QString& output = arguments.at(2);

    ConfigFile file;
    if (!readConfig(file, fileName))
        return Failure;
    CnfController& controller = file.controller();
    const auto program = controller.findProgram(id);
    if (!program) {
        Console::message(tr("%1: there is no program %2").arg(fileName, id));
        return Failure;
    }
    const QByteArray blob = controller.createDynamicProgram(program);
    if (blob.isEmpty()) {
        Console::message(tr("%1: program %2 cannot be exported: %3")
                             .arg(fileName, id, Console::oneLine(controller.lastError())));
        return Failure;
    }
    QString error;
    if (!Console::writeFile(output, blob, &error)) {
        Console::message(error);
        return Failure;
    }
    return Success;
}

int ProgramCommand::importProgram(const QCommandLineParser& parser, const QStringList& arguments)
{
    if (arguments.size() != 2)
        return usageError(tr("import expects FILE and BLOB, got %1 arguments").arg(arguments.size()));
    const QString& fileName = arguments.at(0);
    const QString& blobName = arguments.at(1);
    const bool standardInput = fileName == QLatin1String("-");
    if (standardInput && blobName == QLatin1String("-"))
        return usageError(tr("FILE and BLOB cannot both be standard input"));
    if (standardInput && !parser.isSet(OutputOption))
        return usageError(tr("FILE is standard input: name the result with -o OUT"));
    const QString output = parser.isSet(OutputOption) ? parser.value(OutputOption) : fileName;

    ConfigFile file;
    if (!readConfig(file, fileName))
        return Failure;
    // Saving would give a damaged image a fresh checksum.
    if (file.checksum() == ConfigFile::ChecksumInvalid && !parser.isSet(ForceOption)) {
        Console::message(tr("%1: the checksum is wrong (%2); use --force to write it anyway")
                             .arg(fileName, file.checksumMessage()));
        return Failure;
    }
    QByteArray blob;
    QString error;
    if (!Console::readFile(blobName, &blob, &error)) {
        Console::message(tr("%1: %2").arg(blobName, error));
        return Failure;
    }

    CnfController& controller = file.controller();
    const auto program = controller.loadDynamicProgram(blob);
    if (!program) {
        Console::message(tr("%1: cannot be imported into %2: %3")
                             .arg(blobName, fileName, Console::oneLine(controller.lastError())));
        return Failure;
    }
    if (parser.isSet(AsOption) && !renumber(*program, parser.value(AsOption), &error))
        return usageError(error);
    if (controller.findProgram(program->id)) {
        Console::message(tr("%1: there is a program %2 already; give the imported program a free id with --as")
                             .arg(fileName, program->id));
        return Failure;
    }
    controller.addProgram(program);
    if (!controller.programs().contains(program)) {
        Console::message(tr("%1: program %2 could not be added").arg(fileName, program->id));
        return Failure;
    }

    ConfigWriter writer(file.format());
    const QByteArray written = writer.write(controller);
    if (written.isEmpty()) {
        Console::message(tr("%1 cannot be written as %2: %3").arg(fileName, file.format().name(), writer.errorString()));
        return Failure;
    }
    if (!Console::writeFile(output, written, &error)) {
        Console::message(error);
        return Failure;
    }
    return Success;
}

// The number of a program kept as a raw record is also the record's first
// byte, which reads back as a signed byte: the id must be such a number.
bool ProgramCommand::renumber(CnfProgram& program, const QString& id, QString* error)
{
    if (id.isEmpty()) {
        *error = tr("--as needs a program id");
        return false;
    }
    if (program.type == CnfProgram::NorvakSpecial) {
        bool numeric = false;
        const int number = id.toInt(&numeric);
        if (!numeric || number < -128 || number > 127 || QString::number(number) != id) {
            *error = tr("the program is a native record, numbered from -128 to 127; \"%1\" is not such a number").arg(id);
            return false;
        }
        QByteArray data = program.data();
        if (!data.isEmpty()) {
            data[0] = char(number & 0xFF);
            program.setData(data);
        }
    }
    program.id = id;
    return true;
}
