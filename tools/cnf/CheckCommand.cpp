#include "CheckCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "CnfController.h"
#include "ConfigFile.h"
#include "ConfigWriter.h"
#include "Console.h"
#include "CnfFormatRegistry.h"
#include "CnfSafetyReview.h"

QString CheckCommand::name() const
{
    return QStringLiteral("check");
}

QString CheckCommand::brief() const
{
    return tr("Report every problem of a configuration, safety faults included.");
}

QString CheckCommand::summary() const
{
    return tr("Reports every problem of a configuration: the reader's warnings, whether it can be written in "
              "its own format (or in --as), and a safety review of the model. Exits with 1 when problems "
              "were found.");
}

void CheckCommand::configure(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("as"),
                      tr("Check that the configuration can be written as FORMAT (%1) instead of its own format.")
                          .arg(CnfFormatRegistry::namesWith(CnfFormat::Write).join(QLatin1String(", "))),
                      QStringLiteral("FORMAT")});
    parser.addOption({QStringLiteral("json"), tr("Print the findings as one JSON object.")});
    parser.addPositionalArgument(QStringLiteral("file"), tr("Configuration files; - reads standard input."),
                                 QStringLiteral("FILE..."));
}

QList<CnfFinding> CheckCommand::readerFindings(const ConfigFile& file)
{
    QList<CnfFinding> findings;
    const auto warnings = file.warnings();
    for (const QString& warning : warnings)
        findings.append(CnfFinding{QStringLiteral("reader-warning"), CnfFinding::Warning, warning, {}});
    if (file.checksum() == ConfigFile::ChecksumInvalid) {
        findings.append(CnfFinding{QStringLiteral("checksum-mismatch"), CnfFinding::Error,
                                tr("the image checksum does not match: %1").arg(file.checksumMessage()), {}});
    }
    return findings;
}

// Writing changes the model (native writers stamp it and note the time of
// change), so the attempt is made on a second model read from the same bytes.
QList<CnfFinding> CheckCommand::writerFindings(const ConfigFile& file, const CnfFormat& format)
{
    const auto copy = file.readAgain();
    ConfigWriter writer(format);
    if (!writer.write(*copy).isEmpty())
        return {};
    return {CnfFinding{QStringLiteral("writer-refused"), CnfFinding::Error,
                    tr("cannot be written as %1: %2").arg(format.name(), writer.errorString()), {}}};
}

void CheckCommand::print(const ConfigFile& file, const QList<CnfFinding>& findings, bool json)
{
    if (json) {
        QJsonArray list;
        for (const CnfFinding& finding : findings)
            list.append(finding.toJson());
        const QJsonObject report{
            {QStringLiteral("file"), file.fileName()},
            {QStringLiteral("format"), file.format().name()},
            {QStringLiteral("findings"), list},
        };
        Console::out() << QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Compact)) << '\n';
        return;
    }
    for (const CnfFinding& finding : findings) {
        Console::out() << tr("%1: %2 %3: %4")
                              .arg(file.fileName(), CnfFinding::severityName(finding.severity), finding.code, finding.message)
                       << '\n';
    }
    if (findings.isEmpty())
        Console::out() << tr("%1: no problems found").arg(file.fileName()) << '\n';
    else if (findings.size() == 1)
        Console::out() << tr("%1: 1 problem found").arg(file.fileName()) << '\n';
    else
        Console::out() << tr("%1: %2 problems found").arg(file.fileName()).arg(findings.size()) << '\n';
}

int CheckCommand::run(const QCommandLineParser& parser, const QStringList& arguments)
{
    if (arguments.isEmpty())
        return usageError(tr("expected at least one FILE"));
    CnfFormat format;
    if (parser.isSet(QStringLiteral("as"))) {
        format = CnfFormatRegistry::byName(parser.value(QStringLiteral("as")));
        if (!format.can(CnfFormat::Write))
            return usageError(tr("cannot check for writing as \"%1\"; formats written: %2")
                                  .arg(parser.value(QStringLiteral("as")), CnfFormatRegistry::namesWith(CnfFormat::Write).join(QLatin1String(", "))));
    }
    const bool json = parser.isSet(QStringLiteral("json"));
    int result = Success;
    for (const QString& fileName : arguments) {
        if (check(fileName, format, json) != Success)
            result = Failure;
    }
    return result;
}

int CheckCommand::check(const QString& fileName, const CnfFormat& format, bool json)
{
    ConfigFile file;
    if (!file.read(fileName)) {
        Console::message(tr("%1: %2").arg(file.fileName(), file.errorString()));
        if (json) {
            const QJsonObject report{{QStringLiteral("file"), file.fileName()}, {QStringLiteral("error"), file.errorString()}};
            Console::out() << QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Compact)) << '\n';
        }
        return Failure;
    }
    QList<CnfFinding> findings = readerFindings(file);
    findings += writerFindings(file, format.isValid() ? format : file.format());
    findings += CnfSafetyReview(file.controller()).run();
    print(file, findings, json);
    return findings.isEmpty() ? Success : Failure;
}
