#ifndef NORVAK3XTESTIMAGE_H
#define NORVAK3XTESTIMAGE_H

// Assembles 3.x configuration images byte by byte for the tests, on its own,
// so that the library's container code is checked against an independent
// implementation: sections, header and checksum.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QVector>
#include <QTextCodec>

class Norvak3xTestImage
{
public:
    enum Section {
        Title, Power, Info, Groups, Conflicts, Intergreens, Phases, Programs, DayCards, Week, SpecialDays,
        RemotePanel, CentralControl, ErrorControl, StartUp, Statistics, Countdown, Synchronizer, Derived,
        SectionCount
    };

    QList<QByteArray> sections;

    static quint16 checksum(const QByteArray& bytes, int length)
    {
        quint16 s = 0;
        for (int i = 0; i < length; ++i) {
            const quint16 t = quint16(s + (quint8(bytes.at(i)) ^ (i % 256)));
            s = quint16((t << 1) | (t >> 15));
        }
        return s;
    }

    static QByteArray word(int value)
    {
        QByteArray w;
        w.append(char(value & 0xFF));
        w.append(char((value >> 8) & 0xFF));
        return w;
    }

    static QByteArray bytes(std::initializer_list<int> values)
    {
        QByteArray out;
        for (int v : values)
            out.append(char(v));
        return out;
    }

    // A record of `size` bytes: the given bytes, then 255.
    static QByteArray record(int size, std::initializer_list<int> values)
    {
        QByteArray r = bytes(values);
        return r + QByteArray(size - r.size(), char(0xFF));
    }

    static QByteArray counted(int recordSize, const QList<QByteArray>& records)
    {
        QByteArray out = bytes({records.size(), recordSize});
        for (const QByteArray& r : records)
            out.append(r);
        return out;
    }

    static QByteArray indexed(const QList<QByteArray>& elements)
    {
        QByteArray index = bytes({elements.size()});
        QByteArray body;
        for (const QByteArray& e : elements) {
            index.append(char(1 + elements.size() + body.size()));
            body.append(e);
        }
        return index + body;
    }

    static QByteArray cp1251(const QString& text)
    {
        return QTextCodec::codecForName("windows-1251")->fromUnicode(text);
    }

    static QByteArray title(int number, const QString& description, const QByteArray& created = "12:30/01.02.2020",
        const QByteArray& changed = "08:15/03.04.2021", int version = 318)
    {
        return indexed({word(number), cp1251(description) + '\0', bytes({2}), bytes({1}), bytes({10}), word(version),
            created + '\0', changed + '\0'});
    }

    // Header words, the sections and the checksum word.
    QByteArray build() const
    {
        QByteArray out(40, char(0xFF));
        int n = 0;
        for (const QByteArray& s : sections) {
            if (s.isNull())
                continue; // a section the version lacks
            out.replace(2 * n++, 2, word(out.size()));
            out.append(s);
        }
        out.replace(2 * n, 2, word(out.size()));
        return out + word(checksum(out, out.size()));
    }

    // Section `i` of an image as its header locates it.
    static QByteArray section(const QByteArray& image, int i)
    {
        auto at = [&image](int w) { return quint8(image.at(2 * w)) | (quint8(image.at(2 * w + 1)) << 8); };
        return image.mid(at(i), at(i + 1) - at(i));
    }

    // A 3.18 image with the fewest parts that still form a controller.
    static Norvak3xTestImage minimal()
    {
        Norvak3xTestImage image;
        for (int i = 0; i < SectionCount; ++i)
            image.sections.append(counted(1, {}));
        image.sections[Title] = title(1, QString());
        image.sections[Power] = QByteArray(256, char(0xFF));
        for (int a = 0; a < 128; ++a)
            image.sections[Power][2 * a] = 0;
        image.sections[Synchronizer] = indexed({});
        image.sections[Derived] = QByteArray(199, char(0));
        return image;
    }

    // Every section populated: three groups, four devices, two phases, two
    // programs (one numbered 200), two day cards, a week, special days and
    // every setting. The derived block is a placeholder of the right size.
    static Norvak3xTestImage full()
    {
        Norvak3xTestImage image = minimal();
        QList<QByteArray>& s = image.sections;
        s[Title] = title(1234, QStringLiteral("Перекрёсток"));
        // device type, then group position + 32 * device position
        const int power[][3] = {{0, 1, 0}, {1, 1, 32}, {2, 4, 1}, {5, 2, 255}};
        for (const auto& p : power) {
            s[Power][2 * p[0]] = char(p[1]);
            s[Power][2 * p[0] + 1] = char(p[2]);
        }
        s[Info] = counted(11, {bytes({1, 2, 1, 0, 3, 4, 5, 6, 1, 0, 1})});
        s[Groups] = counted(22,
            {record(22, {1, 0, 7, 8, 255, 255, 0, 2, 3, 1, 1, 0, 2, 0}),
                record(22, {2, 1, 255, 255, 255, 255, 2, 1, 1, 1}), record(22, {3, 2})});
        s[Conflicts] = counted(33, {record(33, {1, 255, 0}), record(33, {2, 0}), record(33, {3})});
        const int unset = 255;
        s[Intergreens] = counted(37,
            {record(37, {1, 10, 7, 4, 1, 3, 2, unset, unset, unset, unset, unset, unset, 5, 4, 3, 0, 2, 0}),
                record(37, {2, unset, unset, unset, unset, unset, unset, 6, 6, 3, 0, 0, 0}), record(37, {3})});
        s[Phases] = counted(23, {record(23, {1, 5, 60, 0}), record(23, {2, 255, 255, 1, 2})});
        s[Programs] = counted(63, {record(63, {1, 0, 2}), record(63, {200, 0, 1})});
        s[DayCards] = counted(29, {record(29, {1, 0, 1, 6, 0, 1, 255, 22, 30}), record(29, {2, 1, 0, 0, 0})});
        s[Week] = counted(7, {bytes({0, 0, 0, 0, 0, 1, 1})});
        s[SpecialDays] = counted(3, {bytes({0, 1, 1}), bytes({1, 9, 5})});
        s[RemotePanel]
            = counted(19, {bytes({10, 1, 2, 0, 1, 255, 255, 255, 255, 255, 255, 1, 0, 255, 255, 1, 0, 255, 255})});
        s[CentralControl] = counted(9, {bytes({30, 1, 3, 4, 5, 6, 7, 8, 9})});
        s[ErrorControl] = counted(6, {bytes({1, 2, 3, 4, 5, 6}), bytes({3, 3, 3, 3, 3, 3})});
        s[StartUp] = counted(3, {bytes({5, 3, 2})});
        s[Statistics] = counted(66, {record(66, {15, 60, 1, 2, 255, 255, 255, 255, 255, 255, 3})});
        s[Countdown] = counted(2, {bytes({0, 2})});
        s[Synchronizer] = indexed({word(1000), bytes({5}), bytes({20}), bytes({1})});
        s[Derived] = QByteArray(199 + 8 * 3, char(0));
        return image;
    }

    // ---- The older firmware versions, 314 to 317 (318 as above). ----

    // Record size of a counted section in `version`; 0 where the version has
    // no such section.
    static int recordSize(int version, Section s)
    {
        const int column = version - 314; // 3.14, 3.15, 3.16, 3.17, 3.18
        static const QMap<int, QVector<int>> sizes {
            {Info, {8, 8, 8, 11, 11}},
            {Groups, {18, 18, 18, 22, 22}},
            {Conflicts, {33, 33, 33, 33, 33}},
            {Intergreens, {25, 25, 25, 49, 37}},
            {Phases, {19, 23, 23, 23, 23}},
            {Programs, {62, 62, 62, 63, 63}},
            {DayCards, {22, 29, 29, 29, 29}},
            {Week, {7, 7, 7, 7, 7}},
            {SpecialDays, {3, 3, 3, 3, 3}},
            {RemotePanel, {5, 5, 18, 19, 19}},
            {CentralControl, {7, 8, 8, 9, 9}},
            {ErrorControl, {5, 5, 5, 6, 6}},
            {StartUp, {2, 2, 2, 2, 3}},
            {Statistics, {17, 17, 17, 66, 66}},
            {Countdown, {0, 3, 3, 3, 2}},
        };
        return sizes.value(s).value(column);
    }

    // Intergreen variants a record of the version holds.
    static int storedVariants(int version) { return (recordSize(version, Intergreens) - 1) / 6; }

    // The 18-byte title of 3.14: five words, then creation and change time
    // as hour, day, month, two-digit year.
    static QByteArray fixedTitle(int number, QByteArray created = bytes({14, 3, 5, 21}),
        QByteArray changed = bytes({8, 4, 4, 21}), int journal = 2, int power = 1, int current = 10)
    {
        return word(number) + word(journal) + word(power) + word(current) + word(314) + created + changed;
    }

    // Position of section `s` in the header of a `version` image (3.14 has no
    // countdown panels and no synchronizer).
    static int headerIndex(int version, Section s)
    {
        if (version == 314 && s == Derived)
            return 16;
        return s;
    }

    static QByteArray intergreen(int version, int number, const QMap<int, QList<int>>& variants)
    {
        QByteArray r = record(recordSize(version, Intergreens), {number});
        for (auto it = variants.constBegin(); it != variants.constEnd(); ++it) {
            for (int i = 0; i < 6; ++i)
                r[1 + 6 * (it.key() - 1) + i] = char(it.value().at(i));
        }
        return r;
    }

    static Norvak3xTestImage minimal(int version)
    {
        Norvak3xTestImage image = minimal();
        image.sections[Title] = version == 314 ? fixedTitle(1) : title(1, QString(), "12:30/01.02.2020",
                                                                     "08:15/03.04.2021", version);
        for (int s = Info; s <= Countdown; ++s) {
            if (recordSize(version, Section(s)))
                image.sections[s] = counted(recordSize(version, Section(s)), {});
        }
        if (version == 314)
            image.sections[Countdown] = image.sections[Synchronizer] = QByteArray();
        return image;
    }

    // The content of full() in the layout of `version`: the same groups,
    // devices, phases, programs, cards and settings where the version holds
    // them, and each version's own fields set.
    static Norvak3xTestImage full(int version)
    {
        if (version == 318)
            return full();
        Norvak3xTestImage image = full();
        QList<QByteArray>& s = image.sections;
        auto size = [version](Section section) { return recordSize(version, section); };
        const int v = storedVariants(version);
        if (version == 314)
            s[Title] = fixedTitle(1234);
        else
            s[Title] = title(1234, QStringLiteral("Перекрёсток"), "12:30/01.02.2020", "08:15/03.04.2021", version);
        if (version <= 315) // receiver flag, type, table, priority, modules
            s[Info] = counted(8, {bytes({1, 2, 1, 1, 3, 4, 5, 6})});
        else if (version == 316) // receiver number, type, table, second panel, modules
            s[Info] = counted(8, {bytes({2, 2, 1, 0, 3, 4, 5, 6})});
        if (version <= 316) // number, type, four keys; no detectors
            s[Groups] = counted(18,
                {record(18, {1, 0, 0, 2, 3, 1, 1, 0, 2, 0}), record(18, {2, 1, 2, 1, 1, 1}), record(18, {3, 2})});
        s[Intergreens] = counted(size(Intergreens),
            {intergreen(version, 1, {{1, {10, 7, 4, 1, 3, 2}}, {v, {5, 4, 3, 0, 2, 0}}}),
                intergreen(version, 2, {{2, {6, 6, 3, 0, 0, 0}}}), intergreen(version, 3, {})});
        if (version == 314)
            s[Phases] = counted(19, {record(19, {1, 5, 60, 0}), record(19, {2, 255, 255, 1, 2})});
        s[Programs] = counted(size(Programs), {record(size(Programs), {1, 0, 2}), record(size(Programs), {200, 0, 1})});
        if (version == 314) // program index, hour, minute
            s[DayCards] = counted(22, {record(22, {1, 0, 6, 0, 1, 22, 30}), record(22, {2, 1, 0, 0})});
        if (version <= 315) // five buttons
            s[RemotePanel] = counted(5, {bytes({0, 1, 255, 255, 255})});
        else if (version == 316) // inactivity, key, 8 phases, 4 requests, 4 programs
            s[RemotePanel] = counted(
                18, {bytes({10, 1, 0, 1, 255, 255, 255, 255, 255, 255, 1, 0, 255, 255, 1, 0, 255, 255})});
        if (version == 314)
            s[CentralControl] = counted(7, {bytes({30, 4, 5, 6, 7, 8, 9})});
        else if (version <= 316)
            s[CentralControl] = counted(8, {bytes({30, 1, 4, 5, 6, 7, 8, 9})});
        if (version <= 316) // green conflict, red, short circuit, cable short, others
            s[ErrorControl] = counted(5, {bytes({1, 2, 3, 4, 6}), bytes({3, 3, 3, 3, 3})});
        s[StartUp] = counted(2, {bytes({5, 3})});
        if (version <= 316) // period, 16 detectors
            s[Statistics] = counted(17, {record(17, {15, 1, 2, 255, 3})});
        // group record 2, panel address 40, blinking 5
        s[Countdown] = version == 314 ? QByteArray() : counted(3, {bytes({2, 40, 5})});
        if (version == 314)
            s[Synchronizer] = QByteArray();
        return image;
    }
};

#endif
