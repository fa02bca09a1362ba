#ifndef NORVAK3XTESTIMAGE_H
#define NORVAK3XTESTIMAGE_H

// Assembles 3.x configuration images byte by byte for the tests, on its own,
// so that the library's container code is checked against an independent
// implementation: sections, header and checksum.

#include <QByteArray>
#include <QList>
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
        for (int i = 0; i < sections.size(); ++i) {
            out.replace(2 * i, 2, word(out.size()));
            out.append(sections.at(i));
        }
        out.replace(2 * sections.size(), 2, word(out.size()));
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
};

#endif
