#include "Norvak3xWriter.h"

#include <QDateTime>
#include <QObject>
#include <QPair>
#include <QVarLengthArray>
#include <QtAlgorithms>

#include <algorithm>
#include <cmath>

#include "CnfController.h"
#include "CnfMatrix.h"
#include "CnfNumberText.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "Norvak3xClock.h"
#include "Norvak3xImage.h"
#include "CnfLogging.h"
#include "ProgramRecordDecoder.h"

using S = Norvak3xSection;

namespace {

constexpr char unset = char(0xFF);
constexpr int maxIndexOffset = 255;
// The derived block keeps a device type in 4 bits.
constexpr int maxDeviceType = 15;

QByteArray word(int value)
{
    QByteArray out(2, unset);
    out[0] = char(value & 0xFF);
    out[1] = char((value >> 8) & 0xFF);
    return out;
}

// "date time" as stored in the title, "time/date": the text's first two
// space-separated parts swapped around a slash.
QString storedCreationTime(const QString& text)
{
    const int space = text.indexOf(QLatin1Char(' '));
    const int end = text.indexOf(QLatin1Char(' '), space + 1);
    QString stored;
    stored.reserve(text.size() + 1);
    stored.append(text.midRef(space + 1, end < 0 ? -1 : end - space - 1));
    stored.append(QLatin1Char('/'));
    stored.append(text.leftRef(space));
    return stored;
}

// A time as "dd.MM.yyyy hh:mm", or as "hh:mm/dd.MM.yyyy" when `clockFirst`,
// put together digit by digit: a general date format costs more than the
// rest of the title.
QString timeText(const QDateTime& time, bool clockFirst)
{
    const QDate date = time.date();
    if (date.year() < 1000 || date.year() > 9999)
        return time.toString(clockFirst ? QStringLiteral("hh:mm/dd.MM.yyyy") : QStringLiteral("dd.MM.yyyy hh:mm"));
    char text[16];
    auto put = [&text](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + i] = char('0' + value % 10);
    };
    const int clock = clockFirst ? 0 : 11;
    const int day = clockFirst ? 6 : 0;
    put(clock, time.time().hour(), 2);
    text[clock + 2] = ':';
    put(clock + 3, time.time().minute(), 2);
    text[clockFirst ? 5 : 10] = clockFirst ? '/' : ' ';
    put(day, date.day(), 2);
    text[day + 2] = '.';
    put(day + 3, date.month(), 2);
    text[day + 5] = '.';
    put(day + 6, date.year(), 4);
    return QString::fromLatin1(text, int(sizeof text));
}

// A decimal id that fits the byte a record keeps it in.
bool byteId(const QString& id, int* number)
{
    bool ok = false;
    *number = cnfTextNumber(id, &ok);
    return ok && *number >= 0 && *number <= 255;
}

// The colour code of the derived block: green 1, amber 3, red 2.
int colorCode(int color)
{
    switch (color) {
    case 0:
        return 1;
    case 1:
        return 3;
    case 2:
        return 2;
    default:
        return 0;
    }
}

} // namespace

Norvak3xWriter::Norvak3xWriter(CnfController& controller, const Norvak3xLayout& layout)
    : m_controller(controller)
    , m_layout(layout)
    , m_groups(controller.signalGroups())
    , m_phases(controller.phases())
    , m_programs(controller.programs())
    , m_dayCards(controller.dayCards())
{
    m_sections.reserve(layout.sectionCount());
    m_groupPositions.reserve(m_groups.size());
    for (int i = 0; i < m_groups.size(); ++i)
        m_groupPositions.append(qMakePair<const CnfSignalGroup*, int>(m_groups.at(i).data(), i));
    std::sort(m_groupPositions.begin(), m_groupPositions.end());
}

int Norvak3xWriter::groupPosition(const CnfSignalGroup* group) const
{
    const auto it = std::lower_bound(
        m_groupPositions.cbegin(), m_groupPositions.cend(), qMakePair<const CnfSignalGroup*, int>(group, -1));
    return it != m_groupPositions.cend() && it->first == group ? it->second : -1;
}

quint32 Norvak3xWriter::groupPositionBits(const CnfSignalGroup* group) const
{
    quint32 bits = 0;
    auto it = std::lower_bound(
        m_groupPositions.cbegin(), m_groupPositions.cend(), qMakePair<const CnfSignalGroup*, int>(group, -1));
    for (; it != m_groupPositions.cend() && it->first == group && it->second < 32; ++it)
        bits |= quint32(1) << it->second;
    return bits;
}

QByteArray Norvak3xWriter::write()
{
    const bool built = writeTitle() && writePower() && writeFields(S::Info, m_layout.info) && writeSignalGroups()
        && writeConflicts() && writeIntergreens() && writePhases() && writePrograms() && writeDayCards() && writeWeek()
        && writeSpecialDays() && writeRemotePanel() && writeFields(S::CentralControl, m_layout.centralControl)
        && writeErrorControl() && writeFields(S::StartUp, m_layout.startUp) && writeStatistics() && writeCountdown()
        && writeSynchronizer();
    if (!built)
        return {};
    writeDerived();
    return Norvak3xImage::assemble(m_sections, &m_error);
}

QByteArray Norvak3xWriter::counted(S s, int count) const
{
    const int size = m_layout.recordSize(s);
    QByteArray out(2 + count * size, unset);
    out[0] = char(count);
    out[1] = char(size);
    return out;
}

char* Norvak3xWriter::record(QByteArray& section, int recordSize, int n)
{
    return section.data() + 2 + n * recordSize;
}

void Norvak3xWriter::dropWhenUnset(QByteArray& section)
{
    for (int i = 2; i < section.size(); ++i) {
        if (section.at(i) != unset)
            return;
    }
    section.truncate(2);
    section[0] = 0;
}

// Element count, one offset byte per element, then the elements. The
// offsets are single bytes, so every element must start within 255 bytes.
bool Norvak3xWriter::indexed(const QList<QByteArray>& elements, QByteArray* out)
{
    QByteArray index(1 + elements.size(), unset);
    index[0] = char(elements.size());
    int offset = index.size();
    QByteArray body;
    for (int k = 0; k < elements.size(); ++k) {
        if (offset > maxIndexOffset)
            return false;
        index[1 + k] = char(offset);
        offset += elements.at(k).size();
        body.append(elements.at(k));
    }
    *out = index + body;
    return true;
}

void Norvak3xWriter::append(S s, const QByteArray& section)
{
    if (m_layout.has(s))
        m_sections.append(section);
}

bool Norvak3xWriter::fail(const QString& message)
{
    m_error = message;
    return false;
}

bool Norvak3xWriter::tooMany(const QString& message, int number, int limit)
{
    return fail(message.arg(number).arg(limit));
}

bool Norvak3xWriter::outOfRange(const QString& name, int value, int low, int high)
{
    return fail(
        QObject::tr("Значение %1 = %2 выходит за разрешённые пределы [%3;%4]").arg(name).arg(value).arg(low).arg(high));
}

// Unset values keep the 255 the record was filled with; flags are 1 or 0.
bool Norvak3xWriter::putValue(char* at, const QVariant& v, Norvak3xValue kind, const QString& name)
{
    if (kind == Norvak3xValue::Flag) {
        *at = v.toBool() ? 1 : 0;
        return true;
    }
    bool ok = false;
    const int n = v.isValid() ? v.toInt(&ok) : 0;
    return !ok || putByte(at, n, [&name] { return name; });
}

bool Norvak3xWriter::putNative(char* record, const Norvak3xField& field)
{
    return putValue(record + field.offset, m_controller.getNativeData(field.key), field.kind, field.key);
}

bool Norvak3xWriter::writeTitle()
{
    if (m_layout.hasFixedTitle())
        return writeFixedTitle();
    QList<QByteArray> elements;
    elements.reserve(8); // number, description, three settings, version, two times
    elements.append(word(m_controller.property("number").toInt()));
    const QByteArray description = Norvak3xImage::encodeText(m_controller.property("description").toString());
    elements.append(description + '\0');
    for (const QString& key :
         {QStringLiteral("journalDetail"), QStringLiteral("powerSwitch"), QStringLiteral("maxCurrent")}) {
        QByteArray b(1, unset);
        if (!putValue(b.data(), m_controller.getNativeData(key), Norvak3xValue::Byte, key))
            return false;
        elements.append(b);
    }
    elements.append(word(m_layout.number));

    const QDateTime now = Norvak3xClock::now();
    const QString nowText = timeText(now, false);
    const QString created = m_controller.getNativeData(QStringLiteral("creationTime")).toString();
    // A part with a slash of its own would make the stored time unreadable.
    const bool usable = created.count(QLatin1Char(' ')) == 1 && !created.startsWith(QLatin1Char(' '))
        && !created.endsWith(QLatin1Char(' ')) && !created.contains(QLatin1Char('/'));
    elements.append(Norvak3xImage::encodeText(storedCreationTime(usable ? created : nowText)) + '\0');
    // The controller keeps the change time in the form the reader produces.
    m_controller.setNativeData(QStringLiteral("changeTime"), nowText);
    elements.append(timeText(now, true).toLatin1() + '\0');

    QByteArray title;
    if (!indexed(elements, &title)) {
        int fixed = 1 + elements.size() - description.size();
        for (int k = 0; k + 1 < elements.size(); ++k)
            fixed += elements.at(k).size();
        return fail(QObject::tr("Описание контроллера слишком длинное: %1 байт, возможно не более %2")
                        .arg(description.size())
                        .arg(maxIndexOffset - fixed));
    }
    append(S::Title, title);
    return true;
}

// Five words, then creation and change time as hour, day, month and
// two-digit year; words without a value are written as not set.
bool Norvak3xWriter::writeFixedTitle()
{
    QByteArray title(m_layout.recordSize(S::Title), unset);
    title.replace(0, 2, word(m_controller.property("number").toInt()));
    const char* const words[] = {"journalDetail", "powerSwitch", "maxCurrent"};
    for (int i = 0; i < 3; ++i) {
        const QString key = QLatin1String(words[i]);
        bool ok = false;
        const QVariant v = m_controller.getNativeData(key);
        const int value = v.isValid() ? v.toInt(&ok) : 0;
        if (ok && (value < 0 || value > 0xFFFF))
            return outOfRange(key, value, 0, 0xFFFF);
        title.replace(2 + 2 * i, 2, word(ok ? value : 0xFFFF));
    }
    title.replace(m_layout.versionPosition, 2, word(m_layout.number));

    const QString format = QStringLiteral("dd.MM.yyyy hh:mm");
    const QDateTime now = Norvak3xClock::now();
    QDateTime created
        = QDateTime::fromString(m_controller.getNativeData(QStringLiteral("creationTime")).toString(), format);
    if (!created.isValid())
        created = now;
    putNumericTime(title.data() + 10, created, now);
    m_controller.setNativeData(QStringLiteral("changeTime"), now.toString(format));
    putNumericTime(title.data() + 14, now, now);
    append(S::Title, title);
    return true;
}

// Hour, day, month and the year within its century. The byte holds the
// years 1990 to 2089 only; another year is replaced by the current one
// rather than wrapped into a wrong date.
void Norvak3xWriter::putNumericTime(char* at, const QDateTime& time, const QDateTime& now)
{
    QDate date = time.date();
    if (date.year() < 1990 || date.year() > 2089) {
        qCWarning(lcCnfNative).noquote()
            << QObject::tr("Год %1 не может быть записан в заголовок, записан текущий").arg(date.year());
        date.setDate(now.date().year(), date.month(), date.day());
        if (!date.isValid()) // 29 February
            date = now.date();
    }
    at[0] = char(time.time().hour());
    at[1] = char(date.day());
    at[2] = char(date.month());
    at[3] = char(date.year() > 1999 ? date.year() - 2000 : date.year() - 1900);
}

bool Norvak3xWriter::writePower()
{
    // The device of each address, the last listed one winning as in a
    // look-up by address.
    const QList<QSharedPointer<CnfPowerDevice>> devices = m_controller.powerDevices();
    std::array<int, Norvak3xLayout::powerEntries> listed;
    listed.fill(-1);
    for (int i = 0; i < devices.size(); ++i) {
        const int address = devices.at(i)->address;
        if (address >= 0 && address < Norvak3xLayout::powerEntries)
            listed[size_t(address)] = i;
    }
    // The group of each address's device, the last one that lists it as in
    // a look-up of a device's group, and the device's first place in it.
    std::array<int, Norvak3xLayout::powerEntries> groupAt;
    std::array<int, Norvak3xLayout::powerEntries> placeAt;
    groupAt.fill(-1);
    for (int g = 0; g < m_groups.size(); ++g) {
        const auto& keys = m_groups.at(g)->devices;
        for (int k = 0; k < keys.size(); ++k) {
            const CnfPowerDevice* device = keys.at(k).data();
            const int address = device ? device->address : -1;
            if (address < 0 || address >= Norvak3xLayout::powerEntries || listed[size_t(address)] < 0
                || devices.at(listed[size_t(address)]).data() != device || groupAt[size_t(address)] == g)
                continue;
            groupAt[size_t(address)] = g;
            placeAt[size_t(address)] = k;
        }
    }
    m_power = QByteArray(2 * Norvak3xLayout::powerEntries, unset);
    for (int address = 0; address < Norvak3xLayout::powerEntries; ++address) {
        char* entry = m_power.data() + 2 * address;
        entry[0] = 0;
        if (listed[size_t(address)] < 0)
            continue;
        const QSharedPointer<CnfPowerDevice>& device = devices.at(listed[size_t(address)]);
        if (device->type < 0 || device->type > maxDeviceType) {
            return fail(QObject::tr("Устройство %1 по адресу %2 имеет тип %3: образ хранит типы устройств от 0 до %4")
                            .arg(device->id)
                            .arg(address)
                            .arg(int(device->type))
                            .arg(maxDeviceType));
        }
        entry[0] = char(device->type);
        if (groupAt[size_t(address)] < 0)
            continue;
        const CnfSignalGroup* group = m_groups.at(groupAt[size_t(address)]).data();
        const int groupPosition = this->groupPosition(group);
        if (groupPosition < 0 || groupPosition > 31)
            return fail(QObject::tr("В устройстве по адресу %1 неверная ссылка на сигнальную группу").arg(address));
        const int devicePosition = placeAt[size_t(address)];
        if (devicePosition > 7) {
            return fail(QObject::tr("В устройстве %1 неверная ссылка на привязку в сигнальной группе %2")
                            .arg(device->id)
                            .arg(group->id));
        }
        entry[1] = char(devicePosition * 32 + groupPosition);
    }
    append(S::Power, m_power);
    return true;
}

bool Norvak3xWriter::writeFields(S section, const QVector<Norvak3xField>& fields)
{
    QByteArray out = counted(section, 1);
    for (const Norvak3xField& field : fields) {
        if (!putNative(record(out, m_layout.recordSize(section), 0), field))
            return false;
    }
    append(section, out);
    return true;
}

bool Norvak3xWriter::writeSignalGroups()
{
    const int n = m_groups.size();
    if (n > m_layout.maxSignalGroups())
        return tooMany(QObject::tr("Число заданных сигнальных групп %1 превышает максимально допустимое %2"), n,
            m_layout.maxSignalGroups());
    if (n < m_layout.minSignalGroups)
        return fail(QObject::tr("Для работы контроллера необходимо минимум 2 сигнальные группы"));
    const int size = m_layout.recordSize(S::SignalGroups);
    QByteArray out = counted(S::SignalGroups, n);
    for (int g = 0; g < n; ++g) {
        const CnfSignalGroup& group = *m_groups.at(g);
        if (group.devices.size() > m_layout.maxDevicesPerGroup) {
            return fail(QObject::tr("В сигнальной группе %1 назначено %2 ключей. Возможно не более %3")
                            .arg(group.id)
                            .arg(group.devices.size())
                            .arg(m_layout.maxDevicesPerGroup));
        }
        char* r = record(out, size, g);
        if (!putByte(r, group.id, [&] { return QObject::tr("СГ %1").arg(group.id); }))
            return false;
        r[1] = char(group.getType() >= 1 && group.getType() <= 4 ? group.getType() : 0);
        for (int i = 0; i < m_layout.groupDetectorCount && i < group.detectors.size(); ++i) {
            const auto name = [&] { return QObject::tr("СГ %1, детектор").arg(group.id); };
            if (!putByte(r + 2 + i, group.detectors.at(i), name))
                return false;
        }
        for (int k = 0; k < group.devices.size(); ++k) {
            const CnfPowerDevice* device = group.devices.at(k).data();
            if (device && !writeKey(r + m_layout.groupKeyOffset() + 4 * k, *device, group.id))
                return false;
        }
    }
    append(S::SignalGroups, out);
    return true;
}

// A key of a group record: address, colour, lamps, controlled lamps.
bool Norvak3xWriter::writeKey(char* key, const CnfPowerDevice& device, int groupId)
{
    const int values[] = {device.address, device.color, device.lampCount, device.controlledLamps};
    const auto name = [&] { return QObject::tr("СГ %1, устройство по адресу %2").arg(groupId).arg(device.address); };
    for (int i = 0; i < 4; ++i) {
        if (!putByte(key + i, values[i], name, 0, i == 0 ? Norvak3xLayout::powerEntries - 1 : 255))
            return false;
    }
    return true;
}

bool Norvak3xWriter::writeConflicts()
{
    const int size = m_layout.recordSize(S::Conflicts);
    const int columns = qMin(size - 1, m_groups.size());
    m_conflicts = counted(S::Conflicts, m_groups.size());
    for (int row = 0; row < m_groups.size(); ++row)
        record(m_conflicts, size, row)[0] = char(m_groups.at(row)->id);
    // Every pair of the conflict matrix marks the rows and columns of its
    // groups, found by address only: a cell's group is never dereferenced.
    // The group records have been checked: there are at most 32 rows.
    const quint32 columnBits = columns >= 32 ? ~quint32(0) : (quint32(1) << columns) - 1;
    const auto matrix = m_controller.conflictMatrix();
    const QList<CnfMatrixCell> cells = matrix ? matrix->content() : QList<CnfMatrixCell>();
    char* const records = record(m_conflicts, size, 0);
    // The cells of one group getting green usually follow each other; the
    // groups losing green come back in every row, so theirs are kept in a
    // small cache by address.
    const CnfSignalGroup* lastOn = nullptr;
    quint32 lastRows = 0;
    struct Positions
    {
        const CnfSignalGroup* group = nullptr;
        quint32 bits = 0;
    };
    std::array<Positions, 64> offPositions {};
    auto offBits = [&](const CnfSignalGroup* group) {
        Positions& cached = offPositions[(quintptr(group) >> 4) % offPositions.size()];
        if (!cached.group || cached.group != group)
            cached = {group, groupPositionBits(group)};
        return cached.bits;
    };
    for (const CnfMatrixCell& cell : cells) {
        if (std::isnan(cell.value))
            continue;
        if (cell.onGroup != lastOn || !lastOn) {
            lastOn = cell.onGroup;
            lastRows = groupPositionBits(cell.onGroup);
        }
        const quint32 rows = lastRows;
        const quint32 offColumns = rows ? offBits(cell.offGroup) & columnBits : 0;
        for (quint32 r = offColumns ? rows : 0; r; r &= r - 1) {
            char* const row = records + qCountTrailingZeroBits(r) * size;
            for (quint32 c = offColumns; c; c &= c - 1)
                row[1 + qCountTrailingZeroBits(c)] = 0;
        }
    }
    append(S::Conflicts, m_conflicts);
    return true;
}

// Each variant is stored as the running sums of its clearing steps.
bool Norvak3xWriter::writeIntergreens()
{
    const int size = m_layout.recordSize(S::Intergreens);
    QByteArray out = counted(S::Intergreens, m_groups.size());
    for (int g = 0; g < m_groups.size(); ++g) {
        const CnfSignalGroup& group = *m_groups.at(g);
        char* r = record(out, size, g);
        r[0] = char(group.id);
        for (int v = 1; v <= m_layout.storedVariants(); ++v) {
            const auto it = group.variantTimes.constFind(v);
            if (it == group.variantTimes.constEnd() || it->greenAdd1 == 255)
                continue;
            const quint8 t4 = it->redAdd;
            const quint8 t3 = quint8(t4 + it->yellow);
            const quint8 t2 = quint8(t3 + it->greenBlink);
            const quint8 t1 = quint8(t2 + it->greenAdd1);
            char* t = r + 1 + 6 * (v - 1);
            t[0] = char(t1);
            t[1] = char(t2);
            t[2] = char(t3);
            t[3] = char(t4);
            t[4] = char(quint8(it->yellowRed + it->greenAdd2));
            t[5] = char(it->greenAdd2);
        }
    }
    append(S::Intergreens, out);
    return true;
}

bool Norvak3xWriter::writePhases()
{
    const int n = m_phases.size();
    if (n > m_layout.maxPhases)
        return tooMany(QObject::tr("Число заданных фаз %1 превышает максимально допустимое %2"), n, m_layout.maxPhases);
    if (n < 1)
        return fail(QObject::tr("Для работы контроллера необходимо минимум 1 фаза"));
    const int size = m_layout.recordSize(S::Phases);
    QByteArray out = counted(S::Phases, n);
    for (int p = 0; p < n; ++p) {
        const CnfPhase& phase = *m_phases.at(p);
        int number = 0;
        if (!byteId(phase.id, &number)) {
            return fail(QObject::tr("Фаза %1 имеет недопустимый идентификатор. Возможно использование только чисел")
                            .arg(phase.id));
        }
        if (phase.signalGroups.size() > m_layout.phaseGroupSlots()) {
            return fail(QObject::tr("Фаза %1 содержит %2 сигнальных групп. Возможно не более %3")
                            .arg(phase.id)
                            .arg(phase.signalGroups.size())
                            .arg(m_layout.phaseGroupSlots()));
        }
        char* r = record(out, size, p);
        r[0] = char(number);
        // A limit of 0 or less is not set.
        const auto name = [&] { return QObject::tr("Фаза %1, длительность").arg(phase.id); };
        if ((phase.minLength > 0 && !putByte(r + 1, phase.minLength, name))
            || (phase.maxLength > 0 && !putByte(r + 2, phase.maxLength, name)))
            return false;
        for (int i = 0; i < phase.signalGroups.size(); ++i) {
            const int position = groupPosition(phase.signalGroups.at(i).data());
            if (position >= 0)
                r[3 + i] = char(position);
        }
    }
    append(S::Phases, out);
    return true;
}

bool Norvak3xWriter::writePrograms()
{
    const int n = m_programs.size();
    if (n > m_layout.maxPrograms)
        return tooMany(
            QObject::tr("Число заданных программ %1 превышает максимально допустимое %2"), n, m_layout.maxPrograms);
    if (n < 1)
        return fail(QObject::tr("Для работы контроллера необходима хотя бы 1 программа"));
    const int size = m_layout.recordSize(S::Programs);
    QByteArray out = counted(S::Programs, 0);
    out[0] = char(n);
    NumberOwners numbers {}; // the program that took each number byte
    CnfProgram decoded; // each record is decoded into it in turn
    for (const auto& program : m_programs) {
        QByteArray data = program->data();
        if (data.size() != size) {
            return fail(QObject::tr("В программе %1 данные НОРВАК неправильного размера - %2 (должно быть %3)")
                            .arg(program->id)
                            .arg(data.size())
                            .arg(size));
        }
        if (!checkAlgorithm(*program, decoded) || !putProgramNumber(*program, &data, &numbers))
            return false;
        const auto steps = program->phases();
        for (const auto& step : steps) {
            const auto phase = step ? step->phase() : QSharedPointer<CnfPhase>();
            if (!phase || phase->minLength <= 0 || phase->maxLength <= 0 || step->length() == -1)
                continue;
            if (step->length() < phase->minLength || step->length() > phase->maxLength) {
                return fail(
                    QObject::tr("В программе %1 длительность фазы %2 = %3 выходит за разрешённые пределы [%4;%5]")
                        .arg(program->id)
                        .arg(step->id())
                        .arg(step->length())
                        .arg(phase->minLength)
                        .arg(phase->maxLength));
            }
        }
        out.append(data);
    }
    append(S::Programs, out);
    return true;
}

// The record's algorithm must be one the version knows: its reader would
// refuse the image otherwise.
bool Norvak3xWriter::checkAlgorithm(const CnfProgram& program, CnfProgram& decoded)
{
    ProgramRecordDecoder decoder(m_controller, decoded);
    // As on reading, the all-red program has no fields to check.
    if (!decoder.readHead(program.data(), false)
        || (decoded.nativeType != 0 && !decoder.checkFields(m_layout.programLayout())))
        return fail(decoder.errorString());
    return true;
}

// Byte 0 is the program's number, taken from its id, so that a renumbered
// program is written under its new number. Numbers above 127 are kept as
// ids by their signed reading (200 is "-56"); both forms are accepted.
bool Norvak3xWriter::putProgramNumber(const CnfProgram& program, QByteArray* data, NumberOwners* numbers)
{
    bool ok = false;
    const int number = cnfTextNumber(program.id, &ok);
    if (!ok || number < -128 || number > 255) {
        return fail(QObject::tr("Программа %1 имеет недопустимый идентификатор. Возможно использование только чисел")
                        .arg(program.id));
    }
    const int byte = number & 0xFF;
    if (const CnfProgram* owner = (*numbers)[size_t(byte)]) {
        return fail(QObject::tr("Программы %1 и %2 имеют одинаковый номер %3")
                        .arg(owner->id, program.id)
                        .arg(qint8(quint8(byte))));
    }
    (*numbers)[size_t(byte)] = &program;
    (*data)[0] = char(byte);
    return true;
}

bool Norvak3xWriter::writeDayCards()
{
    const int n = m_dayCards.size();
    if (n > m_layout.maxDayCards)
        return tooMany(QObject::tr("Число заданных суточных карт %1 превышает максимально допустимое %2"), n,
            m_layout.maxDayCards);
    const int size = m_layout.recordSize(S::DayCards);
    const int entrySize = m_layout.dayCardEntrySize();
    QByteArray out = counted(S::DayCards, n);
    for (int c = 0; c < n; ++c) {
        const CnfDayCard& card = *m_dayCards.at(c);
        if (card.records.size() > Norvak3xLayout::dayCardEntries) {
            return fail(QObject::tr("Суточная карта %1 содержит %2 записей. Возможно не более %3")
                            .arg(card.id)
                            .arg(card.records.size())
                            .arg(Norvak3xLayout::dayCardEntries));
        }
        int number = 0;
        if (!byteId(card.id, &number)) {
            return fail(
                QObject::tr("Суточная карта %1 имеет недопустимый идентификатор. Возможно использование только чисел")
                    .arg(card.id));
        }
        char* r = record(out, size, c);
        r[0] = char(number);
        int e = 0;
        for (auto it = card.records.constBegin(); it != card.records.constEnd(); ++it, ++e) {
            char* entry = r + 1 + e * entrySize;
            const int program = it->program ? m_programs.indexOf(it->program) : -1;
            if (program < 0) {
                return fail(QObject::tr("Суточная карта %1 содержит ссылку на несуществующую программу для времени %2")
                                .arg(card.id)
                                .arg(it.key().toString(QStringLiteral("hh:mm"))));
            }
            entry[0] = char(program);
            if (m_layout.dayCardHasReserve() && it->reserveProgram) {
                const int reserve = m_programs.indexOf(it->reserveProgram);
                if (reserve >= 0)
                    entry[1] = char(reserve);
            }
            entry[entrySize - 2] = char(it.key().hour());
            entry[entrySize - 1] = char(it.key().minute());
        }
    }
    append(S::DayCards, out);
    return true;
}

// Days without a card of their own repeat the card of the nearest earlier
// day, wrapping from Sunday to Monday.
bool Norvak3xWriter::writeWeek()
{
    const auto weeks = m_controller.weekCards();
    if (weeks.size() > m_layout.maxWeekCards)
        return tooMany(QObject::tr("Число заданных недельных карт %1 превышает максимально допустимое %2"),
            weeks.size(), m_layout.maxWeekCards);
    if (weeks.isEmpty()) {
        append(S::Week, counted(S::Week, 0));
        return true;
    }
    QByteArray out = counted(S::Week, 1);
    char* r = record(out, m_layout.recordSize(S::Week), 0);
    const auto& days = weeks.first()->days;
    for (auto it = days.constBegin(); it != days.constEnd(); ++it) {
        const int day = int(it.key());
        const int position = m_dayCards.indexOf(it.value());
        if (day < 1 || day > 7)
            continue;
        if (position < 0)
            return fail(QObject::tr("Недельный план содержит ссылку на несуществующую суточную карту для дня недели %1")
                            .arg(day));
        r[day - 1] = char(position);
    }
    char last = unset;
    for (int i = 0; i < 14; ++i) {
        if (r[i % 7] == unset)
            r[i % 7] = last;
        else
            last = r[i % 7];
    }
    append(S::Week, out);
    return true;
}

bool Norvak3xWriter::writeSpecialDays()
{
    const auto days = m_controller.specialDays();
    if (days.size() > m_layout.maxSpecialDays)
        return tooMany(QObject::tr("Число заданных особых дней года %1 превышает максимально допустимое %2"),
            days.size(), m_layout.maxSpecialDays);
    const int size = m_layout.recordSize(S::SpecialDays);
    QByteArray out = counted(S::SpecialDays, days.size());
    // In calendar order: the image keeps no year, and a 29 February may sit
    // in a leap year of its own in the model. Month and day are taken once
    // per date, not per comparison.
    struct Day
    {
        int month;
        int day;
        QDate date;
        const CnfSpecialDay* special;
    };
    QVector<Day> ordered;
    ordered.reserve(days.size());
    for (auto it = days.cbegin(); it != days.cend(); ++it)
        ordered.append({it.key().month(), it.key().day(), it.key(), it.value().data()});
    std::stable_sort(ordered.begin(), ordered.end(),
        [](const Day& a, const Day& b) { return qMakePair(a.month, a.day) < qMakePair(b.month, b.day); });
    for (int n = 0; n < ordered.size(); ++n) {
        const QDate& key = ordered.at(n).date;
        const auto date = [&key] { return key.toString(QStringLiteral("dd.MM")); };
        const CnfSpecialDay* special = ordered.at(n).special;
        if (!special || !special->dayCard)
            return fail(
                QObject::tr("Особые дни содержат ссылку на несуществующую суточную карту для даты %1").arg(date()));
        const int position = m_dayCards.indexOf(special->dayCard);
        if (position < 0)
            return fail(
                QObject::tr("Особые дни содержат ссылку на несуществующую суточную карту для для даты %1").arg(date()));
        char* r = record(out, size, n);
        r[0] = char(position);
        r[1] = char(ordered.at(n).day);
        r[2] = char(ordered.at(n).month);
    }
    append(S::SpecialDays, out);
    return true;
}

// Phase and program slots keep record positions; the native data keeps the
// numbers, which must name elements of the controller.
bool Norvak3xWriter::writeRemotePanel()
{
    const Norvak3xRemotePanel& vpu = m_layout.remotePanel;
    auto native = [this](const QString& key) { return m_controller.getNativeData(key); };
    QByteArray out = counted(S::RemotePanel, 1);
    char* r = record(out, m_layout.recordSize(S::RemotePanel), 0);

    const QVariantList phases = native(QStringLiteral("vpu_phases")).toList();
    if (phases.size() > vpu.phaseCount)
        return tooMany(QObject::tr("Число заданных фаз для ВПУ %1 превышает максимально допустимое %2"), phases.size(),
            vpu.phaseCount);
    for (int i = 0; i < phases.size(); ++i) {
        bool ok = false;
        const int number = phases.at(i).isValid() ? phases.at(i).toInt(&ok) : 0;
        if (!ok)
            continue;
        const int position = m_phases.indexOf(m_controller.findPhase(cnfNumberText(number)));
        if (position < 0)
            return fail(QObject::tr("Параметры ВПУ содержат ссылку на несуществующую фазу %1").arg(number));
        r[vpu.phases + i] = char(position);
    }
    if (vpu.allowedInactivity >= 0
        && !putValue(r + vpu.allowedInactivity, native(QStringLiteral("allowedInactivity")), Norvak3xValue::Byte,
            QStringLiteral("allowedInactivity")))
        return false;
    const QVariant useKey = native(QStringLiteral("useKey"));
    if (vpu.useKey >= 0 && useKey.isValid())
        r[vpu.useKey] = useKey.toBool() ? 1 : 0;
    if (vpu.requests >= 0) {
        const QVariantList requests = native(QStringLiteral("vpu_requests")).toList();
        for (int i = 0; i < vpu.requestCount && i < requests.size(); ++i) {
            if (requests.at(i).isValid())
                r[vpu.requests + i] = requests.at(i).toBool() ? 1 : 0;
        }
    }
    if (vpu.programs >= 0) {
        const QVariantList programs = native(QStringLiteral("vpu_programs")).toList();
        for (int i = 0; i < vpu.programCount && i < programs.size(); ++i) {
            bool ok = false;
            const int number = programs.at(i).isValid() ? programs.at(i).toInt(&ok) : 0;
            if (!ok)
                continue;
            const int position = m_programs.indexOf(m_controller.findProgram(cnfNumberText(number)));
            if (position < 0)
                return fail(QObject::tr("Параметры ВПУ содержат ссылку на несуществующую программу %1").arg(number));
            r[vpu.programs + i] = char(position);
        }
    }
    if (vpu.interstateVariant >= 0
        && !putValue(r + vpu.interstateVariant, native(QStringLiteral("vpu_interstateVariant")), Norvak3xValue::Byte,
            QStringLiteral("vpu_interstateVariant")))
        return false;
    // A panel without any setting is written empty; one that has settings
    // uses its key unless told otherwise.
    dropWhenUnset(out);
    if (out.at(0) != 0 && vpu.useKey >= 0 && !useKey.isValid())
        record(out, m_layout.recordSize(S::RemotePanel), 0)[vpu.useKey] = 1;
    append(S::RemotePanel, out);
    return true;
}

bool Norvak3xWriter::writeErrorControl()
{
    const int kinds = m_layout.errorKinds();
    QVariantList entries = m_controller.getNativeData(QStringLiteral("errorControl")).toList();
    if (entries.isEmpty()) {
        for (int i = 0; i < kinds; ++i)
            entries.append(QVariant(QVariantList {QVariant(), QVariant()}));
    }
    if (entries.size() != kinds) {
        return fail(QObject::tr("Неправильный размер данных в параметрах контроля ошибок %1 должно быть %2")
                        .arg(entries.size())
                        .arg(kinds));
    }
    QByteArray out = counted(S::ErrorControl, 2);
    for (int i = 0; i < kinds; ++i) {
        const QVariantList pair = entries.at(i).toList();
        if (pair.size() != 2)
            return fail(QObject::tr("Неправильная структура данных в параметрах контроля ошибок"));
        for (int n = 0; n < 2; ++n) {
            if (!putByte(record(out, kinds, n) + i, pair.at(n).toInt(),
                    [i] { return QObject::tr("Контроль ошибок %1").arg(i + 1); }))
                return false;
        }
    }
    append(S::ErrorControl, out);
    return true;
}

bool Norvak3xWriter::writeStatistics()
{
    const Norvak3xStatistics& stat = m_layout.statistics;
    QByteArray out = counted(S::Statistics, 1);
    char* r = record(out, m_layout.recordSize(S::Statistics), 0);
    for (const Norvak3xField& field : stat.periods) {
        if (!putNative(r, field))
            return false;
    }
    const QString key = QLatin1String(stat.listKey);
    const QVariantList list = m_controller.getNativeData(key).toList();
    auto putDetectors = [&](const QVariantList& detectors, char* at) {
        if (detectors.size() > stat.groupSize)
            return tooMany(QObject::tr("Неправильное количество записей статистики %1 должно быть %2"),
                detectors.size(), stat.groupSize);
        for (int i = 0; i < detectors.size(); ++i) {
            if (!putValue(at + i, detectors.at(i), Norvak3xValue::Byte, key))
                return false;
        }
        return true;
    };
    if (stat.groupCount == 0) {
        if (!putDetectors(list, r + stat.listOffset))
            return false;
    } else {
        if (list.size() > stat.groupCount)
            return tooMany(QObject::tr("Неправильное количество групп статистики %1 должно быть %2"), list.size(),
                stat.groupCount);
        for (int g = 0; g < list.size(); ++g) {
            if (!putDetectors(list.at(g).toList(), r + stat.listOffset + g * stat.groupSize))
                return false;
        }
    }
    dropWhenUnset(out);
    append(S::Statistics, out);
    return true;
}

bool Norvak3xWriter::writeCountdown()
{
    if (!m_layout.has(S::Countdown))
        return true;
    const QVariantList table = m_controller.getNativeData(QStringLiteral("countDownTable")).toList();
    if (table.size() > m_layout.maxCountdown)
        return tooMany(QObject::tr("Число заданных параметров табло ОО %1 превышает максимально допустимое %2"),
            table.size(), m_layout.maxCountdown);
    const int size = m_layout.recordSize(S::Countdown);
    QByteArray out = counted(S::Countdown, table.size());
    for (int n = 0; n < table.size(); ++n) {
        const QVariantMap entry = table.at(n).toMap();
        char* r = record(out, size, n);
        bool ok = false;
        const QVariant sg = entry.value(QStringLiteral("sg"));
        const int number = sg.isValid() ? sg.toInt(&ok) : 0;
        if (ok) {
            const int position = groupPosition(m_controller.findSG(number).data());
            if (position < 0)
                return fail(QObject::tr("В параметрах табло ОО задан ссылка на несуществующую сигнальную группу %1")
                                .arg(number));
            r[0] = char(position);
        }
        for (const Norvak3xField& field : m_layout.countdown) {
            const QString& key = field.key;
            if (!putValue(r + field.offset, entry.value(key), field.kind, key))
                return false;
        }
    }
    dropWhenUnset(out);
    append(S::Countdown, out);
    return true;
}

bool Norvak3xWriter::writeSynchronizer()
{
    if (!m_layout.has(S::Synchronizer))
        return true;
    auto native = [this](const QString& key) { return m_controller.getNativeData(key); };
    bool ok = false;
    const int hz = native(QStringLiteral("sync_frequency")).toInt(&ok);
    if (ok && (hz < 0 || hz > 0xFFFF))
        return outOfRange(QStringLiteral("sync_frequency"), hz, 0, 0xFFFF);
    const QByteArray frequency = word(ok ? hz : 0xFFFF);
    QByteArray correction(1, unset), zone(1, 0), summer(1, unset);
    // Zones west of Greenwich are stored as 16 minus the hours.
    int hours = native(QStringLiteral("sync_timezoneCorrection")).toInt(&ok);
    if (ok && hours < 0)
        hours = 16 - hours;
    if (!putValue(correction.data(), native(QStringLiteral("sync_timeCorrection")), Norvak3xValue::Byte,
            QStringLiteral("sync_timeCorrection"))
        || (ok && !putByte(zone.data(), hours, [] { return QStringLiteral("sync_timezoneCorrection"); }))
        || !putValue(summer.data(), native(QStringLiteral("sync_summerTime")), Norvak3xValue::Byte,
            QStringLiteral("sync_summerTime")))
        return false;
    QByteArray out;
    indexed({frequency, correction, zone, summer}, &out);
    append(S::Synchronizer, out);
    return true;
}

// The block the controller checks its wiring with: the conflict bit map, the
// device types, every group's devices and the controller number, guarded by
// a checksum of its own.
void Norvak3xWriter::writeDerived()
{
    const int n = m_groups.size();
    // Built in a plain buffer: byte access to a QByteArray checks for sharing every time.
    QVarLengthArray<char, 512> block(199 + 8 * n);
    std::fill(block.begin(), block.end(), char(0));
    char* const out = block.data();
    const int conflictSize = m_layout.recordSize(S::Conflicts);
    const int rows = quint8(m_conflicts.at(0));
    for (int row = 0; row < rows && row < 32; ++row) {
        const char* r = m_conflicts.constData() + 2 + row * conflictSize;
        for (int column = 0; column < 32 && column + 1 < conflictSize; ++column) {
            if (r[1 + column] != unset)
                out[4 * row + column / 8] = char(out[4 * row + column / 8] | (1 << (column % 8)));
        }
    }
    const char* const power = m_power.constData();
    for (int m = 0; m < Norvak3xLayout::powerEntries / 2; ++m)
        out[128 + m] = char((power[4 * m] & 0x0F) | ((power[4 * m + 2] & 0x0F) << 4));
    auto putWord = [out](int at, int value) {
        out[at] = char(value & 0xFF);
        out[at + 1] = char((value >> 8) & 0xFF);
    };
    const int checksumAt = 197 + 8 * n;
    putWord(192, checksumAt);
    out[194] = char(n);
    for (int g = 0; g < n; ++g) {
        const auto& devices = m_groups.at(g)->devices;
        for (int k = 0; k < Norvak3xLayout::keysPerGroup; ++k) {
            const CnfPowerDevice* d = k < devices.size() ? devices.at(k).data() : nullptr;
            int value = 0xFFFF;
            if (d) {
                value = (d->address & 0x7F) | (d->controlledLamps != 0 ? 0x80 : 0) | (colorCode(d->color) << 8)
                    | ((d->lampCount & 7) << 10) | ((d->lampCount & 7) << 13);
            }
            putWord(195 + 8 * g + 2 * k, value);
        }
    }
    putWord(195 + 8 * n, m_controller.property("number").toInt());
    putWord(checksumAt, Norvak3xImage::checksum(out, checksumAt));
    append(S::Derived, QByteArray(block.constData(), block.size()));
}
