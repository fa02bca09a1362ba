#ifndef ADAPTERTEXTLINES_H
#define ADAPTERTEXTLINES_H

#include <QByteArray>

// Walks the lines of a text configuration, each trimmed of white space (a
// carriage return before the line feed goes with it). A last line without
// its line feed is a line too. Each byte is looked at once.
class AdapterTextLines
{
public:
    explicit AdapterTextLines(const QByteArray& data)
        : m_data(data)
    {
    }

    // The next line in `line`; false at the end of the data.
    bool next(QByteArray* line)
    {
        if (m_pos >= m_data.size())
            return false;
        int end = m_data.indexOf('\n', m_pos);
        if (end < 0)
            end = m_data.size();
        *line = m_data.mid(m_pos, end - m_pos).trimmed();
        m_pos = end + 1;
        return true;
    }

private:
    const QByteArray m_data;
    int m_pos = 0;
};

#endif
