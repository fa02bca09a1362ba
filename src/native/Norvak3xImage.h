#ifndef NORVAK3XIMAGE_H
#define NORVAK3XIMAGE_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

struct Norvak3xLayout;

// The binary container shared by the 3.x firmware versions: a header of
// section offsets, the sections and a 16-bit checksum. Keeps a loaded image
// with the location of its sections; every byte access is bounds-checked.
class Norvak3xImage
{
public:
    static constexpr int maxImageSize = 4080;

    // Checks size, header and version word; on failure the image is emptied
    // and `error` holds the reason.
    bool load(const QByteArray& bytes, const Norvak3xLayout& layout, QString* error);
    void clear();
    // Whether `bytes` pass the checks of `load` for `layout`; costs no
    // message, for detection to pass over images of other versions.
    static bool fits(const QByteArray& bytes, const Norvak3xLayout& layout);

    bool isEmpty() const { return m_bytes.isEmpty(); }
    int size() const { return m_bytes.size(); }
    const QByteArray& bytes() const { return m_bytes; }

    // Offset of section `index` from the start of the image.
    int sectionStart(int index) const { return m_sectionStarts.value(index, m_bytes.size()); }
    bool contains(int position, int length = 1) const
    {
        return position >= 0 && length >= 0 && position <= m_bytes.size() - length;
    }
    // The byte at `position`; 255 (not set) outside the image.
    int at(int position) const { return contains(position) ? quint8(m_bytes.at(position)) : 0xFF; }
    int word(int position) const { return at(position) | (at(position + 1) << 8); }

    // Compares the stored checksum with the one computed over the image.
    bool checksumMatches() const;

    // Texts of the image are Windows-1251.
    static QString decodeText(const QByteArray& bytes);
    static QByteArray encodeText(const QString& text);

    // The 16-bit sum with rotation that guards an image or a block.
    static quint16 checksum(const char* data, int size);
    // Header, sections and checksum; empty with `error` set when the result
    // is above `maxImageSize`.
    static QByteArray assemble(const QList<QByteArray>& sections, QString* error);

private:
    enum class Problem { None, TooSmall, BadHeader, WrongVersion };

    Problem problem(const Norvak3xLayout& layout) const;
    bool titleMatches(const Norvak3xLayout& layout) const;

    QByteArray m_bytes;
    QVector<int> m_sectionStarts;
    int m_checksumOffset = 0;
};

#endif
