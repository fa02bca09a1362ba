#include "DiffCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "CnfController.h"
#include "CnfControllerDiff.h"
#include "ConfigFile.h"
#include "Console.h"
#include "LossReport.h"

namespace
{
// Neither equal nor different: a file could not be read.
const int Trouble = 2;
} // namespace

QString DiffCommand::name() const
{
    return QStringLiteral("diff");
}

QString DiffCommand::brief() const
{
    return tr("Show the differences between two configurations.");
}

QString DiffCommand::summary() const
{
    return tr("Compares two configurations in any formats, element by element, and prints one difference a "
              "line. Exits with 0 when they are equal, 1 when they differ, 2 when a file cannot be read.");
}

void DiffCommand::configure(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("json"), tr("Print the differences as one JSON object.")});
    parser.addPositionalArgument(QStringLiteral("first"), tr("First file; - reads standard input."),
                                 QStringLiteral("A"));
    parser.addPositionalArgument(QStringLiteral("second"), tr("Second file."), QStringLiteral("B"));
}

int DiffCommand::run(const QCommandLineParser& parser, const QStringList& arguments)
{
    if (arguments.size() != 2)
        return usageError(tr("expected A and B, got %1 arguments").arg(arguments.size()));
    ConfigFile first;
    ConfigFile second;
    for (ConfigFile* file : {&first, &second}) {
        const QString& fileName = arguments.at(file == &first ? 0 : 1);
        if (!file->read(fileName)) {
            Console::message(tr("%1: %2").arg(fileName, file->errorString()));
            return Trouble;
        }
    }
    const auto differences = CnfControllerDiff::compare(first.controller(), second.controller());
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonArray list;
        for (const CnfDifference& difference : differences)
            list.append(LossReport::toJson(difference));
        const QJsonObject report{
            {QStringLiteral("first"), first.fileName()},
            {QStringLiteral("second"), second.fileName()},
            {QStringLiteral("equal"), differences.isEmpty()},
            {QStringLiteral("differences"), list},
        };
        Console::out() << QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Compact)) << '\n';
    } else {
        for (const CnfDifference& difference : differences)
            Console::out() << difference.toString() << '\n';
    }
    return differences.isEmpty() ? Success : Failure;
}
