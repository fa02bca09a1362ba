#include "FormatsCommand.h"

#include "Console.h"
#include "CnfFormatRegistry.h"

QString FormatsCommand::name() const
{
    return QStringLiteral("formats");
}

QString FormatsCommand::brief() const
{
    return tr("List the formats the tool detects, reads and writes.");
}

QString FormatsCommand::summary() const
{
    return tr("Lists every configuration format with what the tool can do with it (detect, read, write) and "
              "the name that --to takes for the formats it writes.");
}

void FormatsCommand::configure(QCommandLineParser&)
{
}

int FormatsCommand::run(const QCommandLineParser&, const QStringList& arguments)
{
    if (!arguments.isEmpty())
        return usageError(tr("expected no arguments, got %1").arg(arguments.size()));
    const auto formats = CnfFormatRegistry::formats();
    for (const CnfFormat& format : formats) {
        const CnfFormat::Capabilities can = format.capabilities();
        if (!can)
            continue; // known to the model, but nothing in this build handles its files
        QStringList abilities;
        if (can & CnfFormat::Detect)
            abilities.append(tr("detect"));
        if (can & CnfFormat::Read)
            abilities.append(tr("read"));
        if (can & CnfFormat::Write)
            abilities.append(tr("write"));
        const QString to = (can & CnfFormat::Write) ? QStringLiteral("--to %1").arg(format.name()) : QString();
        Console::out() << QStringLiteral("%1  %2  %3  %4")
                              .arg(format.name(), -9)
                              .arg(format.description(), -28)
                              .arg(abilities.join(QLatin1Char(' ')), -18)
                              .arg(to)
                              .trimmed()
                       << '\n';
    }
    // Not a controller format: the signal plans for the traffic simulator.
    Console::out() << QStringLiteral("%1  %2  %3  --to sumo")
                          .arg(QStringLiteral("sumo"), -9)
                          .arg(tr("SUMO traffic light programs"), -28)
                          .arg(tr("export"), -18)
                   << '\n';
    return Success;
}
