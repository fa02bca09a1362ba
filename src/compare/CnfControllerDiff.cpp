#include "CnfControllerDiff.h"

#include <QCoreApplication>
#include <QMap>
#include <QStringList>

#include "CnfController.h"
#include "CnfDetector.h"
#include "CnfInterstate.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "CnfTransition.h"

namespace
{
QString tr(const char* text)
{
    return QCoreApplication::translate("CnfControllerDiff", text);
}

// Elements of one kind keyed for matching; a repeated key gets "#n".
template <typename T>
using Keyed = QList<QPair<QString, T>>;

template <typename T, typename KeyOf>
Keyed<T> keyed(const QList<T>& list, KeyOf keyOf)
{
    Keyed<T> result;
    QMap<QString, int> seen;
    for (const T& item : list) {
        QString key = keyOf(item);
        const int repeat = seen[key]++;
        if (repeat > 0)
            key += QLatin1Char('#') + QString::number(repeat);
        result.append({key, item});
    }
    return result;
}

template <typename T>
QStringList keysOf(const Keyed<T>& list)
{
    QStringList keys;
    for (const auto& entry : list)
        keys.append(entry.first);
    return keys;
}

QString number(double value)
{
    return QString::number(value, 'g', 10);
}

QString idList(const QList<int>& ids)
{
    QStringList texts;
    for (int id : ids)
        texts.append(QString::number(id));
    return texts.join(QLatin1Char(','));
}

QString mapText(const QMap<int, int>& map)
{
    QStringList texts;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        texts.append(QStringLiteral("%1:%2").arg(it.key()).arg(it.value()));
    return texts.join(QLatin1Char(','));
}

QString scalarText(const QVariant& value)
{
    if (value.type() == QVariant::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return value.toString();
}

// The leaves of a native value tree by path ("key/sub/0").
void flatten(const QString& path, const QVariant& value, QMap<QString, QString>& leaves)
{
    if (value.type() == QVariant::Map) {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            flatten(path + QLatin1Char('/') + it.key(), it.value(), leaves);
    } else if (value.type() == QVariant::List) {
        const QVariantList list = value.toList();
        for (int i = 0; i < list.size(); ++i)
            flatten(path + QLatin1Char('/') + QString::number(i), list.at(i), leaves);
    } else {
        leaves.insert(path, scalarText(value));
    }
}

// Dynamic properties without Qt's internal ones, by name.
QMap<QString, QString> properties(const QObject& object)
{
    QMap<QString, QString> result;
    const auto names = object.dynamicPropertyNames();
    for (const QByteArray& name : names) {
        const QVariant value = object.property(name.constData());
        if (!name.startsWith("_q_") && value.isValid())
            result.insert(QString::fromUtf8(name), scalarText(value));
    }
    return result;
}

template <typename T>
QString idOf(const QSharedPointer<T>& element)
{
    return element ? element->id : QString();
}

QString matrixId(const QSharedPointer<CnfMatrix>& matrix)
{
    return matrix ? QString::number(matrix->id()) : QString();
}

QString groupId(const QSharedPointer<CnfSignalGroup>& group)
{
    return group ? QString::number(group->id) : QString();
}

QString interstateText(const QSharedPointer<CnfInterstate>& record)
{
    if (!record)
        return QString();
    return QStringLiteral("%1/%2/%3").arg(record->greenBlink).arg(record->yellow).arg(record->redYellow);
}

class DiffBuilder
{
public:
    explicit DiffBuilder(const CnfController& first, const CnfController& second)
        : a(first)
        , b(second)
    {
    }

    QList<CnfDifference> run();

private:
    void add(const QString& kind, const QString& id, const QString& element, const QString& property,
             CnfDifference::Change change, const QString& first = QString(), const QString& second = QString())
    {
        differences.append(CnfDifference{kind, id, element, property, change, first, second});
    }
    void value(const QString& kind, const QString& id, const QString& element, const QString& property,
               const QString& first, const QString& second)
    {
        if (first != second)
            add(kind, id, element, property, CnfDifference::Changed, first, second);
    }
    void valueMaps(const QString& kind, const QString& id, const QString& element,
                   const QMap<QString, QString>& first, const QMap<QString, QString>& second)
    {
        QStringList names = first.keys() + second.keys();
        names.removeDuplicates();
        std::sort(names.begin(), names.end());
        for (const QString& name : qAsConst(names))
            value(kind, id, element, name, first.value(name), second.value(name));
    }

    // Reports elements on one side only and a changed order, and compares the
    // elements found on both sides.
    template <typename T, typename Label, typename Compare>
    void match(const QString& kind, const QString& listName, const Keyed<T>& first, const Keyed<T>& second,
               Label label, Compare compare)
    {
        match(kind, listName, first, second, label, compare, [](const T&) { return QString(); });
    }
    // As above; `describe` gives the value of an element found on one side only.
    template <typename T, typename Label, typename Compare, typename Describe>
    void match(const QString& kind, const QString& listName, const Keyed<T>& first, const Keyed<T>& second,
               Label label, Compare compare, Describe describe)
    {
        QMap<QString, T> inFirst;
        QMap<QString, T> inSecond;
        for (const auto& entry : first)
            inFirst.insert(entry.first, entry.second);
        for (const auto& entry : second)
            inSecond.insert(entry.first, entry.second);
        for (const auto& entry : first) {
            if (inSecond.contains(entry.first))
                compare(entry.first, label(entry.first), entry.second, inSecond.value(entry.first));
            else
                add(kind, entry.first, label(entry.first), QString(), CnfDifference::Missing, describe(entry.second));
        }
        for (const auto& entry : second) {
            if (!inFirst.contains(entry.first))
                add(kind, entry.first, label(entry.first), QString(), CnfDifference::Added, QString(),
                    describe(entry.second));
        }
        if (listName.isEmpty())
            return;
        QStringList firstOrder;
        QStringList secondOrder;
        for (const QString& key : keysOf(first)) {
            if (inSecond.contains(key))
                firstOrder.append(key);
        }
        for (const QString& key : keysOf(second)) {
            if (inFirst.contains(key))
                secondOrder.append(key);
        }
        if (firstOrder != secondOrder) {
            add(kind, QString(), listName, tr("order"), CnfDifference::Reordered, firstOrder.join(QLatin1Char(',')),
                secondOrder.join(QLatin1Char(',')));
        }
    }

    void controller();
    void nativeData();
    void powerDevices();
    void signalGroups();
    void signalGroup(const QString& id, const QString& element, const CnfSignalGroup& x, const CnfSignalGroup& y);
    void phases();
    void transitions(const QString& phaseId, const CnfPhase& x, const CnfPhase& y);
    void matrixCells(const QString& matrixKey, const QString& matrixElement, const CnfMatrix* x, const CnfMatrix* y);
    void matrices();
    void detectors(const QString& kind, const QString& listName, const QString& labelText,
                   const QList<QSharedPointer<CnfDetector>>& x, const QList<QSharedPointer<CnfDetector>>& y);
    void programs();
    void program(const QString& id, const QString& element, CnfProgram& x, CnfProgram& y);
    void steps(const QString& programId, const CnfProgram& x, const CnfProgram& y);
    void dayCards();
    void weekCards();
    void specialDays();
    void seasonPlans();

    const CnfController& a;
    const CnfController& b;
    QList<CnfDifference> differences;
};

QList<CnfDifference> DiffBuilder::run()
{
    controller();
    nativeData();
    powerDevices();
    signalGroups();
    phases();
    matrices();
    detectors(QStringLiteral("detector"), tr("detectors"), tr("detector %1"), a.detectorsList(), b.detectorsList());
    detectors(QStringLiteral("sensor"), tr("sensors"), tr("sensor %1"), a.sensorsList(), b.sensorsList());
    programs();
    dayCards();
    weekCards();
    specialDays();
    seasonPlans();
    return differences;
}

void DiffBuilder::controller()
{
    const QString kind = QStringLiteral("controller");
    const QString element = tr("controller");
    valueMaps(kind, QString(), element, properties(a), properties(b));
    value(kind, QString(), element, tr("default signal group"), groupId(a.defaultSignalGroup()),
          groupId(b.defaultSignalGroup()));
    value(kind, QString(), element, tr("default matrix"), matrixId(a.defaultMatrix()), matrixId(b.defaultMatrix()));
    value(kind, QString(), element, tr("safety matrix"), matrixId(a.safetyMatrix()), matrixId(b.safetyMatrix()));
    value(kind, QString(), element, tr("default program"), idOf(a.defaultProgram()), idOf(b.defaultProgram()));
    value(kind, QString(), element, tr("reserve program"), idOf(a.reserveProgram()), idOf(b.reserveProgram()));
    value(kind, QString(), element, tr("default day card"), idOf(a.defaultDayCard()), idOf(b.defaultDayCard()));
    value(QStringLiteral("interstate"), QString(), tr("interstate record"), tr("green blink/yellow/red-yellow"),
          interstateText(a.interstate()), interstateText(b.interstate()));
}

void DiffBuilder::nativeData()
{
    QMap<QString, QString> first;
    QMap<QString, QString> second;
    for (const QString& name : a.nativeDataNames())
        flatten(name, a.getNativeData(name), first);
    for (const QString& name : b.nativeDataNames())
        flatten(name, b.getNativeData(name), second);
    QStringList paths = first.keys() + second.keys();
    paths.removeDuplicates();
    std::sort(paths.begin(), paths.end());
    const QString kind = QStringLiteral("nativeData");
    for (const QString& path : qAsConst(paths)) {
        const QString element = tr("native data \"%1\"").arg(path);
        const QString x = first.value(path);
        const QString y = second.value(path);
        if (x == y)
            continue;
        if (!second.contains(path))
            add(kind, path, element, QString(), CnfDifference::Missing, x);
        else if (!first.contains(path))
            add(kind, path, element, QString(), CnfDifference::Added, QString(), y);
        else
            add(kind, path, element, tr("value"), CnfDifference::Changed, x, y);
    }
}

void DiffBuilder::powerDevices()
{
    using Device = QSharedPointer<CnfPowerDevice>;
    const auto key = [](const Device& d) { return QString::number(d->id); };
    const auto label = [](const QString& id) { return tr("power device %1").arg(id); };
    const QString kind = QStringLiteral("powerDevice");
    match(kind, tr("power devices"), keyed(a.powerDevices(), key), keyed(b.powerDevices(), key), label,
          [&](const QString& id, const QString& element, const Device& x, const Device& y) {
              value(kind, id, element, tr("name"), x->name, y->name);
              value(kind, id, element, tr("type"), CnfPowerDevice::type2String(x->type, false),
                    CnfPowerDevice::type2String(y->type, false));
              value(kind, id, element, tr("address"), QString::number(x->address), QString::number(y->address));
              value(kind, id, element, tr("colour"), QString::number(x->color), QString::number(y->color));
              value(kind, id, element, tr("lamp count"), QString::number(x->lampCount), QString::number(y->lampCount));
              value(kind, id, element, tr("controlled lamps"), QString::number(x->controlledLamps),
                    QString::number(y->controlledLamps));
          });
}

void DiffBuilder::signalGroups()
{
    using Group = QSharedPointer<CnfSignalGroup>;
    const auto key = [](const Group& g) { return QString::number(g->id); };
    const auto label = [](const QString& id) { return tr("signal group %1").arg(id); };
    match(QStringLiteral("signalGroup"), tr("signal groups"), keyed(a.signalGroups(), key),
          keyed(b.signalGroups(), key), label,
          [&](const QString& id, const QString& element, const Group& x, const Group& y) {
              signalGroup(id, element, *x, *y);
          });
}

void DiffBuilder::signalGroup(const QString& id, const QString& element, const CnfSignalGroup& x,
                              const CnfSignalGroup& y)
{
    const QString kind = QStringLiteral("signalGroup");
    const auto deviceIds = [](const CnfSignalGroup& g) {
        QList<int> ids;
        for (const auto& device : g.devices) {
            if (device)
                ids.append(device->id);
        }
        return idList(ids);
    };
    // A group's own intergreen record; the shared one is compared once.
    const auto ownRecord = [](const CnfSignalGroup& g, const CnfController& c) {
        return g.interstate == c.interstate() ? QString() : interstateText(g.interstate);
    };
    value(kind, id, element, tr("name"), x.name, y.name);
    value(kind, id, element, tr("type"), CnfSignalGroup::type2String(x.type, false, false),
          CnfSignalGroup::type2String(y.type, false, false));
    value(kind, id, element, tr("devices"), deviceIds(x), deviceIds(y));
    // 255 marks an empty detector slot; trailing empty slots carry nothing.
    const auto detectorIds = [](const CnfSignalGroup& g) {
        QList<int> ids = g.detectors;
        while (!ids.isEmpty() && ids.last() == 255)
            ids.removeLast();
        return idList(ids);
    };
    value(kind, id, element, tr("detectors"), detectorIds(x), detectorIds(y));
    value(kind, id, element, tr("own interstate record"), ownRecord(x, a), ownRecord(y, b));
    QList<int> variants = x.variantTimes.keys() + y.variantTimes.keys();
    std::sort(variants.begin(), variants.end());
    variants.erase(std::unique(variants.begin(), variants.end()), variants.end());
    for (int variant : qAsConst(variants)) {
        const auto timesText = [variant](const CnfSignalGroup& g) {
            if (!g.variantTimes.contains(variant))
                return QString();
            const CnfSGTimes t = g.variantTimes.value(variant);
            return QStringLiteral("%1/%2/%3/%4/%5/%6")
                .arg(t.greenAdd1)
                .arg(t.greenAdd2)
                .arg(t.greenBlink)
                .arg(t.redAdd)
                .arg(t.yellow)
                .arg(t.yellowRed);
        };
        value(kind, id, element, tr("times of variant %1 (green 1/green 2/green blink/red/yellow/red-yellow)").arg(variant),
              timesText(x), timesText(y));
    }
    valueMaps(kind, id, element, properties(x), properties(y));
}

void DiffBuilder::phases()
{
    using Phase = QSharedPointer<CnfPhase>;
    const auto key = [](const Phase& p) { return p->id; };
    const auto label = [](const QString& id) { return tr("phase %1").arg(id); };
    const QString kind = QStringLiteral("phase");
    match(kind, tr("phases"), keyed(a.phases(), key), keyed(b.phases(), key), label,
          [&](const QString& id, const QString& element, const Phase& x, const Phase& y) {
              const auto groups = [](const CnfPhase& p) {
                  QList<int> ids;
                  for (const auto& group : p.signalGroups) {
                      if (group)
                          ids.append(group->id);
                  }
                  return idList(ids);
              };
              value(kind, id, element, tr("name"), x->name, y->name);
              value(kind, id, element, tr("minimum"), QString::number(x->minLength), QString::number(y->minLength));
              value(kind, id, element, tr("maximum"), QString::number(x->maxLength), QString::number(y->maxLength));
              value(kind, id, element, tr("signal groups"), groups(*x), groups(*y));
              transitions(id, *x, *y);
          });
}

void DiffBuilder::transitions(const QString& phaseId, const CnfPhase& x, const CnfPhase& y)
{
    using Transition = QSharedPointer<CnfTransition>;
    const auto nonNull = [](const QList<Transition>& list) {
        QList<Transition> result;
        for (const auto& t : list) {
            if (t)
                result.append(t);
        }
        return result;
    };
    // Keyed "phase<from"; the phase id is matched already.
    const auto key = [&phaseId](const Transition& t) { return phaseId + QLatin1Char('<') + t->from; };
    const auto label = [&phaseId](const QString& id) {
        return tr("phase %1, transition from %2").arg(phaseId, id.mid(phaseId.size() + 1));
    };
    const QString kind = QStringLiteral("transition");
    match(kind, QString(), keyed(nonNull(x.transitions), key), keyed(nonNull(y.transitions), key), label,
          [&](const QString& id, const QString& element, const Transition& s, const Transition& t) {
              value(kind, id, element, tr("clearing"), mapText(s->clearing), mapText(t->clearing));
              value(kind, id, element, tr("entering"), mapText(s->entering), mapText(t->entering));
              value(kind, id, element, tr("added red"), mapText(s->addRed), mapText(t->addRed));
          },
          [](const Transition& t) {
              // Empty for a transition without times, such as one derived from the programs.
              QStringList parts;
              if (!t->clearing.isEmpty())
                  parts.append(tr("clearing %1").arg(mapText(t->clearing)));
              if (!t->entering.isEmpty())
                  parts.append(tr("entering %1").arg(mapText(t->entering)));
              if (!t->addRed.isEmpty())
                  parts.append(tr("added red %1").arg(mapText(t->addRed)));
              return parts.join(QLatin1String("; "));
          });
}

void DiffBuilder::matrixCells(const QString& matrixKey, const QString& matrixElement, const CnfMatrix* x,
                              const CnfMatrix* y)
{
    const auto cells = [](const CnfMatrix* m) {
        QMap<QPair<int, int>, double> result;
        if (!m)
            return result;
        for (const CnfMatrixCell& cell : m->content()) {
            if (cell.onGroup && cell.offGroup)
                result.insert({cell.onGroup->id, cell.offGroup->id}, cell.value);
        }
        return result;
    };
    const auto first = cells(x);
    const auto second = cells(y);
    QList<QPair<int, int>> pairs = first.keys() + second.keys();
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    const QString kind = QStringLiteral("matrixCell");
    for (const auto& pair : qAsConst(pairs)) {
        const QString id = QStringLiteral("%1:%2>%3").arg(matrixKey).arg(pair.first).arg(pair.second);
        const QString element = tr("%1, cell %2 → %3").arg(matrixElement).arg(pair.first).arg(pair.second);
        if (!second.contains(pair))
            add(kind, id, element, QString(), CnfDifference::Missing, number(first.value(pair)));
        else if (!first.contains(pair))
            add(kind, id, element, QString(), CnfDifference::Added, QString(), number(second.value(pair)));
        else
            value(kind, id, element, tr("value"), number(first.value(pair)), number(second.value(pair)));
    }
}

void DiffBuilder::matrices()
{
    matrixCells(QStringLiteral("conflict"), tr("conflict matrix"), a.conflictMatrix().data(), b.conflictMatrix().data());
    using Matrix = QSharedPointer<CnfMatrix>;
    const auto listed = [](const CnfController& c) {
        QList<Matrix> result;
        for (const auto& m : c.matrixList()) {
            if (m)
                result.append(m);
        }
        return result;
    };
    const auto key = [](const Matrix& m) { return QString::number(m->id()); };
    const auto label = [](const QString& id) { return tr("matrix %1").arg(id); };
    const QString kind = QStringLiteral("matrix");
    match(kind, tr("matrices"), keyed(listed(a), key), keyed(listed(b), key), label,
          [&](const QString& id, const QString& element, const Matrix& x, const Matrix& y) {
              value(kind, id, element, tr("name"), x->name(), y->name());
              matrixCells(id, element, x.data(), y.data());
          });
}

void DiffBuilder::detectors(const QString& kind, const QString& listName, const QString& labelText,
                            const QList<QSharedPointer<CnfDetector>>& x, const QList<QSharedPointer<CnfDetector>>& y)
{
    using Detector = QSharedPointer<CnfDetector>;
    const auto nonNull = [](const QList<Detector>& list) {
        QList<Detector> result;
        for (const auto& d : list) {
            if (d)
                result.append(d);
        }
        return result;
    };
    const auto key = [](const Detector& d) { return QString::number(d->id()); };
    const auto label = [&labelText](const QString& id) { return labelText.arg(id); };
    match(kind, listName, keyed(nonNull(x), key), keyed(nonNull(y), key), label,
          [&](const QString& id, const QString& element, const Detector& s, const Detector& t) {
              value(kind, id, element, tr("name"), s->name(), t->name());
              auto first = properties(*s);
              auto second = properties(*t);
              // The project document keeps id and name as attributes too.
              for (const char* own : {"id", "name"}) {
                  first.remove(QLatin1String(own));
                  second.remove(QLatin1String(own));
              }
              valueMaps(kind, id, element, first, second);
          });
}

void DiffBuilder::programs()
{
    using Program = QSharedPointer<CnfProgram>;
    const auto nonNull = [](const QList<Program>& list) {
        QList<Program> result;
        for (const auto& p : list) {
            if (p)
                result.append(p);
        }
        return result;
    };
    const auto key = [](const Program& p) { return p->id; };
    const auto label = [](const QString& id) { return tr("program %1").arg(id); };
    match(QStringLiteral("program"), tr("programs"), keyed(nonNull(a.programs()), key),
          keyed(nonNull(b.programs()), key), label,
          [&](const QString& id, const QString& element, const Program& x, const Program& y) {
              program(id, element, *x, *y);
          });
}

void DiffBuilder::program(const QString& id, const QString& element, CnfProgram& x, CnfProgram& y)
{
    const QString kind = QStringLiteral("program");
    value(kind, id, element, tr("name"), x.name, y.name);
    value(kind, id, element, tr("type"), CnfProgram::typeName(x.type, false), CnfProgram::typeName(y.type, false));
    value(kind, id, element, tr("cycle"), QString::number(x.cycle(false)), QString::number(y.cycle(false)));
    value(kind, id, element, tr("offset"), QString::number(x.cycleOffset(0)), QString::number(y.cycleOffset(0)));
    value(kind, id, element, tr("native type"), QString::number(x.nativeType), QString::number(y.nativeType));
    value(kind, id, element, tr("matrix"), matrixId(x.matrix), matrixId(y.matrix));
    value(kind, id, element, tr("interstate variant"), QString::number(x.interstateVariant()),
          QString::number(y.interstateVariant()));
    value(kind, id, element, tr("raw record"), QString::fromLatin1(x.data().toHex()),
          QString::fromLatin1(y.data().toHex()));
    valueMaps(kind, id, element, properties(x), properties(y));

    QMap<int, QString> timelines[2];
    const CnfProgram* both[2] = {&x, &y};
    for (int side = 0; side < 2; ++side) {
        for (auto it = both[side]->timeline.cbegin(); it != both[side]->timeline.cend(); ++it) {
            if (it.key())
                timelines[side].insert(it.key()->id, mapText(it.value()));
        }
    }
    QList<int> groups = timelines[0].keys() + timelines[1].keys();
    std::sort(groups.begin(), groups.end());
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
    for (int group : qAsConst(groups))
        value(kind, id, element, tr("timeline of group %1").arg(group), timelines[0].value(group), timelines[1].value(group));
    steps(id, x, y);
}

void DiffBuilder::steps(const QString& programId, const CnfProgram& x, const CnfProgram& y)
{
    const QString kind = QStringLiteral("step");
    const auto first = x.phases();
    const auto second = y.phases();
    for (int i = 0; i < qMax(first.size(), second.size()); ++i) {
        const QString id = programId + QLatin1Char('/') + QString::number(i + 1);
        const QString element = tr("program %1, step %2").arg(programId).arg(i + 1);
        const auto s = first.value(i);
        const auto t = second.value(i);
        if (!s || !t) {
            add(kind, id, element, QString(), s ? CnfDifference::Missing : CnfDifference::Added,
                s ? s->id() : QString(), t ? t->id() : QString());
            continue;
        }
        const auto fullLength = [](const CnfPhaseDef& step) {
            return step.fullLengthDefined() ? QString::number(step.fullLength()) : QString();
        };
        value(kind, id, element, tr("phase"), s->id(), t->id());
        value(kind, id, element, tr("length"), QString::number(s->length()), QString::number(t->length()));
        value(kind, id, element, tr("full length"), fullLength(*s), fullLength(*t));
        valueMaps(kind, id, element, properties(*s), properties(*t));
    }
}

void DiffBuilder::dayCards()
{
    using Card = QSharedPointer<CnfDayCard>;
    using Record = QPair<QTime, CnfDayCardRecord>;
    const auto key = [](const Card& c) { return c->id; };
    const auto label = [](const QString& id) { return tr("day card %1").arg(id); };
    const QString kind = QStringLiteral("dayCard");
    match(kind, tr("day cards"), keyed(a.dayCards(), key), keyed(b.dayCards(), key), label,
          [&](const QString& id, const QString& element, const Card& x, const Card& y) {
              value(kind, id, element, tr("name"), x->name, y->name);
              const auto records = [](const CnfDayCard& c) {
                  QList<Record> result;
                  for (auto it = c.records.cbegin(); it != c.records.cend(); ++it)
                      result.append({it.key(), it.value()});
                  return result;
              };
              const auto recordKey = [](const Record& r) { return r.first.toString(QStringLiteral("hh:mm")); };
              const auto recordLabel = [&id](const QString& time) { return tr("day card %1, %2").arg(id, time); };
              const QString recordKind = QStringLiteral("dayCardRecord");
              match(recordKind, QString(), keyed(records(*x), recordKey), keyed(records(*y), recordKey), recordLabel,
                    [&](const QString& time, const QString& recordElement, const Record& s, const Record& t) {
                        const QString recordId = id + QLatin1Char('/') + time;
                        value(recordKind, recordId, recordElement, tr("program"), idOf(s.second.program),
                              idOf(t.second.program));
                        value(recordKind, recordId, recordElement, tr("reserve program"),
                              idOf(s.second.reserveProgram), idOf(t.second.reserveProgram));
                        value(recordKind, recordId, recordElement, tr("end"),
                              s.second.end.toString(QStringLiteral("hh:mm")),
                              t.second.end.toString(QStringLiteral("hh:mm")));
                    });
          });
}

void DiffBuilder::weekCards()
{
    using Card = QSharedPointer<CnfWeekCard>;
    const auto key = [](const Card& c) { return c->id; };
    const auto label = [](const QString& id) { return tr("week card %1").arg(id); };
    const QString kind = QStringLiteral("weekCard");
    match(kind, tr("week cards"), keyed(a.weekCards(), key), keyed(b.weekCards(), key), label,
          [&](const QString& id, const QString& element, const Card& x, const Card& y) {
              value(kind, id, element, tr("name"), x->name, y->name);
              // A day without a card keeps the card of the nearest earlier day
              // (wrapping from Sunday): native formats store a run of days once.
              const auto dayCard = [](const CnfWeekCard& c, int day) {
                  for (int back = 0; back < 7; ++back) {
                      const auto d = Qt::DayOfWeek((day - 1 - back + 7) % 7 + 1);
                      if (c.days.contains(d))
                          return idOf(c.days.value(d));
                  }
                  return QString();
              };
              for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
                  value(QStringLiteral("weekDay"), id + QLatin1Char('/') + QString::number(day),
                        tr("week card %1, day %2").arg(id).arg(day), tr("day card"), dayCard(*x, day), dayCard(*y, day));
              }
          });
}

void DiffBuilder::specialDays()
{
    using Day = QPair<QDate, QSharedPointer<CnfSpecialDay>>;
    const auto days = [](const CnfController& c) {
        QList<Day> result;
        const auto map = c.specialDays();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            result.append({it.key(), it.value()});
        return result;
    };
    // Only day and month carry meaning.
    const auto key = [](const Day& d) { return d.first.toString(QStringLiteral("dd.MM")); };
    const auto label = [](const QString& date) { return tr("special day %1").arg(date); };
    const QString kind = QStringLiteral("specialDay");
    match(kind, QString(), keyed(days(a), key), keyed(days(b), key), label,
          [&](const QString& date, const QString& element, const Day& x, const Day& y) {
              const auto field = [](const Day& d, int which) {
                  if (!d.second)
                      return QString();
                  return which == 0 ? d.second->id : which == 1 ? d.second->name : idOf(d.second->dayCard);
              };
              value(kind, date, element, tr("id"), field(x, 0), field(y, 0));
              value(kind, date, element, tr("name"), field(x, 1), field(y, 1));
              value(kind, date, element, tr("day card"), field(x, 2), field(y, 2));
          });
}

void DiffBuilder::seasonPlans()
{
    using Plan = QSharedPointer<CnfSeasonPlan>;
    const auto key = [](const Plan& p) { return p->id; };
    const auto label = [](const QString& id) { return tr("season plan %1").arg(id); };
    const QString kind = QStringLiteral("seasonPlan");
    match(kind, tr("season plans"), keyed(a.seasonPlans(), key), keyed(b.seasonPlans(), key), label,
          [&](const QString& id, const QString& element, const Plan& x, const Plan& y) {
              const QString dayMonth = QStringLiteral("dd.MM");
              value(kind, id, element, tr("name"), x->name, y->name);
              value(kind, id, element, tr("from"), x->from.toString(dayMonth), y->from.toString(dayMonth));
              value(kind, id, element, tr("to"), x->to.toString(dayMonth), y->to.toString(dayMonth));
              value(kind, id, element, tr("week card"), idOf(x->weekCard), idOf(y->weekCard));
          });
}
} // namespace

QList<CnfDifference> CnfControllerDiff::compare(const CnfController& first, const CnfController& second)
{
    return DiffBuilder(first, second).run();
}
