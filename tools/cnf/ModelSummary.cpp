#include "ModelSummary.h"

#include <QJsonArray>

#include "CnfController.h"
#include "CnfFormatRegistry.h"
#include "CnfPhaseDef.h"
#include "CnfProgram.h"
#include "ConfigFile.h"

namespace
{
// The layout that names a native program algorithm of this controller.
QString layoutName(const CnfController& controller)
{
    if (CnfFormatRegistry::ofController(controller).recordLayout() == CnfFormat::AdapterLayout)
        return QStringLiteral("adapter");
    return controller.property("version").toString();
}

QJsonArray steps(const CnfProgram& program)
{
    QJsonArray list;
    const auto phases = program.phases();
    for (const auto& step : phases) {
        list.append(QJsonObject{
            {QStringLiteral("phase"), step->id()},
            {QStringLiteral("length"), step->length()},
        });
    }
    return list;
}

QJsonObject programSummary(CnfProgram& program, const QString& layout)
{
    QJsonObject summary{
        {QStringLiteral("id"), program.id},
        {QStringLiteral("name"), program.name},
        {QStringLiteral("type"), CnfProgram::typeName(program.type, false)},
        {QStringLiteral("steps"), steps(program)},
        {QStringLiteral("cycle"), program.cycle(false)},
        {QStringLiteral("offset"), program.cycleOffset(0)},
    };
    if (program.type == CnfProgram::NorvakSpecial) {
        summary.insert(QStringLiteral("algorithm"), program.nativeType);
        summary.insert(QStringLiteral("algorithmName"), CnfProgram::norvakTypeName(program.nativeType, layout, true));
    }
    return summary;
}

QString checksumName(ConfigFile::Checksum checksum)
{
    switch (checksum) {
    case ConfigFile::ChecksumValid:
        return QStringLiteral("valid");
    case ConfigFile::ChecksumInvalid:
        return QStringLiteral("invalid");
    case ConfigFile::NoChecksum:
        break;
    }
    return QStringLiteral("none");
}

QJsonObject counts(const CnfController& controller)
{
    return QJsonObject{
        {QStringLiteral("signalGroups"), controller.signalGroups().size()},
        {QStringLiteral("powerDevices"), controller.powerDevices().size()},
        {QStringLiteral("phases"), controller.phases().size()},
        {QStringLiteral("programs"), controller.programs().size()},
        {QStringLiteral("matrices"), controller.matrixList().size()},
        {QStringLiteral("detectors"), controller.detectorsList().size()},
        {QStringLiteral("sensors"), controller.sensorsList().size()},
        {QStringLiteral("dayCards"), controller.dayCards().size()},
        {QStringLiteral("weekCards"), controller.weekCards().size()},
        {QStringLiteral("seasonPlans"), controller.seasonPlans().size()},
        {QStringLiteral("specialDays"), controller.specialDays().size()},
    };
}

// The rows of the text form: key of the summary's "counts" and its label.
const QList<QPair<QString, QString>>& countLabels()
{
    static const QList<QPair<QString, QString>> labels{
        {QStringLiteral("signalGroups"), ModelSummary::tr("signal groups")},
        {QStringLiteral("powerDevices"), ModelSummary::tr("power devices")},
        {QStringLiteral("phases"), ModelSummary::tr("phases")},
        {QStringLiteral("programs"), ModelSummary::tr("programs")},
        {QStringLiteral("matrices"), ModelSummary::tr("matrices")},
        {QStringLiteral("detectors"), ModelSummary::tr("detectors")},
        {QStringLiteral("sensors"), ModelSummary::tr("sensors")},
        {QStringLiteral("dayCards"), ModelSummary::tr("daily cards")},
        {QStringLiteral("weekCards"), ModelSummary::tr("weekly cards")},
        {QStringLiteral("seasonPlans"), ModelSummary::tr("season plans")},
        {QStringLiteral("specialDays"), ModelSummary::tr("special days")},
    };
    return labels;
}

QString row(const QString& label, const QString& value)
{
    return QStringLiteral("  %1 %2\n").arg(label + QLatin1Char(':'), -16).arg(value);
}

QString programRow(const QJsonObject& program)
{
    QString text = program.value(QStringLiteral("id")).toString() + QLatin1String("  ")
        + program.value(QStringLiteral("type")).toString();
    if (program.contains(QStringLiteral("algorithm"))) {
        text += ModelSummary::tr(", algorithm %1 (%2)")
                    .arg(program.value(QStringLiteral("algorithm")).toInt())
                    .arg(program.value(QStringLiteral("algorithmName")).toString());
    }
    const QString name = program.value(QStringLiteral("name")).toString();
    if (!name.isEmpty())
        text += QLatin1String("  \"") + name + QLatin1Char('"');
    const QJsonArray steps = program.value(QStringLiteral("steps")).toArray();
    if (steps.isEmpty())
        return QStringLiteral("    %1\n").arg(text);
    QStringList sequence;
    for (const auto& step : steps) {
        const QJsonObject object = step.toObject();
        sequence.append(ModelSummary::tr("%1 %2 s")
                            .arg(object.value(QStringLiteral("phase")).toString())
                            .arg(object.value(QStringLiteral("length")).toInt()));
    }
    QString timing = ModelSummary::tr("phases %1; cycle %2 s")
                         .arg(sequence.join(QLatin1String(", ")))
                         .arg(program.value(QStringLiteral("cycle")).toInt());
    const int offset = program.value(QStringLiteral("offset")).toInt();
    if (offset != 0)
        timing += ModelSummary::tr(", offset %1 s").arg(offset);
    return QStringLiteral("    %1\n      %2\n").arg(text, timing);
}
} // namespace

QJsonObject ModelSummary::of(const ConfigFile& file)
{
    const CnfController& controller = file.controller();
    QJsonObject summary{
        {QStringLiteral("file"), file.fileName()},
        {QStringLiteral("format"), file.format().name()},
        {QStringLiteral("formatDescription"), file.format().description()},
        {QStringLiteral("type"), controller.property("type").toString()},
        {QStringLiteral("version"), controller.property("version").toString()},
        {QStringLiteral("number"), controller.property("number").toString()},
        {QStringLiteral("description"), controller.property("description").toString()},
        {QStringLiteral("counts"), counts(controller)},
        {QStringLiteral("warnings"), QJsonArray::fromStringList(file.warnings())},
    };
    if (file.format().isNative())
        summary.insert(QStringLiteral("adapterVersion"), file.adapterVersion());
    summary.insert(QStringLiteral("checksum"), checksumName(file.checksum()));
    if (file.checksum() == ConfigFile::ChecksumInvalid)
        summary.insert(QStringLiteral("checksumMessage"), file.checksumMessage());
    QJsonArray programs;
    const QString layout = layoutName(controller);
    const auto list = controller.programs();
    for (const auto& program : list) {
        if (program)
            programs.append(programSummary(*program, layout));
    }
    summary.insert(QStringLiteral("programs"), programs);
    return summary;
}

QJsonObject ModelSummary::ofRejected(const ConfigFile& file)
{
    QJsonObject summary{
        {QStringLiteral("file"), file.fileName()},
        {QStringLiteral("error"), file.errorString()},
    };
    if (file.format().isValid())
        summary.insert(QStringLiteral("format"), file.format().name());
    return summary;
}

QString ModelSummary::toText(const QJsonObject& summary)
{
    auto value = [&summary](const char* key) { return summary.value(QLatin1String(key)).toString(); };
    QString text = value("file") + QLatin1Char('\n');
    text += row(tr("format"), value("formatDescription"));
    if (value("checksum") != QLatin1String("none")) {
        const QString message = value("checksumMessage");
        text += row(tr("checksum"), message.isEmpty() ? value("checksum") : tr("%1 (%2)").arg(value("checksum"), message));
    }
    const QString controllerType = QStringList{value("type"), value("version")}.join(QLatin1Char(' ')).trimmed();
    text += row(tr("controller"), controllerType.isEmpty() ? tr("no type") : controllerType);
    text += row(tr("number"), value("number"));
    text += row(tr("description"), value("description"));
    const QJsonObject counts = summary.value(QStringLiteral("counts")).toObject();
    for (const auto& label : countLabels()) {
        text += row(label.second, QString::number(counts.value(label.first).toInt()));
        if (label.first == QLatin1String("programs")) {
            const QJsonArray programs = summary.value(QStringLiteral("programs")).toArray();
            for (const auto& program : programs)
                text += programRow(program.toObject());
        }
    }
    const QJsonArray warnings = summary.value(QStringLiteral("warnings")).toArray();
    text += row(tr("warnings"), warnings.isEmpty() ? tr("none") : QString::number(warnings.size()));
    for (const auto& warning : warnings)
        text += QStringLiteral("    %1\n").arg(warning.toString());
    return text;
}
