#include "AdapterTextReader.h"

#include <QDate>
#include <QTextCodec>
#include <QTime>

#include "AdapterProgramParser.h"
#include "CnfController.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"

namespace {

// Special days carry day and month only; a leap year lets 29 February in.
constexpr int specialDayYear = 2000;

QStringList splitAtBlanks(const QString& text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool isSkipped(const QString& line)
{
    return line.isEmpty() || line.startsWith(QLatin1Char('#'));
}

// A time of day "h:m"; an hour written as 24 is midnight.
QTime dayTime(const QString& text)
{
    QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return QTime();
    if (parts.at(0) == QLatin1String("24"))
        parts[0] = QStringLiteral("0");
    return QTime::fromString(parts.join(QLatin1Char(':')), QStringLiteral("h:m"));
}

} // namespace

AdapterTextReader::AdapterTextReader(const QByteArray& data, CnfController& controller)
    : m_text(QTextCodec::codecForName("windows-1251")->toUnicode(data))
    , m_controller(controller)
{
}

QString AdapterTextReader::errorString() const
{
    return m_error;
}

bool AdapterTextReader::fail(const QString& message)
{
    m_error = message;
    return false;
}

QStringList AdapterTextReader::parseLine(const QString& line)
{
    const int equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return {};
    QString value = line.mid(equals + 1).trimmed();
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.mid(1, value.size() - 2);
    return {line.left(equals).trimmed(), value};
}

bool AdapterTextReader::read()
{
    m_error.clear();
    m_modemInit.clear();
    m_programs.clear();
    m_dayCards.clear();
    bool inBody = false;
    int start = 0;
    while (start < m_text.size()) {
        int end = m_text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = m_text.size();
        const QString line = m_text.mid(start, end - start).trimmed();
        start = end + 1;
        if (isSkipped(line))
            continue;
        if (!inBody) {
            inBody = line == QLatin1String("BEGIN:");
            continue;
        }
        if (line == QLatin1String("END.")) {
            m_controller.createTransitionsFromPrograms();
            return true;
        }
        if (!readItem(line))
            return false;
    }
    return fail(inBody ? tr("В конфигурации нет строки END.") : tr("В конфигурации нет строки BEGIN:"));
}

bool AdapterTextReader::readItem(const QString& line)
{
    const QStringList item = parseLine(line);
    if (item.isEmpty() || item.at(0).isEmpty())
        return fail(tr("Invalid parameter description: %1").arg(line));
    const QString& key = item.at(0);
    const QString& value = item.at(1);
    if (key == QLatin1String("DEVID")) {
        m_controller.setProperty("number", value);
    } else if (key == QLatin1String("STRID")) {
        m_controller.setProperty("description", value);
    } else if (key.startsWith(QLatin1String("PRG"))) {
        return readProgram(key.mid(3), value, line);
    } else if (key.startsWith(QLatin1String("DAILY"))) {
        return readDayCard(key.mid(5), value, line);
    } else if (key.startsWith(QLatin1String("WEEK"))) {
        return readWeek(value, line);
    } else if (key.startsWith(QLatin1String("DAY"))) {
        return readSpecialDay(value, line);
    } else if (key.startsWith(QLatin1String("MODEMINIT"))) {
        m_modemInit.append(value);
        m_controller.setNativeData(QStringLiteral("MODEMINIT"), m_modemInit.join(QLatin1Char('\n')));
    } else {
        m_controller.setNativeData(key, value);
    }
    return true;
}

bool AdapterTextReader::readProgram(const QString& number, const QString& value, const QString& line)
{
    AdapterProgramParser parser(m_controller);
    const auto program = parser.parse(number, value, line);
    if (!program)
        return fail(parser.errorString());
    m_controller.addProgram(program);
    if (!m_programs.contains(program->id))
        m_programs.insert(program->id, program);
    return true;
}

bool AdapterTextReader::readDayCard(const QString& id, const QString& value, const QString& line)
{
    if (m_dayCards.contains(id))
        return fail(tr("Repeated description of daily cards %1 (%2)").arg(id, line));
    auto card = QSharedPointer<CnfDayCard>::create();
    card->id = id;
    const QStringList entries = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& entry : entries) {
        if (entry.trimmed().isEmpty())
            continue;
        const QStringList parts = splitAtBlanks(entry);
        if (parts.size() != 2)
            return fail(tr("Invalid description of daily cards %1").arg(line));
        const auto program = m_programs.value(parts.at(0));
        if (!program)
            return fail(tr("Daily card %1 contain non-existing program %2").arg(id, parts.at(0)));
        const QTime time = dayTime(parts.at(1));
        if (!time.isValid())
            return fail(tr("В суточной карте %1 задано неверное значение времени для программы %2").arg(id, parts.at(0)));
        // One program per start time: a second one would silently replace the first.
        if (card->records.contains(time))
            return fail(tr("В суточной карте %1 время %2 задано дважды").arg(id, parts.at(1)));
        card->addRecord(time, program, QSharedPointer<CnfProgram>());
    }
    m_controller.addDayCard(card);
    m_dayCards.insert(id, card);
    return true;
}

// Seven daily cards, Monday to Sunday; a day with the card of the day
// before gets no entry of its own, the card runs on.
bool AdapterTextReader::readWeek(const QString& value, const QString& line)
{
    const QStringList ids = splitAtBlanks(value);
    if (ids.size() != 7)
        return fail(tr("Invalid format of weekly distibution %1").arg(line));
    auto week = QSharedPointer<CnfWeekCard>::create();
    week->id = QStringLiteral("1");
    QString previous;
    for (int day = 1; day <= 7; ++day) {
        const QString& id = ids.at(day - 1);
        if (day > 1 && id == previous)
            continue;
        const auto card = m_dayCards.value(id);
        if (!card)
            return fail(tr("В недельном расписании задана несуществующая карта %1").arg(id));
        week->days.insert(Qt::DayOfWeek(day), card);
        previous = id;
    }
    m_controller.addWeekCard(week);
    return true;
}

bool AdapterTextReader::readSpecialDay(const QString& value, const QString& line)
{
    const QStringList parts = splitAtBlanks(value);
    if (parts.size() != 2)
        return fail(tr("Неправильно задан особый день года %1").arg(line));
    const auto card = m_dayCards.value(parts.at(0));
    if (!card)
        return fail(tr("Special days %1 contain non-existing card %2").arg(line, parts.at(0)));
    const QDate date = QDate::fromString(parts.at(1) + QLatin1Char('/') + QString::number(specialDayYear),
                                         QStringLiteral("d/M/yyyy"));
    if (!date.isValid())
        return fail(tr("Special days %1 contain invalid date").arg(line));
    // A second day on the same date would silently replace the first.
    if (m_controller.specialDays().contains(date))
        return fail(tr("Особый день %1 задан дважды").arg(line));
    auto day = QSharedPointer<CnfSpecialDay>::create();
    day->dayCard = card;
    m_controller.addSpecialDay(date, day);
    return true;
}
