#ifndef ADAPTERTEXTREADER_H
#define ADAPTERTEXTREADER_H

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

class CnfController;
class CnfDayCard;
class CnfProgram;

// Builds a CnfController from a text configuration of the communication
// adapter: the item lines between "BEGIN:" and "END.". The first error stops
// the reading; the controller keeps what was added before it.
class AdapterTextReader
{
    Q_DECLARE_TR_FUNCTIONS(AdapterTextReader)

public:
    AdapterTextReader(const QByteArray& data, CnfController& controller);

    // Fills the controller from the item lines; false at the first error.
    bool read();
    // The reason of the failure of read(); empty after a success.
    QString errorString() const;

    // The key and the value of an item line, both trimmed and the value
    // freed of one pair of enclosing double quotes; empty without "=".
    static QStringList parseLine(const QString& line);

private:
    bool readItem(const QString& line);
    bool readProgram(const QString& number, const QString& value, const QString& line);
    bool readDayCard(const QString& id, const QString& value, const QString& line);
    bool readWeek(const QString& value, const QString& line);
    bool readSpecialDay(const QString& value, const QString& line);
    bool fail(const QString& message);

    QString m_text;
    CnfController& m_controller;
    QStringList m_modemInit;
    // Look-ups by id, as the controller's own but without a walk per line.
    QHash<QString, QSharedPointer<CnfProgram>> m_programs;
    QHash<QString, QSharedPointer<CnfDayCard>> m_dayCards;
    QString m_error;
};

#endif
