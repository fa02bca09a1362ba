#ifndef NORVAK3XREADER_H
#define NORVAK3XREADER_H

#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <array>

#include "Norvak3xLayout.h"

class CnfController;
class CnfDayCard;
class CnfPowerDevice;
class CnfProgram;
class CnfSignalGroup;
class Norvak3xImage;

// Fills a controller from a loaded 3.x image, section by section, as the
// version's layout describes them. Stops at the first broken reference or
// at any part of a section that would lie outside the image.
class Norvak3xReader
{
public:
    Norvak3xReader(const Norvak3xImage& image, const Norvak3xLayout& layout, CnfController& controller);

    bool read();
    QString error() const { return m_error; }
    QStringList warnings() const { return m_warnings; }
    // True after a failure that makes the image unusable for good.
    bool imageRejected() const { return m_imageRejected; }

private:
    struct Records
    {
        int start = 0; // the count byte
        int count = 0;
    };

    bool locate();
    bool readTitle();
    bool readTime(int element, const QString& key);
    void readFixedTitle();
    void readNumericTime(int position, const QString& key);
    bool readPower();
    void readFields(Norvak3xSection section, const QVector<Norvak3xField>& fields);
    void readCountdown();
    void readRemotePanel();
    void readErrorControl();
    void readStatistics();
    bool readSynchronizer();
    bool readSignalGroups();
    bool readIntergreens();
    bool readConflicts();
    bool readPhases();
    bool readPrograms();
    bool readDayCards();
    bool readWeek();
    void readSpecialDays();

    int count(Norvak3xSection s) const { return m_records[size_t(s)].count; }
    int recordAt(Norvak3xSection s, int n) const;
    int byteAt(Norvak3xSection s, int n, int offset) const;
    // The bytes of record `n` of a counted section (n below its count) or of
    // the block of a fixed one (n = 0): locate() has found all of them inside
    // the image.
    const quint8* recordBytes(Norvak3xSection s, int n) const;
    QVariant value(int position, Norvak3xValue kind) const;
    // Byte 0 of record `index` of a section, -1 when there is no such record.
    int numberOf(Norvak3xSection s, int index) const;
    // The program or day card that record `index` of its section names by
    // its number; null when there is no such record or no such element.
    // Looked up once per record, after the section has been read.
    const QSharedPointer<CnfProgram>& programOfRecord(int index) const;
    const QSharedPointer<CnfDayCard>& dayCardOfRecord(int index) const;
    // The group of a number and the device of an address, as the
    // controller's look-ups by id and by address find them; every record
    // refers to them, so they are indexed once their section has been read.
    const QSharedPointer<CnfSignalGroup>& groupOfNumber(int number) const;
    const QSharedPointer<CnfPowerDevice>& deviceAt(int address) const;

    // Position of an element of an indexed section, -1 when the section has
    // fewer elements; false when it would lie outside the image.
    bool element(Norvak3xSection s, int n, int width, int* position);
    bool text(Norvak3xSection s, int n, QByteArray* out, bool* present);
    bool outOfImage(Norvak3xSection s);
    bool fail(const QString& message);

    const Norvak3xImage& m_image;
    const Norvak3xLayout& m_layout;
    CnfController& m_controller;
    std::array<Records, Norvak3xSectionKinds> m_records;
    QVector<QSharedPointer<CnfProgram>> m_programOfRecord;
    QVector<QSharedPointer<CnfDayCard>> m_dayCardOfRecord;
    // The controller's groups and devices once read, and the position in
    // them of each group number and device address (-1: none).
    QList<QSharedPointer<CnfSignalGroup>> m_groups;
    std::array<qint16, 256> m_groupOfNumber;
    QList<QSharedPointer<CnfPowerDevice>> m_devices;
    std::array<qint16, Norvak3xLayout::powerEntries> m_deviceOfAddress;
    QString m_error;
    QStringList m_warnings;
    bool m_imageRejected = false;
};

#endif
