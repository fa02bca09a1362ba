// cnf: inspects, checks and converts traffic controller configurations.
#include <QCommandLineParser>
#include <QCoreApplication>

#include <memory>
#include <vector>

#include "CheckCommand.h"
#include "Console.h"
#include "ConvertCommand.h"
#include "DiagramCommand.h"
#include "DiffCommand.h"
#include "FormatsCommand.h"
#include "InfoCommand.h"
#include "ProgramCommand.h"
#include "ReportCommand.h"
#include "SumoLinksCommand.h"

namespace
{
std::vector<std::unique_ptr<Command>> makeCommands()
{
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<InfoCommand>());
    commands.push_back(std::make_unique<ConvertCommand>());
    commands.push_back(std::make_unique<CheckCommand>());
    commands.push_back(std::make_unique<DiffCommand>());
    commands.push_back(std::make_unique<FormatsCommand>());
    commands.push_back(std::make_unique<ProgramCommand>());
    commands.push_back(std::make_unique<DiagramCommand>());
    commands.push_back(std::make_unique<ReportCommand>());
    commands.push_back(std::make_unique<SumoLinksCommand>());
    return commands;
}

Command* findCommand(const std::vector<std::unique_ptr<Command>>& commands, const QString& name)
{
    for (const auto& command : commands) {
        if (command->name() == name)
            return command.get();
    }
    return nullptr;
}

QString description(const std::vector<std::unique_ptr<Command>>& commands)
{
    QString text = QCoreApplication::translate("main", "Inspects, checks and converts traffic controller configurations.")
        + QLatin1String("\n\n") + QCoreApplication::translate("main", "Commands:") + QLatin1Char('\n');
    for (const auto& command : commands)
        text += QStringLiteral("  %1  %2\n").arg(command->name(), -8).arg(command->brief());
    text += QLatin1Char('\n') + QCoreApplication::translate("main", "Run 'cnf help COMMAND' or 'cnf COMMAND --help' for the options of a command.");
    return text;
}

int usageError(const QString& message)
{
    Console::message(message);
    Console::err() << QCoreApplication::translate("main", "Try 'cnf --help' for more information.") << '\n';
    return Command::UsageError;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cnf"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CNF_TOOL_VERSION));
    const auto commands = makeCommands();

    QCommandLineParser parser;
    parser.setApplicationDescription(description(commands));
    Command::addHelpOption(parser);
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QCoreApplication::translate("main", "info, convert, check, diff, formats, program, diagram, report, sumo-links or help."),
                                 QStringLiteral("COMMAND [ARGUMENTS...]"));
    // Everything after the command name belongs to the command.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);

    const QStringList arguments = QCoreApplication::arguments();
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("version"))) {
        Console::out() << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion() << '\n';
        return Command::Success;
    }
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("help"))) {
        Console::out() << parser.helpText();
        return Command::Success;
    }
    if (positional.isEmpty())
        return usageError(QCoreApplication::translate("main", "no command given"));

    const QString name = positional.first();
    if (name == QLatin1String("help")) {
        if (positional.size() < 2) {
            Console::out() << parser.helpText();
            return Command::Success;
        }
        Command* command = findCommand(commands, positional.at(1));
        if (!command)
            return usageError(QCoreApplication::translate("main", "unknown command \"%1\"").arg(positional.at(1)));
        Console::out() << command->helpText();
        return Command::Success;
    }
    Command* command = findCommand(commands, name);
    if (!command)
        return usageError(QCoreApplication::translate("main", "unknown command \"%1\"").arg(name));
    return command->execute(QStringList{arguments.first()} + positional);
}
