#ifndef CANONICALXML_H
#define CANONICALXML_H

#include <QByteArray>

// Writes an XML document so that the same document always gives the same
// bytes: Qt's DOM keeps an element's attributes in a hash whose order changes
// from process to process; here they come in the order of their names. No
// declaration and no white space are added.
class CanonicalXml
{
public:
    // `xml` written again with its attributes in name order; `xml` itself
    // when it is not well-formed.
    static QByteArray normalized(const QByteArray& xml);
};

#endif
