#include "SumoLinksCommand.h"

#include "ConfigFile.h"
#include "Console.h"
#include "SumoExport.h"

QString SumoLinksCommand::name() const
{
    return QStringLiteral("sumo-links");
}

QString SumoLinksCommand::brief() const
{
    return tr("Print the SUMO link index of each signal group.");
}

QString SumoLinksCommand::summary() const
{
    return tr("Prints one line per signal group: the link index it has in the state strings that "
              "'cnf convert FILE OUT.add.xml --to sumo' writes, the group's id, name and type. Give each "
              "connection of the network the link index of the group that controls it (linkIndex in a "
              ".tll.xml for netconvert).");
}

void SumoLinksCommand::configure(QCommandLineParser& parser)
{
    parser.addPositionalArgument(QStringLiteral("file"), tr("Configuration file; - reads standard input."),
                                 QStringLiteral("FILE"));
}

int SumoLinksCommand::run(const QCommandLineParser&, const QStringList& arguments)
{
    if (arguments.size() != 1)
        return usageError(tr("expected one FILE, got %1 arguments").arg(arguments.size()));
    ConfigFile file;
    if (!file.read(arguments.first())) {
        Console::message(tr("%1: %2").arg(file.fileName(), file.errorString()));
        return Failure;
    }
    Console::out() << tr("# linkIndex  signal group  name  (type)") << '\n';
    const auto lines = SumoExport(file.controller()).linkIndices();
    for (const QString& line : lines)
        Console::out() << line << '\n';
    return Success;
}
