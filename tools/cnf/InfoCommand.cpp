#include "InfoCommand.h"

#include <QJsonDocument>

#include "ConfigFile.h"
#include "Console.h"
#include "ModelSummary.h"

QString InfoCommand::name() const
{
    return QStringLiteral("info");
}

QString InfoCommand::brief() const
{
    return tr("Show what configuration files are and what they hold.");
}

QString InfoCommand::summary() const
{
    return tr("Tells what each file is and what its configuration holds: format and version, checksum, "
              "controller, the number of each kind of element, the programs and the reader's warnings.");
}

void InfoCommand::configure(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("json"), tr("Print one JSON object per file, one per line.")});
    parser.addPositionalArgument(QStringLiteral("files"), tr("Configuration files; - reads standard input."),
                                 QStringLiteral("FILE..."));
}

int InfoCommand::run(const QCommandLineParser& parser, const QStringList& arguments)
{
    if (arguments.isEmpty())
        return usageError(tr("no file given"));
    const bool json = parser.isSet(QStringLiteral("json"));
    int exitCode = Success;
    for (const QString& fileName : arguments) {
        ConfigFile file;
        const bool read = file.read(fileName);
        if (!read) {
            Console::message(tr("%1: %2").arg(fileName, file.errorString()));
            exitCode = Failure;
        }
        const QJsonObject summary = read ? ModelSummary::of(file) : ModelSummary::ofRejected(file);
        if (json)
            Console::out() << QString::fromUtf8(QJsonDocument(summary).toJson(QJsonDocument::Compact)) << '\n';
        else if (read)
            Console::out() << ModelSummary::toText(summary);
    }
    return exitCode;
}
