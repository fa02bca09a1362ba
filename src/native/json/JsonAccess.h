#ifndef JSONACCESS_H
#define JSONACCESS_H

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVariant>

// Typed access to the values of a parsed JSON document (as QVariant maps and
// lists). Each value is read as the type the format expects; a missing key
// or null reads as "not given", and a value of another type is an error
// whose message names the value's place in the document
// ("plans[2].algorithm.cycle"). The first error is kept; later ones are
// dropped, so that a reader may check once after several reads.
//
// A document is read either as Qt's JSON parser left it, in place, or as
// QVariant maps and lists; both read alike. A value handed out as a QVariant
// is the one QJsonDocument::toVariant() would give, so that readers see the
// same values either way; objects and arrays of a parsed document are walked
// without being converted.
class JsonAccess
{
    Q_DECLARE_TR_FUNCTIONS(JsonAccess)

public:
    // One value of the document, as it is held.
    class Value
    {
    public:
        Value() = default;
        Value(const QVariant& value);
        Value(const QJsonValue& value);

        // The value as a QVariant; an object or array is converted whole.
        QVariant toVariant() const;
        bool isObject() const;
        bool isArray() const;
        // Whether the value is missing or JSON null.
        bool isAbsent() const;
        // Whether the value is a number of a parsed document that is whole
        // and fits an int; `number` is set then.
        bool isParsedInt(int* number) const;
        // Whether the value is a number of a parsed document; `number` is set then.
        bool isParsedNumber(double* number) const;

    private:
        friend class JsonAccess;
        QVariant m_variant;
        QJsonValue m_json = QJsonValue(QJsonValue::Undefined);
        bool m_parsed = false;
    };

    // The members of a JSON object, in the order of their keys.
    class Members
    {
    public:
        Members() = default;
        Members(const QVariantMap& map);
        explicit Members(const QJsonObject& object);

        // The member as a QVariant (invalid when missing).
        QVariant value(const QString& key) const;
        QVariant value(QLatin1String key) const;
        // The member as it is held.
        Value member(QLatin1String key) const;
        bool isEmpty() const;
        QStringList keys() const;

    private:
        QVariantMap m_map;
        QJsonObject m_json;
        bool m_parsed = false;
    };

    // The elements of a JSON array.
    class Elements
    {
    public:
        Elements() = default;
        Elements(const QVariantList& list);
        explicit Elements(const QJsonArray& array);

        int size() const;
        bool isEmpty() const;
        // The element as a QVariant, and as it is held.
        QVariant at(int index) const;
        Value element(int index) const;

    private:
        QVariantList m_list;
        QJsonArray m_json;
        bool m_parsed = false;
    };

    // A JSON object or array with its place in the document.
    struct Object {
        Members values;
        QString where;
    };
    struct Array {
        Elements values;
        QString where;
    };
    // A reference to another element: a JSON number is an id, a text a name.
    struct Reference {
        bool present = false;
        bool byName = false;
        QString text; // the value as written
        // A reference by id: its value as an int, when it is one (as
        // text.toInt() tells).
        bool isId = false;
        int id = 0;
    };

    // Whether the value is missing or JSON null.
    static bool isAbsent(const QVariant& value);
    // Whether the value is a JSON number (of any integer or real type).
    static bool isNumber(const QVariant& value);
    // The value as an int when it is a whole number, or a text holding one,
    // that fits; `ok` tells.
    static int integerValue(const QVariant& value, bool* ok);
    // The value as a finite real number, also from a text; `ok` tells.
    static double numberValue(const QVariant& value, bool* ok);
    // Whether a real number is whole and fits an int.
    static bool fitsInt(double value);
    // The place of a member, and of an array element, below `where`.
    static QString at(const QString& where, const QString& key);
    static QString at(const QString& where, QLatin1String key);
    static QString at(const QString& where, int index);

    Object toObject(const Value& value, const QString& where);
    Array toArray(const Value& value, const QString& where);
    Reference toReference(const QVariant& value, const QString& where);
    Object objectOf(const Object& parent, const char* key);
    Array arrayOf(const Object& parent, const char* key);
    Object elementOf(const Array& array, int index);
    // A text, or a number as its text; empty when not given.
    QString textOf(const Object& object, const char* key);
    int intOf(const Object& object, const char* key, int fallback = 0);
    double numberOf(const Object& object, const char* key);
    bool boolOf(const Object& object, const char* key, bool fallback = false);
    Reference referenceOf(const Object& object, const char* key);
    // The same, for the member already taken from `object` under `key`.
    double numberOf(const Object& object, const char* key, const Value& member);
    Reference referenceOf(const Object& object, const char* key, const Value& member);

    // The id a number refers to, as the text of a reference.
    static int idOf(const QVariant& number, const QString& text, bool* isId);

    // Keeps `message` unless an error is kept already.
    void fail(const QString& message);
    bool failed() const;
    QString errorString() const;

private:
    QString m_error;
};

#endif
