#include "Command.h"

#include "Console.h"

Command::~Command() = default;

void Command::setUp(QCommandLineParser& parser)
{
    parser.setApplicationDescription(summary());
    addHelpOption(parser);
    // The command name is the first positional argument; declaring it puts
    // it into the usage line.
    parser.addPositionalArgument(name(), brief(), name());
    configure(parser);
}

void Command::addHelpOption(QCommandLineParser& parser)
{
    // QCommandLineParser::addHelpOption() also offers --help-all, for the
    // options of Qt itself, which a command-line tool does not take.
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, tr("Displays this help.")});
}

QString Command::helpText()
{
    QCommandLineParser parser;
    setUp(parser);
    return parser.helpText();
}

int Command::execute(const QStringList& arguments)
{
    QCommandLineParser parser;
    setUp(parser);
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        Console::out() << parser.helpText();
        return Success;
    }
    return run(parser, parser.positionalArguments().mid(1));
}

int Command::usageError(const QString& message) const
{
    Console::message(tr("%1: %2").arg(name(), message));
    Console::err() << tr("Try 'cnf %1 --help' for more information.").arg(name()) << '\n';
    return UsageError;
}
