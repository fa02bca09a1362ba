#include "Norvak3xImage.h"

#include <QObject>
#include <QtEndian>
#include <QTextCodec>

#include "Norvak3xLayout.h"

static void putWord(QByteArray& out, int position, int value)
{
    out[position] = char(value & 0xFF);
    out[position + 1] = char((value >> 8) & 0xFF);
}

bool Norvak3xImage::load(const QByteArray& bytes, const Norvak3xLayout& layout, QString* error)
{
    m_bytes = bytes;
    m_sectionStarts.clear();
    switch (problem(layout)) {
    case Problem::None:
        break;
    case Problem::TooSmall:
        *error = QObject::tr("Файл конфигурации слишком маленький");
        clear();
        return false;
    case Problem::BadHeader:
        *error = QObject::tr("Заголовок имеет неверный формат");
        clear();
        return false;
    case Problem::WrongVersion:
        *error = QObject::tr("Неправильная версия файла конфигурации");
        clear();
        return false;
    }
    const int sections = layout.sectionCount();
    m_sectionStarts.reserve(sections);
    for (int i = 0; i < sections; ++i)
        m_sectionStarts.append(word(2 * i));
    m_checksumOffset = word(2 * sections);
    return true;
}

bool Norvak3xImage::fits(const QByteArray& bytes, const Norvak3xLayout& layout)
{
    Norvak3xImage image;
    image.m_bytes = bytes;
    return image.problem(layout) == Problem::None;
}

Norvak3xImage::Problem Norvak3xImage::problem(const Norvak3xLayout& layout) const
{
    const int sections = layout.sectionCount();
    const int headerWords = sections + 1; // the last word points at the checksum
    const int size = m_bytes.size();

    if (size < 2 * headerWords || size < word(2 * sections) + 2)
        return Problem::TooSmall;
    for (int i = 0; i < headerWords; ++i) {
        if (word(2 * i) > size)
            return Problem::BadHeader;
    }
    // Detection tries every version: the title is checked before anything
    // is kept of an image of another one.
    return titleMatches(layout) ? Problem::None : Problem::WrongVersion;
}

// The title tells the versions apart: 3.14 has a fixed block of 18 bytes
// with the version word at a fixed offset, the later versions an index of
// eight elements whose sixth is the version word. Both shapes are checked,
// so that no image is taken by two adapters.
bool Norvak3xImage::titleMatches(const Norvak3xLayout& layout) const
{
    // The header words have been checked, the section table is not made yet.
    const int title = word(0);
    int versionAt = title + layout.versionPosition;
    if (layout.hasFixedTitle()) {
        if (word(2) - title != layout.recordSize(Norvak3xSection::Title))
            return false;
    } else {
        if (!contains(title + layout.versionPosition)
            || at(title) != layout.shape(Norvak3xSection::Title).size)
            return false;
        versionAt = title + at(title + layout.versionPosition);
    }
    return contains(versionAt, 2) && word(versionAt) == layout.number;
}

void Norvak3xImage::clear()
{
    m_bytes.clear();
    m_sectionStarts.clear();
    m_checksumOffset = 0;
}

bool Norvak3xImage::checksumMatches() const
{
    if (isEmpty() || !contains(m_checksumOffset, 2))
        return false;
    return checksum(m_bytes.constData(), m_checksumOffset) == word(m_checksumOffset);
}

static QTextCodec* textCodec()
{
    static QTextCodec* const codec = QTextCodec::codecForName("windows-1251");
    return codec;
}

static bool isAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// Without the codec, bytes are taken as 8-bit ASCII on reading and the local
// 8-bit encoding is used on writing. Windows-1251 keeps ASCII as it is,
// which spares the codec the times and numbers.
QString Norvak3xImage::decodeText(const QByteArray& bytes)
{
    return textCodec() ? textCodec()->toUnicode(bytes) : QString::fromLatin1(bytes);
}

QByteArray Norvak3xImage::encodeText(const QString& text)
{
    if (!textCodec())
        return text.toLocal8Bit();
    return isAscii(text) ? text.toLatin1() : textCodec()->fromUnicode(text);
}

static quint16 addByte(quint16 sum, quint8 value)
{
    const quint16 t = quint16(sum + value);
    return quint16((t << 1) | (t >> 15));
}

// Each byte is XORed with the low byte of its position. In a group of eight
// starting at a multiple of eight those low bytes differ only in their three
// lowest bits, so one 64-bit XOR does it for the whole group.
quint16 Norvak3xImage::checksum(const char* data, int size)
{
    quint16 sum = 0;
    int i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 group = qFromUnaligned<quint64>(data + i);
        group = qFromLittleEndian(group) ^ (quint64(i & 0xF8) * 0x0101010101010101ULL ^ 0x0706050403020100ULL);
        for (int k = 0; k < 8; ++k, group >>= 8)
            sum = addByte(sum, quint8(group));
    }
    for (; i < size; ++i)
        sum = addByte(sum, quint8(data[i]) ^ quint8(i));
    return sum;
}

QByteArray Norvak3xImage::assemble(const QList<QByteArray>& sections, QString* error)
{
    // The header has room for 20 words whatever the version; unused words
    // stay 0xFFFF.
    Q_ASSERT(sections.size() < 20);
    int total = 40 + 2;
    for (const QByteArray& s : sections)
        total += s.size();
    QByteArray out(40, char(0xFF));
    out.reserve(total);
    for (int i = 0; i < sections.size(); ++i) {
        putWord(out, 2 * i, out.size());
        out.append(sections.at(i));
    }
    putWord(out, 2 * sections.size(), out.size());
    const quint16 sum = checksum(out.constData(), out.size());
    out.append(char(sum & 0xFF));
    out.append(char(sum >> 8));
    if (out.size() > maxImageSize) {
        *error = QObject::tr("Размер полученной конфигурации превышает 4080 байт");
        return {};
    }
    return out;
}
