#include "Norvak3xReader.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QTime>

#include <utility>

#include "CnfController.h"
#include "CnfMatrix.h"
#include "CnfNumberText.h"
#include "CnfPhase.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"
#include "DayAndMonth.h"
#include "Norvak3xClock.h"
#include "Norvak3xImage.h"
#include "ProgramRecordDecoder.h"

using S = Norvak3xSection;

namespace {

constexpr int notSet = 0xFF;
constexpr int maxTextLength = 511;

// What a look-up that finds nothing answers. The look-ups hand out references,
// since every copy of a shared pointer costs two atomic counts each way.
template<typename T>
const QSharedPointer<T>& none()
{
    static const QSharedPointer<T> null;
    return null;
}

} // namespace

Norvak3xReader::Norvak3xReader(const Norvak3xImage& image, const Norvak3xLayout& layout, CnfController& controller)
    : m_image(image)
    , m_layout(layout)
    , m_controller(controller)
{
    m_groupOfNumber.fill(-1);
    m_deviceOfAddress.fill(-1);
}

bool Norvak3xReader::read()
{
    m_controller.clear();
    m_controller.setProperty("type", QStringLiteral("norvak"));
    m_controller.setProperty("version", m_layout.versionText);
    m_controller.setNativeData(QStringLiteral("interstateVariantCount"), m_layout.interstateVariantCount);

    if (!locate() || !readTitle())
        return false;
    readFields(S::StartUp, m_layout.startUp);
    if (!readPower())
        return false;
    readFields(S::Info, m_layout.info);
    readCountdown();
    readRemotePanel();
    readFields(S::CentralControl, m_layout.centralControl);
    readErrorControl();
    readStatistics();
    if (!readSynchronizer() || !readSignalGroups() || !readIntergreens() || !readConflicts() || !readPhases()
        || !readPrograms() || !readDayCards() || !readWeek())
        return false;
    readSpecialDays();
    return true;
}

// Notes where every counted section's records are, after making sure that
// they lie inside the image.
bool Norvak3xReader::locate()
{
    for (int i = 0; i < Norvak3xSectionKinds; ++i) {
        const S s = S(i);
        const Norvak3xSectionShape& shape = m_layout.shape(s);
        const int start = m_image.sectionStart(m_layout.sectionIndex(s));
        Records& records = m_records[size_t(i)];
        records.start = start;
        if (shape.shape == Norvak3xShape::Counted) {
            if (!m_image.contains(start))
                return outOfImage(s);
            records.count = m_image.at(start);
            if (records.count > 0 && !m_image.contains(start + 2, records.count * shape.size))
                return outOfImage(s);
        } else if (shape.shape == Norvak3xShape::Fixed) {
            if (!m_image.contains(start, shape.size))
                return outOfImage(s);
            records.count = 1;
        }
    }
    return true;
}

int Norvak3xReader::recordAt(S s, int n) const
{
    const int size = m_layout.shape(s).shape == Norvak3xShape::Counted ? m_layout.recordSize(s) : 0;
    const int skip = m_layout.shape(s).shape == Norvak3xShape::Counted ? 2 : 0;
    return m_records[size_t(s)].start + skip + n * size;
}

int Norvak3xReader::byteAt(S s, int n, int offset) const
{
    return m_image.at(recordAt(s, n) + offset);
}

const quint8* Norvak3xReader::recordBytes(S s, int n) const
{
    Q_ASSERT(n >= 0 && n < count(s));
    return reinterpret_cast<const quint8*>(m_image.bytes().constData()) + recordAt(s, n);
}

QVariant Norvak3xReader::value(int position, Norvak3xValue kind) const
{
    const int b = m_image.at(position);
    switch (kind) {
    case Norvak3xValue::Flag:
        return b == 1;
    case Norvak3xValue::NonZero:
        if (b == 0)
            return {};
        break;
    case Norvak3xValue::Byte:
        break;
    }
    return b == notSet ? QVariant() : QVariant(b);
}

int Norvak3xReader::numberOf(S s, int index) const
{
    return index < count(s) ? byteAt(s, index, 0) : -1;
}

const QSharedPointer<CnfProgram>& Norvak3xReader::programOfRecord(int index) const
{
    return index >= 0 && index < m_programOfRecord.size() ? m_programOfRecord.at(index) : none<CnfProgram>();
}

const QSharedPointer<CnfDayCard>& Norvak3xReader::dayCardOfRecord(int index) const
{
    return index >= 0 && index < m_dayCardOfRecord.size() ? m_dayCardOfRecord.at(index) : none<CnfDayCard>();
}

const QSharedPointer<CnfSignalGroup>& Norvak3xReader::groupOfNumber(int number) const
{
    const int at = number >= 0 && number < int(m_groupOfNumber.size()) ? m_groupOfNumber[size_t(number)] : -1;
    return at < 0 ? none<CnfSignalGroup>() : m_groups.at(at);
}

const QSharedPointer<CnfPowerDevice>& Norvak3xReader::deviceAt(int address) const
{
    const int at = address >= 0 && address < int(m_deviceOfAddress.size()) ? m_deviceOfAddress[size_t(address)] : -1;
    return at < 0 ? none<CnfPowerDevice>() : m_devices.at(at);
}

bool Norvak3xReader::element(S s, int n, int width, int* position)
{
    const int start = m_records[size_t(s)].start;
    if (!m_image.contains(start))
        return outOfImage(s);
    *position = -1;
    if (n > m_image.at(start))
        return true;
    if (!m_image.contains(start + n))
        return outOfImage(s);
    const int at = start + m_image.at(start + n);
    if (!m_image.contains(at, width))
        return outOfImage(s);
    *position = at;
    return true;
}

bool Norvak3xReader::text(S s, int n, QByteArray* out, bool* present)
{
    int at = -1;
    if (!element(s, n, 1, &at))
        return false;
    *present = at >= 0;
    if (at < 0)
        return true;
    const int end = m_image.bytes().indexOf('\0', at);
    if (end < 0)
        return fail(
            QObject::tr("Текст в разделе \"%1\" не завершён нулевым байтом").arg(Norvak3xLayout::sectionName(s)));
    *out = m_image.bytes().mid(at, qMin(end - at, maxTextLength));
    return true;
}

bool Norvak3xReader::outOfImage(S s)
{
    return fail(QObject::tr("Раздел \"%1\" выходит за пределы файла конфигурации").arg(Norvak3xLayout::sectionName(s)));
}

bool Norvak3xReader::fail(const QString& message)
{
    m_error = message;
    return false;
}

bool Norvak3xReader::readTitle()
{
    if (m_layout.hasFixedTitle()) {
        readFixedTitle();
        return true;
    }
    int at = -1;
    if (!element(S::Title, 1, 2, &at))
        return false;
    if (at >= 0)
        m_controller.setProperty("number", m_image.word(at));
    const std::array<QString, 3> bytes
        = {QStringLiteral("journalDetail"), QStringLiteral("powerSwitch"), QStringLiteral("maxCurrent")};
    for (int i = 0; i < int(bytes.size()); ++i) {
        if (!element(S::Title, 3 + i, 1, &at))
            return false;
        if (at >= 0)
            m_controller.setNativeData(bytes[size_t(i)], value(at, Norvak3xValue::Byte));
    }
    if (!readTime(7, QStringLiteral("creationTime")) || !readTime(8, QStringLiteral("changeTime")))
        return false;
    QByteArray description;
    bool present = false;
    if (!text(S::Title, 2, &description, &present))
        return false;
    if (present)
        m_controller.setProperty("description", Norvak3xImage::decodeText(description).trimmed());
    return true;
}

// The fixed title: five words (number, journal detail, extension cabinet,
// maximum current, version), then creation and change time as hour, day,
// month and two-digit year.
void Norvak3xReader::readFixedTitle()
{
    const int title = recordAt(S::Title, 0);
    m_controller.setProperty("number", m_image.word(title));
    const std::array<const char*, 3> words = {"journalDetail", "powerSwitch", "maxCurrent"};
    for (int i = 0; i < int(words.size()); ++i) {
        const int w = m_image.word(title + 2 + 2 * i);
        m_controller.setNativeData(QLatin1String(words[size_t(i)]), w == 0xFFFF ? QVariant() : QVariant(w));
    }
    readNumericTime(title + 10, QStringLiteral("creationTime"));
    readNumericTime(title + 14, QStringLiteral("changeTime"));
}

// Years below 90 belong to this century; the minutes are not stored. A time
// that is no date is left unset, with a warning unless it was never set.
void Norvak3xReader::readNumericTime(int position, const QString& key)
{
    const int hour = m_image.at(position);
    const int day = m_image.at(position + 1);
    const int month = m_image.at(position + 2);
    const int year = m_image.at(position + 3);
    const QDate date(year < 90 ? 2000 + year : 1900 + year, month, day);
    const QTime time(hour, 0);
    if (date.isValid() && time.isValid()) {
        m_controller.setNativeData(key, QDateTime(date, time).toString(QStringLiteral("dd.MM.yyyy hh:mm")));
        return;
    }
    if (hour != notSet || day != notSet || month != notSet || year != notSet)
        m_warnings.append(QObject::tr("Неправильное значение времени в заголовке: %1 ч %2.%3.%4")
                              .arg(hour)
                              .arg(day)
                              .arg(month)
                              .arg(year));
}

// A time is stored as hh:mm/dd.MM.yyyy and kept as dd.MM.yyyy hh:mm.
bool Norvak3xReader::readTime(int element, const QString& key)
{
    QByteArray bytes;
    bool present = false;
    if (!text(S::Title, element, &bytes, &present))
        return false;
    if (!present)
        return true;
    const int slash = bytes.indexOf('/');
    if (slash < 0 || bytes.indexOf('/', slash + 1) >= 0) {
        m_imageRejected = true;
        return fail(QObject::tr("Invalid creation/modification time format"));
    }
    // "time/date" becomes "date time", each byte a Latin-1 character.
    QString time(bytes.size(), Qt::Uninitialized);
    QChar* out = time.data();
    for (int i = slash + 1; i < bytes.size(); ++i)
        *out++ = QLatin1Char(bytes.at(i));
    *out++ = QLatin1Char(' ');
    for (int i = 0; i < slash; ++i)
        *out++ = QLatin1Char(bytes.at(i));
    m_controller.setNativeData(key, time);
    return true;
}

bool Norvak3xReader::readPower()
{
    // The block holds two bytes for every address.
    const quint8* block = recordBytes(S::Power, 0);
    for (int address = 0; address < Norvak3xLayout::powerEntries; ++address) {
        const int type = block[2 * address];
        if (type == 0)
            continue;
        auto device = QSharedPointer<CnfPowerDevice>::create();
        device->id = address;
        device->address = address;
        device->type = CnfPowerDevice::Type(type);
        m_controller.addPowerDevice(std::move(device));
    }
    // The last device of an address is the one a look-up finds.
    m_devices = m_controller.powerDevices();
    for (int i = 0; i < m_devices.size(); ++i) {
        const int address = m_devices.at(i)->address;
        if (address >= 0 && address < int(m_deviceOfAddress.size()))
            m_deviceOfAddress[size_t(address)] = qint16(i);
    }
    return true;
}

void Norvak3xReader::readFields(S section, const QVector<Norvak3xField>& fields)
{
    if (count(section) < 1)
        return;
    const int record = recordAt(section, 0);
    for (const Norvak3xField& field : fields)
        m_controller.setNativeData(field.key, value(record + field.offset, field.kind));
}

void Norvak3xReader::readCountdown()
{
    if (!m_layout.has(S::Countdown) || count(S::Countdown) < 1)
        return;
    QVariantList table;
    table.reserve(count(S::Countdown));
    for (int n = 0; n < count(S::Countdown); ++n) {
        QVariantMap entry;
        const int group = numberOf(S::SignalGroups, byteAt(S::Countdown, n, 0));
        entry.insert(QStringLiteral("sg"), group < 0 || group == notSet ? QVariant() : QVariant(group));
        for (const Norvak3xField& field : m_layout.countdown)
            entry.insert(field.key, value(recordAt(S::Countdown, n) + field.offset, field.kind));
        table.append(entry);
    }
    m_controller.setNativeData(QStringLiteral("countDownTable"), table);
}

void Norvak3xReader::readRemotePanel()
{
    if (count(S::RemotePanel) < 1)
        return;
    const Norvak3xRemotePanel& vpu = m_layout.remotePanel;
    const int record = recordAt(S::RemotePanel, 0);
    auto set = [this](const QString& key, const QVariant& v) { m_controller.setNativeData(key, v); };
    // A button or program slot holds a record index; the native data keeps
    // the number of the record it points at.
    auto referenced = [this](S s, int index, bool signedNumber) -> QVariant {
        const int number = numberOf(s, index);
        if (number < 0 || number == notSet)
            return {};
        return signedNumber ? qint8(quint8(number)) : number;
    };
    if (vpu.phases >= 0) {
        QVariantList phases;
        phases.reserve(vpu.phaseCount);
        for (int i = 0; i < vpu.phaseCount; ++i)
            phases.append(referenced(S::Phases, m_image.at(record + vpu.phases + i), false));
        set(QStringLiteral("vpu_phases"), phases);
    }
    if (vpu.allowedInactivity >= 0)
        set(QStringLiteral("allowedInactivity"), value(record + vpu.allowedInactivity, Norvak3xValue::Byte));
    if (vpu.useKey >= 0)
        set(QStringLiteral("useKey"), value(record + vpu.useKey, Norvak3xValue::Flag));
    if (vpu.requests >= 0) {
        QVariantList requests;
        requests.reserve(vpu.requestCount);
        for (int i = 0; i < vpu.requestCount; ++i) {
            const int b = m_image.at(record + vpu.requests + i);
            requests.append(b == notSet ? QVariant() : QVariant(b == 1));
        }
        set(QStringLiteral("vpu_requests"), requests);
    }
    if (vpu.programs >= 0) {
        QVariantList programs;
        programs.reserve(vpu.programCount);
        for (int i = 0; i < vpu.programCount; ++i)
            programs.append(referenced(S::Programs, m_image.at(record + vpu.programs + i), true));
        set(QStringLiteral("vpu_programs"), programs);
    }
    if (vpu.interstateVariant >= 0)
        set(QStringLiteral("vpu_interstateVariant"), value(record + vpu.interstateVariant, Norvak3xValue::NonZero));
}

void Norvak3xReader::readErrorControl()
{
    if (count(S::ErrorControl) < 2)
        return;
    QVariantList entries;
    entries.reserve(m_layout.errorKinds());
    for (int i = 0; i < m_layout.errorKinds(); ++i)
        entries.append(QVariant(QVariantList {byteAt(S::ErrorControl, 0, i), byteAt(S::ErrorControl, 1, i)}));
    m_controller.setNativeData(QStringLiteral("errorControl"), entries);
}

void Norvak3xReader::readStatistics()
{
    if (count(S::Statistics) < 1)
        return;
    readFields(S::Statistics, m_layout.statistics.periods);
    const Norvak3xStatistics& stat = m_layout.statistics;
    const int start = recordAt(S::Statistics, 0) + stat.listOffset;
    auto detectors = [this](int from, int n) {
        QVariantList list;
        list.reserve(n);
        for (int i = 0; i < n; ++i)
            list.append(value(from + i, Norvak3xValue::Byte));
        return list;
    };
    QVariantList list;
    if (stat.groupCount == 0) {
        list = detectors(start, stat.groupSize);
    } else {
        list.reserve(stat.groupCount);
        for (int g = 0; g < stat.groupCount; ++g)
            list.append(QVariant(detectors(start + g * stat.groupSize, stat.groupSize)));
    }
    m_controller.setNativeData(QLatin1String(stat.listKey), list);
}

bool Norvak3xReader::readSynchronizer()
{
    if (!m_layout.has(S::Synchronizer))
        return true;
    int at = -1;
    if (!element(S::Synchronizer, 1, 2, &at))
        return false;
    if (at >= 0) {
        const int frequency = m_image.word(at);
        m_controller.setNativeData(QStringLiteral("sync_frequency"), frequency == 0xFFFF ? QVariant() : frequency);
    }
    const std::array<QString, 3> bytes = {QStringLiteral("sync_timeCorrection"),
        QStringLiteral("sync_timezoneCorrection"), QStringLiteral("sync_summerTime")};
    for (int i = 0; i < int(bytes.size()); ++i) {
        if (!element(S::Synchronizer, 2 + i, 1, &at))
            return false;
        if (at < 0)
            continue;
        QVariant v = value(at, Norvak3xValue::Byte);
        // West of Greenwich the zone is kept as 16 minus the hours.
        if (i == 1 && v.isValid() && v.toInt() > 12)
            v = 16 - v.toInt();
        m_controller.setNativeData(bytes[size_t(i)], v);
    }
    return true;
}

bool Norvak3xReader::readSignalGroups()
{
    // Number, type, detectors, then the keys up to the end of the record.
    const int keyOffset = m_layout.groupKeyOffset();
    Q_ASSERT(keyOffset + 4 * Norvak3xLayout::keysPerGroup <= m_layout.recordSize(S::SignalGroups));
    for (int n = 0; n < count(S::SignalGroups); ++n) {
        const quint8* record = recordBytes(S::SignalGroups, n);
        auto group = QSharedPointer<CnfSignalGroup>::create();
        group->id = record[0];
        const int type = record[1];
        group->setType(type >= 1 && type <= 4 ? CnfSignalGroup::Type(type) : CnfSignalGroup::Transport);
        for (int k = 0; k < Norvak3xLayout::keysPerGroup; ++k) {
            const int key = keyOffset + 4 * k;
            const int address = record[key];
            if (address == notSet)
                continue;
            const auto& device = deviceAt(address);
            if (!device) {
                return fail(QObject::tr("СГ %1 содержит неверную ссылку на устройство по адресу %2")
                                .arg(group->id)
                                .arg(address));
            }
            device->color = record[key + 1];
            device->lampCount = record[key + 2];
            device->controlledLamps = record[key + 3];
            group->assignDevice(device);
        }
        group->detectors.reserve(m_layout.groupDetectorCount);
        for (int i = 0; i < m_layout.groupDetectorCount; ++i)
            group->detectors.append(record[2 + i]);
        m_controller.addSignalGroup(std::move(group));
    }
    // The first group of a number is the one a look-up finds.
    m_groups = m_controller.signalGroups();
    for (int i = m_groups.size() - 1; i >= 0; --i) {
        const int number = m_groups.at(i)->id;
        if (number >= 0 && number < int(m_groupOfNumber.size()))
            m_groupOfNumber[size_t(number)] = qint16(i);
    }
    return true;
}

// A variant holds six times counted back from the end of green: the sums of
// the clearing steps; the model keeps the steps themselves.
bool Norvak3xReader::readIntergreens()
{
    // The variants fill the record after the group number: every time read
    // lies within the record.
    const int variants = m_layout.storedVariants();
    for (int n = 0; n < count(S::Intergreens); ++n) {
        const quint8* record = recordBytes(S::Intergreens, n);
        const int number = record[0];
        if (number == notSet)
            continue;
        const auto& group = groupOfNumber(number);
        if (!group)
            return fail(QObject::tr("Неверная ссылка на СГ %1 в таблице ромтактов").arg(number));
        for (int v = 1; v <= variants; ++v) {
            const quint8* t = record + 1 + 6 * (v - 1);
            if (t[0] == notSet)
                continue;
            CnfSGTimes times;
            times.greenAdd1 = quint8(t[0] - t[1]);
            times.greenBlink = quint8(t[1] - t[2]);
            times.yellow = quint8(t[2] - t[3]);
            times.redAdd = quint8(t[3]);
            times.yellowRed = quint8(t[4] - t[5]);
            times.greenAdd2 = quint8(t[5]);
            group->variantTimes.insert(v, times);
        }
    }
    return true;
}

bool Norvak3xReader::readConflicts()
{
    auto matrix = QSharedPointer<CnfMatrix>::create();
    const int columns = qMin(m_layout.recordSize(S::Conflicts) - 1, count(S::SignalGroups));
    QVector<CnfSignalGroup*> columnGroups(columns);
    for (int j = 0; j < columns; ++j)
        columnGroups[j] = groupOfNumber(numberOf(S::SignalGroups, j)).data();
    // The columns follow the group number and end with the record at the
    // latest.
    int cells = 0;
    for (int n = 0; n < count(S::Conflicts); ++n) {
        const quint8* record = recordBytes(S::Conflicts, n);
        for (int j = 0; j < columns; ++j)
            cells += record[1 + j] == 0 && columnGroups.at(j);
    }
    matrix->reserve(cells);
    for (int n = 0; n < count(S::Conflicts); ++n) {
        const quint8* record = recordBytes(S::Conflicts, n);
        const int number = record[0];
        const auto& row = groupOfNumber(number);
        if (!row)
            return fail(QObject::tr("Неверная ссылка на СГ %1 в таблице конфликтов").arg(number));
        for (int j = 0; j < columns; ++j) {
            // A zero marks the pair as conflicting; a column whose group is
            // unknown is passed over.
            if (record[1 + j] == 0 && columnGroups.at(j))
                matrix->setReleaf(row.data(), columnGroups.at(j), 0.0);
        }
    }
    m_controller.setConflictMatrix(std::move(matrix));
    return true;
}

bool Norvak3xReader::readPhases()
{
    // Number, limits, then group slots up to the end of the record.
    const int groupSlots = m_layout.phaseGroupSlots();
    for (int n = 0; n < count(S::Phases); ++n) {
        const quint8* record = recordBytes(S::Phases, n);
        auto phase = QSharedPointer<CnfPhase>::create();
        phase->id = cnfNumberText(record[0]);
        const int minimum = record[1];
        const int maximum = record[2];
        phase->minLength = minimum == notSet ? -1 : minimum;
        phase->maxLength = maximum == notSet ? -1 : maximum;
        for (int i = 0; i < groupSlots; ++i) {
            const int index = record[3 + i];
            if (index == notSet)
                continue;
            if (index >= count(S::SignalGroups))
                return fail(QObject::tr("Неправильный индекс СГ %1 в фазе %2").arg(index).arg(phase->id));
            const int number = numberOf(S::SignalGroups, index);
            const auto& group = groupOfNumber(number);
            if (!group)
                return fail(QObject::tr("СГ %1 не найдена в фазе %2").arg(number).arg(phase->id));
            phase->signalGroups.append(group);
        }
        m_controller.addPhase(std::move(phase));
    }
    return true;
}

// Each record is decoded with this version's program layout, the one the
// controller (already stamped with this version) would look up for every
// record. A record that fails is decoded once more through the controller,
// so that it reports the failure as it always does.
bool Norvak3xReader::readPrograms()
{
    const int size = m_layout.recordSize(S::Programs);
    const ProgramRecordLayout& programLayout = m_layout.programLayout();
    // The id each record gives its program, the one a record is found by.
    QVector<QString> ids(count(S::Programs));
    for (int n = 0; n < count(S::Programs); ++n) {
        const QByteArray record = m_image.bytes().mid(recordAt(S::Programs, n), size);
        auto program = QSharedPointer<CnfProgram>::create();
        ProgramRecordDecoder decoder(m_controller, *program);
        if (!decoder.readHead(record, false)
            || (program->nativeType != 0 && !decoder.readFields(programLayout))) {
            m_controller.setProgramRawData(QSharedPointer<CnfProgram>::create(), record);
            return fail(m_controller.lastError());
        }
        ids[n] = program->id;
        m_controller.addProgram(std::move(program));
    }
    m_programOfRecord.resize(count(S::Programs));
    for (int n = 0; n < count(S::Programs); ++n)
        m_programOfRecord[n] = m_controller.findProgram(ids.at(n));
    return true;
}

bool Norvak3xReader::readDayCards()
{
    const int entrySize = m_layout.dayCardEntrySize();
    const bool hasReserve = m_layout.dayCardHasReserve();
    // The program a card entry points at: found through the number of the
    // program record; an index outside the programs finds nothing.
    auto program = [this](int index, int* number) -> const QSharedPointer<CnfProgram>& {
        const int byte = numberOf(S::Programs, index);
        *number = byte < 0 ? notSet : qint8(quint8(byte));
        return programOfRecord(index);
    };
    QVector<QString> ids(count(S::DayCards)); // the id of each record's card, for finding it
    // The number, then seven entries that end with the record at the latest.
    for (int n = 0; n < count(S::DayCards); ++n) {
        const quint8* record = recordBytes(S::DayCards, n);
        auto card = QSharedPointer<CnfDayCard>::create();
        card->id = cnfNumberText(record[0]);
        ids[n] = card->id;
        for (int e = 0; e < Norvak3xLayout::dayCardEntries; ++e) {
            const int at = 1 + e * entrySize;
            const int index = record[at];
            if (index == notSet)
                continue;
            int number = 0;
            const auto& main = program(index, &number);
            if (!main)
                return fail(
                    QObject::tr("В суточной карте %1 указана несуществующая программа %2").arg(card->id).arg(number));
            QSharedPointer<CnfProgram> reserve;
            const int reserveIndex = hasReserve ? record[at + 1] : notSet;
            if (reserveIndex != notSet) {
                reserve = program(reserveIndex, &number);
                if (!reserve) {
                    return fail(QObject::tr("В суточной карте %1 указана несуществующая резервная программа %2")
                                    .arg(card->id)
                                    .arg(number));
                }
            }
            const int hour = record[at + entrySize - 2];
            const int minute = record[at + entrySize - 1];
            const QTime time(hour, minute);
            if (!time.isValid()) {
                return fail(QObject::tr("В суточной карте %1 указано неправильное значение времени %2:%3")
                                .arg(card->id)
                                .arg(hour)
                                .arg(minute));
            }
            card->addRecord(time, main, std::move(reserve));
        }
        m_controller.addDayCard(std::move(card));
    }
    m_dayCardOfRecord.resize(count(S::DayCards));
    for (int n = 0; n < count(S::DayCards); ++n)
        m_dayCardOfRecord[n] = m_controller.findDayCard(ids.at(n));
    return true;
}

// Days that repeat the card of the day before are left out: the week card
// names a card only where it changes.
bool Norvak3xReader::readWeek()
{
    if (count(S::Week) < 1)
        return true;
    auto week = QSharedPointer<CnfWeekCard>::create();
    week->id = QStringLiteral("1");
    int previous = notSet;
    for (int day = 0; day < 7; ++day) {
        const int index = byteAt(S::Week, 0, day);
        if (index == notSet || index == previous)
            continue;
        const int number = numberOf(S::DayCards, index);
        const auto& card = dayCardOfRecord(index);
        if (!card) {
            return fail(QObject::tr("В недельном распределении задан неверный номер суточной карты - %1")
                            .arg(number < 0 ? notSet : number));
        }
        week->days.insert(Qt::DayOfWeek(day + 1), card);
        previous = index;
    }
    m_controller.addWeekCard(std::move(week));
    return true;
}

void Norvak3xReader::readSpecialDays()
{
    const int year = Norvak3xClock::now().date().year();
    for (int n = 0; n < count(S::SpecialDays); ++n) {
        const int index = byteAt(S::SpecialDays, n, 0);
        const auto& card = dayCardOfRecord(index);
        if (!card) {
            m_warnings.append(
                QObject::tr("In special days of year spectified invalid daily card with index %1").arg(index));
            continue;
        }
        const int day = byteAt(S::SpecialDays, n, 1);
        const int month = byteAt(S::SpecialDays, n, 2);
        const QDate date = DayAndMonth::fromNumbers(year, month, day);
        if (!date.isValid()) {
            m_warnings.append(
                QObject::tr("In special days of year spectified invalid value of date %2.%3").arg(day).arg(month));
            continue;
        }
        auto special = QSharedPointer<CnfSpecialDay>::create();
        special->dayCard = card;
        m_controller.addSpecialDay(date, std::move(special));
    }
}
