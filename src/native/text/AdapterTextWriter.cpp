#include "AdapterTextWriter.h"

#include <QTextCodec>

#include <algorithm>

#include "AdapterChecksum.h"
#include "AdapterProgramParser.h"
#include "CnfController.h"
#include "CnfPhase.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"

namespace {

constexpr quint8 unset = 0xFF;
constexpr int maxPhaseNumber = 254;
constexpr int cycleByte = 4;
constexpr int offsetByte = 5;
constexpr int callConditionByte = 3;

QTextCodec* codec()
{
    return QTextCodec::codecForName("windows-1251");
}

bool isCoordinated(int algorithm)
{
    return algorithm == 2 || algorithm == 5 || algorithm == 9;
}

bool hasCallCondition(int algorithm)
{
    return algorithm == 3 || algorithm == 4 || algorithm == 5 || algorithm == 6 || algorithm == 9;
}

bool isWritable(int algorithm)
{
    return (algorithm >= 0 && algorithm <= 6) || algorithm == 9 || algorithm == 255;
}

// A key that the reader would take for one of the format's own items.
bool isTakenByFormat(const QString& key)
{
    static const char* const prefixes[] = {"PRG", "DAILY", "WEEK", "DAY", "MODEMINIT", "DEVID", "STRID", "#"};
    for (const char* prefix : prefixes) {
        if (key.startsWith(QLatin1String(prefix)))
            return true;
    }
    // The checksum stops at the first line starting so, whatever the case.
    return key.startsWith(QLatin1String("begin:"), Qt::CaseInsensitive)
        || key.startsWith(QLatin1String("end."), Qt::CaseInsensitive);
}

// A key that reads back as itself and as no other item.
bool isWritableKey(const QString& key)
{
    return !key.isEmpty() && key == key.trimmed() && !key.contains(QLatin1Char('=')) && !key.contains(QLatin1Char('\n'))
        && !key.contains(QLatin1Char('\r')) && !isTakenByFormat(key) && codec()->canEncode(key);
}

bool hasSpace(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace(); });
}

// A card id the reader gives back: one word, readable as a key and in lists.
bool isWritableCardId(const QString& id)
{
    return !id.isEmpty() && !hasSpace(id) && !id.contains(QLatin1Char('=')) && codec()->canEncode(id);
}

// The number a program is written under, in the form the reader gives it
// back (the record's first byte, read signed).
bool programNumber(const QString& id, QString* number)
{
    bool numeric = false;
    const int n = id.toInt(&numeric);
    if (!numeric || n < -128 || n > 255)
        return false;
    *number = QString::number(qint8(quint8(n)));
    return true;
}

QString byteText(const char* record, int at)
{
    return QString::number(quint8(record[at]));
}

} // namespace

AdapterTextWriter::AdapterTextWriter(CnfController& controller)
    : m_controller(controller)
    , m_phases(controller.phases())
    , m_programs(controller.programs())
    , m_dayCards(controller.dayCards())
{
}

QString AdapterTextWriter::errorString() const
{
    return m_error;
}

bool AdapterTextWriter::fail(const QString& message)
{
    m_error = message;
    return false;
}

QByteArray AdapterTextWriter::write()
{
    m_error.clear();
    m_lines = QStringList{QStringLiteral("MD4=") + QString(AdapterChecksum::digestLength, QLatin1Char('f')),
                          QStringLiteral("BEGIN:")};
    if (!writeProperties() || !writeNativeData() || !writePrograms() || !writeDayCards() || !writeWeek()
        || !writeSpecialDays())
        return {};
    m_lines.append(QStringLiteral("END."));
    QByteArray text = codec()->fromUnicode(m_lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    AdapterChecksum::stamp(text);
    return text;
}

// One item line. A value that the reader would trim or unquote is enclosed
// in double quotes, so that it reads back as it was.
bool AdapterTextWriter::writeItem(const QString& key, const QString& value, bool quoted)
{
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
        return fail(tr("Значение параметра %1 содержит перевод строки").arg(key));
    if (!codec()->canEncode(value))
        return fail(tr("Значение параметра %1 содержит символы, которых нет в кодировке Windows-1251").arg(key));
    const bool enclosed = value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'));
    if (quoted || enclosed || value != value.trimmed())
        m_lines.append(key + QLatin1String("=\"") + value + QLatin1Char('"'));
    else
        m_lines.append(key + QLatin1Char('=') + value);
    return true;
}

bool AdapterTextWriter::writeProperties()
{
    const auto names = m_controller.dynamicPropertyNames();
    for (const QByteArray& name : names) {
        const QString value = m_controller.property(name.constData()).toString();
        if (value.isEmpty() || name == "type")
            continue;
        QString key = QString::fromUtf8(name);
        if (name == "number")
            key = QStringLiteral("DEVID");
        else if (name == "description")
            key = QStringLiteral("STRID");
        else if (!isWritableKey(key))
            return fail(tr("Свойство контроллера %1 не может быть записано в конфигурацию адаптера").arg(key));
        if (!writeItem(key, value, false))
            return false;
    }
    return true;
}

// Names starting with a lower-case letter hold other formats' settings. A
// controller without a "TYPE" gets the default one, in its place among the
// names so that the text reads back and is written again unchanged.
bool AdapterTextWriter::writeNativeData()
{
    const QString typeKey = QStringLiteral("TYPE");
    const bool defaultType = m_controller.getNativeData(typeKey).toString().isEmpty();
    QStringList names = m_controller.nativeDataNames();
    if (defaultType && !names.contains(typeKey))
        names.insert(std::lower_bound(names.begin(), names.end(), typeKey), typeKey);
    for (const QString& name : qAsConst(names)) {
        if (name.isEmpty() || name.at(0).isLower())
            continue;
        const QString value = name == typeKey && defaultType ? QStringLiteral("ZT4")
                                                             : m_controller.getNativeData(name).toString();
        if (value.isEmpty())
            continue;
        if (name == QLatin1String("MODEMINIT")) {
            const QStringList parts = value.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            for (const QString& part : parts) {
                if (!writeItem(name, part, false))
                    return false;
            }
            continue;
        }
        if (!isWritableKey(name))
            return fail(tr("Параметр %1 не может быть записан в конфигурацию адаптера").arg(name));
        const bool quoted = name == QLatin1String("HOST") || name == QLatin1String("USER")
            || name == QLatin1String("PASSWORD");
        if (!writeItem(name, value, quoted))
            return false;
    }
    return true;
}

bool AdapterTextWriter::writePrograms()
{
    if (m_programs.size() > m_controller.getMaxProgramCount())
        return fail(tr("Число заданных программ %1 превышает максимально допустимое %2")
                        .arg(m_programs.size())
                        .arg(m_controller.getMaxProgramCount()));
    for (const auto& program : m_programs) {
        if (!writeProgram(*program))
            return false;
    }
    if (m_usedPhases.size() > m_controller.getMaxPhaseCount())
        return fail(tr("Число заданных фаз %1 превышает максимально допустимое %2")
                        .arg(m_usedPhases.size())
                        .arg(m_controller.getMaxPhaseCount()));
    return true;
}

bool AdapterTextWriter::writeProgram(const CnfProgram& program)
{
    if (program.type != CnfProgram::NorvakSpecial)
        return fail(tr("Program %1 contain unsupported algorithm %2")
                        .arg(program.id, CnfProgram::typeName(program.type, true)));
    QByteArray record = program.data();
    if (record.size() != AdapterProgramParser::recordSize)
        return fail(tr("In program %1 adapter data has invalid size - %2 (must be %3)")
                        .arg(program.id)
                        .arg(record.size())
                        .arg(AdapterProgramParser::recordSize));
    const int algorithm = quint8(record.at(1));
    if (!isWritable(algorithm))
        return fail(tr("Programm %1 has invalid type %2").arg(program.id).arg(algorithm));
    QString number;
    if (!programNumber(program.id, &number))
        return fail(tr("Программа %1 имеет недопустимый идентификатор. Возможно использование только чисел от -128 "
                       "до 255")
                        .arg(program.id));
    if (m_programNumbers.key(number))
        return fail(tr("Номер программы %1 задан дважды").arg(number));
    m_programNumbers.insert(&program, number);
    if (!checkProgramRecord(program, record))
        return false;

    QString line = QStringLiteral("PRG%1=%2").arg(number).arg(algorithm);
    // An offset that is not set is written as 0: the reader takes the
    // item before the cycle as the offset.
    const QString offset = quint8(record.at(offsetByte)) == unset ? QStringLiteral("0") : byteText(record, offsetByte);
    if (hasCallCondition(algorithm))
        line += QLatin1Char(' ') + byteText(record, callConditionByte);
    if (isCoordinated(algorithm))
        line += QLatin1Char(' ') + offset + QLatin1Char(' ') + byteText(record, cycleByte);
    if (algorithm != 0 && algorithm != 255) {
        for (int r = 0; r < AdapterProgramParser::phaseRecordCount; ++r) {
            const char* phaseRecord = record.constData() + AdapterProgramParser::firstPhaseRecord
                + AdapterProgramParser::phaseRecordSize * r;
            if (quint8(phaseRecord[0]) != unset)
                line += QLatin1Char('(') + phaseRecordText(phaseRecord, algorithm) + QLatin1Char(')');
        }
    }
    m_lines.append(line);
    return true;
}

// Checks `record` (a copy of the program's) and completes it as written:
// the gap-search algorithms repeat the phase, a coordinated program without
// a cycle runs the sum of its phase lengths.
bool AdapterTextWriter::checkProgramRecord(const CnfProgram& program, QByteArray& record)
{
    const int algorithm = quint8(record.at(1));
    if (algorithm == 0 || algorithm == 255)
        return true;
    int phaseRecords = 0;
    int cycle = 0;
    for (int r = 0; r < AdapterProgramParser::phaseRecordCount; ++r) {
        char* phaseRecord = record.data() + AdapterProgramParser::firstPhaseRecord
            + AdapterProgramParser::phaseRecordSize * r;
        if (quint8(phaseRecord[0]) == unset)
            continue;
        ++phaseRecords;
        cycle += quint8(phaseRecord[1]);
        if (algorithm == 6 || algorithm == 9)
            phaseRecord[2] = phaseRecord[0];
        if (!checkPhase(program, quint8(phaseRecord[0]), quint8(phaseRecord[1]), true))
            return false;
        const bool callPhaseWritten = hasCallCondition(algorithm) && quint8(phaseRecord[2]) != unset;
        if (callPhaseWritten
            && (!checkPhase(program, quint8(phaseRecord[2]), quint8(phaseRecord[3]), algorithm == 3 || algorithm == 4)
                || !checkCallPhase(program, phaseRecord, algorithm)))
            return false;
    }
    if (phaseRecords == 0)
        return fail(tr("В программе %1 не задано ни одной фазы").arg(program.id));
    if (isCoordinated(algorithm)) {
        if (quint8(record.at(cycleByte)) == unset) {
            if (cycle > 255)
                return fail(tr("В программе %1 длительность цикла %2 больше 255").arg(program.id).arg(cycle));
            record[cycleByte] = char(cycle);
        }
        const int offset = quint8(record.at(offsetByte));
        if (offset != unset && quint8(record.at(cycleByte)) < offset)
            return fail(tr("In program %1 specified invalid cycle offset - %2 (must be from 0 to %3)")
                            .arg(program.id)
                            .arg(offset)
                            .arg(quint8(record.at(cycleByte))));
    }
    if (hasCallCondition(algorithm) && quint8(record.at(callConditionByte)) == unset)
        return fail(tr("In program %1 not specified call condition").arg(program.id));
    return true;
}

// A phase of a record: an existing position whose phase has a number the
// reader takes back, and a duration within the phase's limits (limits of
// 0 or less are not set; a duration of 255 is none).
bool AdapterTextWriter::checkPhase(const CnfProgram& program, int position, int duration, bool checkDuration)
{
    if (position >= m_phases.size() || !m_phases.at(position))
        return fail(tr("In program %1 specified not existing phase with index %2").arg(program.id).arg(position));
    const CnfPhase& phase = *m_phases.at(position);
    bool numeric = false;
    const int number = phase.id.toInt(&numeric);
    if (!numeric || number < 0 || number > maxPhaseNumber || QString::number(number) != phase.id)
        return fail(tr("Фаза %1 имеет недопустимый идентификатор. Возможно использование только чисел от 0 до 254")
                        .arg(phase.id));
    m_usedPhases.insert(position);
    if (!checkDuration || duration == unset)
        return true;
    if ((phase.maxLength > 0 && duration > phase.maxLength) || (phase.minLength > 0 && duration < phase.minLength))
        return fail(tr("In program %1 specified invalid phase duration %2: %3 (must be from %4 to %5")
                        .arg(program.id, phase.id)
                        .arg(duration)
                        .arg(phase.minLength)
                        .arg(phase.maxLength));
    return true;
}

// The reader takes a second phase written as 0 for no call phase, and drops
// what belongs to it: phase 0 fits there only when nothing is lost.
bool AdapterTextWriter::checkCallPhase(const CnfProgram& program, const char* record, int algorithm)
{
    if (m_phases.at(quint8(record[2]))->id != QLatin1String("0"))
        return true;
    const bool lost = algorithm == 3 || algorithm == 4 || algorithm == 5 || (algorithm == 6 && quint8(record[3]) != unset)
        || (algorithm == 9 && quint8(record[4]) != unset);
    if (!lost)
        return true;
    return fail(tr("В программе %1 фаза 0 не может быть записана на месте фазы вызова: 0 означает её отсутствие")
                    .arg(program.id));
}

QString AdapterTextWriter::phaseRecordText(const char* record, int algorithm) const
{
    const auto phaseId = [this, record](int at) { return m_phases.at(quint8(record[at]))->id; };
    QString text = phaseId(0) + QLatin1Char(' ') + byteText(record, 1);
    if (algorithm == 1 || algorithm == 2)
        return text;
    const bool callPhase = quint8(record[2]) != unset;
    text += QLatin1Char(' ') + (callPhase ? phaseId(2) : QStringLiteral("0"));
    if (algorithm == 5 || algorithm == 9 || !callPhase)
        text += QStringLiteral(" 0");
    else
        text += QLatin1Char(' ') + byteText(record, 3);
    text += QLatin1Char(' ') + byteText(record, 4);
    // The seventh field needs the sixth before it, even when that is not set.
    if (quint8(record[6]) != unset)
        text += QLatin1Char(' ') + byteText(record, 5) + QLatin1Char(' ') + byteText(record, 6);
    else if (quint8(record[5]) != unset)
        text += QLatin1Char(' ') + byteText(record, 5);
    return text;
}

bool AdapterTextWriter::writeDayCards()
{
    if (m_dayCards.size() > m_controller.getMaxDayCardCount())
        return fail(tr("Число заданных суточных карт %1 превышает максимально допустимое %2")
                        .arg(m_dayCards.size())
                        .arg(m_controller.getMaxDayCardCount()));
    QSet<QString> ids;
    for (const auto& card : m_dayCards) {
        if (!isWritableCardId(card->id))
            return fail(tr("Суточная карта \"%1\" имеет недопустимый идентификатор: нужно одно слово без знака =")
                            .arg(card->id));
        if (ids.contains(card->id))
            return fail(tr("Суточная карта %1 задана дважды").arg(card->id));
        ids.insert(card->id);
        if (card->records.size() > m_controller.getMaxDayCardItems())
            return fail(tr("Суточная карта %1 содержит %2 записей. Возможно не более %3")
                            .arg(card->id)
                            .arg(card->records.size())
                            .arg(m_controller.getMaxDayCardItems()));
        QStringList entries;
        for (auto it = card->records.constBegin(); it != card->records.constEnd(); ++it) {
            if (!it->program)
                return fail(tr("In daily card %1 contains record with unspecified program").arg(card->id));
            const QString number = m_programNumbers.value(it->program.data());
            if (number.isNull())
                return fail(tr("Суточная карта %1 содержит ссылку на несуществующую программу для времени %2")
                                .arg(card->id, it.key().toString(QStringLiteral("hh:mm"))));
            if (!it.key().isValid())
                return fail(tr("В суточной карте %1 задано неверное значение времени для программы %2")
                                .arg(card->id, it->program->id));
            entries.append(number + QLatin1Char(' ') + it.key().toString(QStringLiteral("h:m")));
        }
        m_lines.append(QStringLiteral("DAILY") + card->id + QLatin1Char('=') + entries.join(QLatin1Char(';')));
    }
    return true;
}

// Days without a card of their own run the card of the nearest earlier day,
// also across Sunday to Monday. Only the first weekly card fits the format.
bool AdapterTextWriter::writeWeek()
{
    const auto weeks = m_controller.weekCards();
    if (weeks.isEmpty() || !weeks.first())
        return fail(tr("In configuration not specified weekly distribution of daily cards"));
    QString dayIds[7];
    const auto& days = weeks.first()->days;
    for (auto it = days.constBegin(); it != days.constEnd(); ++it) {
        const int day = int(it.key());
        if (day < 1 || day > 7)
            continue;
        if (!it.value() || !m_dayCards.contains(it.value()))
            return fail(tr("Недельный план содержит ссылку на несуществующую суточную карту для дня недели %1").arg(day));
        dayIds[day - 1] = it.value()->id;
    }
    QString last;
    for (int i = 0; i < 14; ++i) {
        if (dayIds[i % 7].isEmpty())
            dayIds[i % 7] = last;
        else
            last = dayIds[i % 7];
    }
    if (last.isEmpty())
        return fail(tr("В недельном плане не задано ни одной суточной карты"));
    m_lines.append(QStringLiteral("WEEK=") + QStringList(std::begin(dayIds), std::end(dayIds)).join(QLatin1Char(' ')));
    return true;
}

bool AdapterTextWriter::writeSpecialDays()
{
    const auto days = m_controller.specialDays();
    if (days.size() > m_controller.getMaxSpecialDayCount())
        return fail(tr("Число заданных особых дней года %1 превышает максимально допустимое %2")
                        .arg(days.size())
                        .arg(m_controller.getMaxSpecialDayCount()));
    // Only day and month are written: the year does not order them.
    QMap<QPair<int, int>, QString> lines;
    for (auto it = days.constBegin(); it != days.constEnd(); ++it) {
        const QString date = it.key().toString(QStringLiteral("d/M"));
        const auto card = it.value() ? it.value()->dayCard : QSharedPointer<CnfDayCard>();
        if (!it.key().isValid() || !card || !m_dayCards.contains(card))
            return fail(tr("Особые дни содержат ссылку на несуществующую суточную карту для даты %1").arg(date));
        const QPair<int, int> dayOfYear(it.key().month(), it.key().day());
        if (lines.contains(dayOfYear))
            return fail(tr("Особый день %1 задан дважды").arg(date));
        lines.insert(dayOfYear, QStringLiteral("DAY=") + card->id + QLatin1Char(' ') + date);
    }
    m_lines.append(lines.values());
    return true;
}
