#include "Norvak3xConversion.h"

#include <QObject>

#include "CnfController.h"
#include "CnfProgram.h"
#include "Norvak3xLayout.h"
#include "CnfLogging.h"

namespace {

// The program records of 3.17 on carry the intergreen variant on entering
// the program at byte 3; the older records end one byte earlier.
constexpr int entryVariantByte = 3;

} // namespace

void Norvak3xConversion::convert(CnfController& controller, const QString& fromVersion)
{
    const Norvak3xLayout* from = Norvak3xLayout::forVersion(fromVersion);
    const Norvak3xLayout* to = Norvak3xLayout::forVersion(controller.property("version").toString());
    if (!from || !to || from == to)
        return;
    convertPrograms(controller, *from, *to);
    convertErrorControl(controller, *from, *to);
    convertRemotePanel(controller, *to);
    convertFlags(controller, *to);
}

// Only the entry variant differs between the two record sizes: it is dropped
// going down and left unset going up; every other field keeps its meaning.
void Norvak3xConversion::convertPrograms(
    CnfController& controller, const Norvak3xLayout& from, const Norvak3xLayout& to)
{
    const int fromSize = from.recordSize(Norvak3xSection::Programs);
    const int toSize = to.recordSize(Norvak3xSection::Programs);
    if (fromSize == toSize)
        return;
    const auto programs = controller.programs();
    for (const auto& program : programs) {
        if (!program || program->type != CnfProgram::NorvakSpecial || program->data().size() != fromSize)
            continue;
        QByteArray data = program->data();
        if (toSize < fromSize) {
            if (quint8(data.at(entryVariantByte)) != 0xFF) {
                qCInfo(lcCnfNative).noquote()
                    << QObject::tr("Программа %1: вариант ромтактов при входе не сохраняется в версии %2")
                           .arg(program->id, to.versionText);
            }
            data.remove(entryVariantByte, fromSize - toSize);
        } else {
            data.insert(entryVariantByte, QByteArray(toSize - fromSize, char(0xFF)));
        }
        program->setData(data);
    }
}

// The pairs are matched by error kind; a kind the new version does not watch
// is dropped, one it adds starts unset.
void Norvak3xConversion::convertErrorControl(
    CnfController& controller, const Norvak3xLayout& from, const Norvak3xLayout& to)
{
    const QString key = QStringLiteral("errorControl");
    const QVariantList entries = controller.getNativeData(key).toList();
    if (entries.size() != from.errorKinds() || from.errorKindOrder == to.errorKindOrder)
        return;
    QVariantList adapted;
    for (int kind : to.errorKindOrder) {
        const int i = from.errorKindOrder.indexOf(kind);
        adapted.append(i < 0 ? QVariant(QVariantList {QVariant(), QVariant()}) : entries.at(i));
    }
    controller.setNativeData(key, adapted);
}

// The buttons keep their phases up to the last one set; buttons the new
// panel lacks are dropped, with what they held.
void Norvak3xConversion::convertRemotePanel(CnfController& controller, const Norvak3xLayout& to)
{
    const QString key = QStringLiteral("vpu_phases");
    const QVariant stored = controller.getNativeData(key);
    if (!stored.isValid() || to.remotePanel.phaseCount == 0)
        return;
    QVariantList phases = stored.toList();
    while (phases.size() > to.remotePanel.phaseCount) {
        if (phases.last().isValid())
            qCInfo(lcCnfNative).noquote() << QObject::tr("Фаза %1 кнопки ВПУ %2 не сохраняется в версии %3")
                                                .arg(phases.last().toString())
                                                .arg(phases.size())
                                                .arg(to.versionText);
        phases.removeLast();
    }
    while (phases.size() < to.remotePanel.phaseCount)
        phases.append(QVariant());
    controller.setNativeData(key, phases);
}

// A setting that is a flag in one version and a number in another (the
// receiver) takes the new version's form.
void Norvak3xConversion::convertFlags(CnfController& controller, const Norvak3xLayout& to)
{
    for (const QVector<Norvak3xField>* fields : {&to.info, &to.centralControl}) {
        for (const Norvak3xField& field : *fields) {
            const QString& key = field.key;
            const QVariant v = controller.getNativeData(key);
            if (!v.isValid())
                continue;
            if (field.kind == Norvak3xValue::Flag && v.type() != QVariant::Bool)
                controller.setNativeData(key, v.toBool());
            else if (field.kind != Norvak3xValue::Flag && v.type() == QVariant::Bool)
                controller.setNativeData(key, v.toBool() ? 1 : 0);
        }
    }
}
