#include "JsonAccess.h"

#include <QStringBuilder>

#include <cmath>
#include <limits>

// --- Values as they are held ---------------------------------------------------

JsonAccess::Value::Value(const QVariant& value)
    : m_variant(value)
{
}

JsonAccess::Value::Value(const QJsonValue& value)
    : m_json(value)
    , m_parsed(true)
{
}

QVariant JsonAccess::Value::toVariant() const
{
    return m_parsed ? m_json.toVariant() : m_variant;
}

bool JsonAccess::Value::isObject() const
{
    return m_parsed ? m_json.isObject() : m_variant.userType() == QMetaType::QVariantMap;
}

bool JsonAccess::Value::isArray() const
{
    return m_parsed ? m_json.isArray() : m_variant.userType() == QMetaType::QVariantList;
}

bool JsonAccess::Value::isAbsent() const
{
    return m_parsed ? m_json.isUndefined() || m_json.isNull() : JsonAccess::isAbsent(m_variant);
}

bool JsonAccess::Value::isParsedInt(int* number) const
{
    if (!m_parsed || !m_json.isDouble() || !fitsInt(m_json.toDouble()))
        return false;
    *number = int(m_json.toDouble());
    return true;
}

bool JsonAccess::Value::isParsedNumber(double* number) const
{
    if (!m_parsed || !m_json.isDouble())
        return false;
    *number = m_json.toDouble();
    return true;
}

JsonAccess::Members::Members(const QVariantMap& map)
    : m_map(map)
{
}

JsonAccess::Members::Members(const QJsonObject& object)
    : m_json(object)
    , m_parsed(true)
{
}

QVariant JsonAccess::Members::value(const QString& key) const
{
    return m_parsed ? m_json.value(key).toVariant() : m_map.value(key);
}

QVariant JsonAccess::Members::value(QLatin1String key) const
{
    return m_parsed ? m_json.value(key).toVariant() : m_map.value(key);
}

JsonAccess::Value JsonAccess::Members::member(QLatin1String key) const
{
    return m_parsed ? Value(m_json.value(key)) : Value(m_map.value(key));
}

bool JsonAccess::Members::isEmpty() const
{
    return m_parsed ? m_json.isEmpty() : m_map.isEmpty();
}

// The parser keeps an object's keys sorted as a QVariantMap sorts them, the
// last of equal keys winning.
QStringList JsonAccess::Members::keys() const
{
    return m_parsed ? m_json.keys() : m_map.keys();
}

JsonAccess::Elements::Elements(const QVariantList& list)
    : m_list(list)
{
}

JsonAccess::Elements::Elements(const QJsonArray& array)
    : m_json(array)
    , m_parsed(true)
{
}

int JsonAccess::Elements::size() const
{
    return m_parsed ? m_json.size() : m_list.size();
}

bool JsonAccess::Elements::isEmpty() const
{
    return size() == 0;
}

QVariant JsonAccess::Elements::at(int index) const
{
    return m_parsed ? m_json.at(index).toVariant() : m_list.at(index);
}

JsonAccess::Value JsonAccess::Elements::element(int index) const
{
    return m_parsed ? Value(m_json.at(index)) : Value(m_list.at(index));
}

// --- Typed access ------------------------------------------------------------------

bool JsonAccess::isAbsent(const QVariant& value)
{
    return !value.isValid() || value.userType() == QMetaType::Nullptr;
}

bool JsonAccess::isNumber(const QVariant& value)
{
    switch (value.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool JsonAccess::fitsInt(double value)
{
    return std::isfinite(value) && value == std::floor(value) && value >= std::numeric_limits<int>::min()
        && value <= std::numeric_limits<int>::max();
}

int JsonAccess::integerValue(const QVariant& value, bool* ok)
{
    *ok = false;
    if (value.userType() == QMetaType::QString)
        return value.toString().toInt(ok);
    if (value.userType() == QMetaType::ULongLong) {
        *ok = value.toULongLong() <= qulonglong(std::numeric_limits<int>::max());
        return *ok ? int(value.toULongLong()) : 0;
    }
    if (!isNumber(value))
        return 0;
    // Any other number, 64-bit integers included, is exact enough as a double
    // to tell whether it is whole and fits.
    const double number = value.toDouble();
    *ok = fitsInt(number);
    return *ok ? int(number) : 0;
}

double JsonAccess::numberValue(const QVariant& value, bool* ok)
{
    double number = 0;
    *ok = false;
    if (value.userType() == QMetaType::QString) {
        number = value.toString().toDouble(ok);
    } else if (isNumber(value)) {
        number = value.toDouble();
        *ok = true;
    }
    *ok = *ok && std::isfinite(number);
    return *ok ? number : 0;
}

QString JsonAccess::at(const QString& where, const QString& key)
{
    return where.isEmpty() ? key : QString(where % QLatin1Char('.') % key);
}

QString JsonAccess::at(const QString& where, QLatin1String key)
{
    return where.isEmpty() ? QString(key) : QString(where % QLatin1Char('.') % key);
}

QString JsonAccess::at(const QString& where, int index)
{
    // The digits go straight into the one text made.
    char text[16];
    int start = sizeof(text);
    text[--start] = ']';
    uint magnitude = index < 0 ? 0u - uint(index) : uint(index);
    do {
        text[--start] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (index < 0)
        text[--start] = '-';
    text[--start] = '[';
    return where % QLatin1String(text + start, int(sizeof(text)) - start);
}

JsonAccess::Object JsonAccess::toObject(const Value& value, const QString& where)
{
    if (value.isObject()) {
        if (value.m_parsed)
            return {Members(value.m_json.toObject()), where};
        return {value.m_variant.toMap(), where};
    }
    if (!value.isAbsent())
        fail(tr("\"%1\" must be an object").arg(where));
    return {QVariantMap(), where};
}

JsonAccess::Array JsonAccess::toArray(const Value& value, const QString& where)
{
    if (value.isArray()) {
        if (value.m_parsed)
            return {Elements(value.m_json.toArray()), where};
        return {value.m_variant.toList(), where};
    }
    if (!value.isAbsent())
        fail(tr("\"%1\" must be an array").arg(where));
    return {QVariantList(), where};
}

// What text.toInt() gives for the text of a number, without reading the
// text back where the number is a whole one.
int JsonAccess::idOf(const QVariant& number, const QString& text, bool* isId)
{
    switch (number.userType()) {
    case QMetaType::Int:
        *isId = true;
        return number.toInt();
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        *isId = number.toULongLong() <= qulonglong(std::numeric_limits<int>::max());
        return *isId ? int(number.toULongLong()) : 0;
    case QMetaType::LongLong:
        *isId = number.toLongLong() >= std::numeric_limits<int>::min()
            && number.toLongLong() <= std::numeric_limits<int>::max();
        return *isId ? int(number.toLongLong()) : 0;
    default:
        return text.toInt(isId);
    }
}

JsonAccess::Reference JsonAccess::toReference(const QVariant& value, const QString& where)
{
    Reference ref;
    if (isNumber(value)) {
        ref.present = true;
        ref.text = value.toString();
        ref.id = idOf(value, ref.text, &ref.isId);
    } else if (value.userType() == QMetaType::QString) {
        ref.text = value.toString();
        ref.byName = true;
        ref.present = !ref.text.isEmpty();
    } else if (!isAbsent(value)) {
        fail(tr("\"%1\" must be an id or a name").arg(where));
    }
    return ref;
}

JsonAccess::Object JsonAccess::objectOf(const Object& parent, const char* key)
{
    return toObject(parent.values.member(QLatin1String(key)), at(parent.where, QLatin1String(key)));
}

JsonAccess::Array JsonAccess::arrayOf(const Object& parent, const char* key)
{
    return toArray(parent.values.member(QLatin1String(key)), at(parent.where, QLatin1String(key)));
}

JsonAccess::Object JsonAccess::elementOf(const Array& array, int index)
{
    return toObject(array.values.element(index), at(array.where, index));
}

QString JsonAccess::textOf(const Object& object, const char* key)
{
    const Value member = object.values.member(QLatin1String(key));
    if (member.m_parsed && member.m_json.isString())
        return member.m_json.toString();
    const QVariant value = member.toVariant();
    if (value.userType() == QMetaType::QString || isNumber(value))
        return value.toString();
    if (!isAbsent(value))
        fail(tr("\"%1\" must be a text").arg(at(object.where, QLatin1String(key))));
    return {};
}

int JsonAccess::intOf(const Object& object, const char* key, int fallback)
{
    const Value member = object.values.member(QLatin1String(key));
    // A parsed number reads as integerValue() reads it, as a double.
    if (member.m_parsed && member.m_json.isDouble() && fitsInt(member.m_json.toDouble()))
        return int(member.m_json.toDouble());
    const QVariant value = member.toVariant();
    if (isAbsent(value))
        return fallback;
    bool ok = false;
    const int number = integerValue(value, &ok);
    if (!ok)
        fail(tr("\"%1\" must be an integer").arg(at(object.where, QLatin1String(key))));
    return ok ? number : fallback;
}

double JsonAccess::numberOf(const Object& object, const char* key)
{
    return numberOf(object, key, object.values.member(QLatin1String(key)));
}

double JsonAccess::numberOf(const Object& object, const char* key, const Value& member)
{
    if (member.m_parsed && member.m_json.isDouble())
        return member.m_json.toDouble(); // JSON has only finite numbers
    const QVariant value = member.toVariant();
    bool ok = false;
    const double number = numberValue(value, &ok);
    if (!ok && !isAbsent(value))
        fail(tr("\"%1\" must be a number").arg(at(object.where, QLatin1String(key))));
    return number;
}

bool JsonAccess::boolOf(const Object& object, const char* key, bool fallback)
{
    const Value member = object.values.member(QLatin1String(key));
    if (member.m_parsed && member.m_json.isBool())
        return member.m_json.toBool();
    const QVariant value = member.toVariant();
    if (isAbsent(value))
        return fallback;
    if (value.userType() == QMetaType::Bool || isNumber(value))
        return value.toBool();
    fail(tr("\"%1\" must be true or false").arg(at(object.where, QLatin1String(key))));
    return fallback;
}

JsonAccess::Reference JsonAccess::referenceOf(const Object& object, const char* key)
{
    return referenceOf(object, key, object.values.member(QLatin1String(key)));
}

JsonAccess::Reference JsonAccess::referenceOf(const Object& object, const char* key, const Value& member)
{
    if (member.m_parsed && member.m_json.isString()) {
        Reference ref;
        ref.text = member.m_json.toString();
        ref.byName = true;
        ref.present = !ref.text.isEmpty();
        return ref;
    }
    // A whole number that fits an int reads as its QVariant (a qlonglong) reads.
    Reference ref;
    if (member.isParsedInt(&ref.id)) {
        ref.present = true;
        ref.isId = true;
        ref.text = QString::number(ref.id);
        return ref;
    }
    const QVariant value = member.toVariant();
    // The place is only named in an error.
    const bool refers = isAbsent(value) || isNumber(value) || value.userType() == QMetaType::QString;
    return toReference(value, refers ? QString() : at(object.where, QLatin1String(key)));
}

void JsonAccess::fail(const QString& message)
{
    // The first finding is the one reported.
    if (m_error.isEmpty())
        m_error = message.isEmpty() ? tr("Invalid JSON configuration") : message;
}

bool JsonAccess::failed() const
{
    return !m_error.isEmpty();
}

QString JsonAccess::errorString() const
{
    return m_error;
}
