#include "CnfFormat.h"

#include <QCoreApplication>

#include "CnfNative.h"

CnfFormat::CnfFormat(const QString& name, const char* description, const QString& typeCode,
                     const QString& versionCode, Capabilities capabilities, Factory factory,
                     RecordLayout recordLayout, const Limits& limits)
    : m_name(name)
    , m_description(description)
    , m_typeCode(typeCode)
    , m_versionCode(versionCode)
    , m_capabilities(capabilities)
    , m_factory(factory)
    , m_recordLayout(recordLayout)
    , m_limits(limits)
{
}

QString CnfFormat::description() const
{
    return m_description ? QCoreApplication::translate("CnfFormat", m_description) : QString();
}

QSharedPointer<CnfNative> CnfFormat::createAdapter() const
{
    return m_factory ? m_factory() : QSharedPointer<CnfNative>();
}
