// The format registry: recognition of unknown bytes, look-up by name and by a
// controller's codes, limits, and the logging categories hosts switch.
#include <QtTest>

#include "Norvak3xTestImage.h"
#include "cnf.h"

namespace {

QByteArray dataFile(const QString& name)
{
    QFile file(QStringLiteral(CNF_TEST_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

using Limits = QVector<int>;

Limits asVector(const CnfFormat::Limits& l)
{
    return {l.phases, l.programs, l.dayCards, l.specialDays, l.dayCardItems, l.devices, l.signalGroups};
}

QStringList categoriesSeen;

void recordCategory(QtMsgType, const QMessageLogContext& context, const QString&)
{
    categoriesSeen << QString::fromLatin1(context.category);
}

} // namespace

class TestFormats : public QObject
{
    Q_OBJECT

private slots:
    void detect_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("error");
        QTest::newRow("project") << dataFile("tool/norvak318.xml") << "project" << "";
        QTest::newRow("other XML") << dataFile("tool/not-a-project.xml") << "" << "the XML root element is";
        QTest::newRow("broken XML") << QByteArray("\xEF\xBB\xBF  <") << "" << "no XML element found";
        QTest::newRow("3.18 image") << Norvak3xTestImage::full().build() << "3.18" << "";
        QTest::newRow("NorvakII") << dataFile("norvakii/crossing.jcfg") << "norvakii" << "";
        QTest::newRow("unknown") << dataFile("tool/unknown.bin") << "" << "not a configuration of any known format";
        QTest::newRow("empty") << QByteArray() << "" << "not a configuration of any known format";
    }

    void detect()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QSharedPointer<CnfNative> adapter;
        QString reason;
        const CnfFormat format = CnfFormatRegistry::detect(bytes, &adapter, &reason);
        QTEST(format.name(), "format");
        QVERIFY2(error.isEmpty() ? reason.isEmpty() : reason.contains(error), qPrintable(reason));
        QCOMPARE(bool(adapter), format.isNative());
        if (adapter)
            QCOMPARE(CnfFormatRegistry::byCodes(format.typeCode(), adapter->version()).name(), format.name());
    }

    // Every entry is found again by its name and, once a controller carries
    // its codes, by the controller.
    void lookUps()
    {
        QStringList names;
        for (const CnfFormat& format : CnfFormatRegistry::formats()) {
            names << format.name();
            QCOMPARE(CnfFormatRegistry::byName(format.name()).typeCode(), format.typeCode());
            if (!format.isNative())
                continue;
            CnfController controller;
            CnfNative::initController(controller, format.typeCode(), format.versionCode());
            QCOMPARE(CnfFormatRegistry::ofController(controller).name(), format.name());
            QCOMPARE(bool(CnfFormatRegistry::adapterFor(format.typeCode(), format.versionCode())), format.hasAdapter());
        }
        QCOMPARE(CnfFormatRegistry::names(), names);
        QCOMPARE(names.first(), QStringLiteral("project"));
        QVERIFY(!CnfFormatRegistry::byName("3.19").isValid());
        QVERIFY(!CnfFormatRegistry::byCodes("norvak", "3.19").isValid());
        QVERIFY(!CnfFormatRegistry::byCodes("Norvak", "3.18").isValid());
        QCOMPARE(CnfFormatRegistry::byCodes("norvakii", "any").name(), QStringLiteral("norvakii"));
    }

    // A 3.x controller reports the limits its writer checks; a version the
    // registry does not list reports those of its family.
    void limits_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("version");
        QTest::addColumn<Limits>("limits");
        const Limits norvak{16, 16, 16, 16, 7, 128, 32};
        QTest::newRow("3.18") << "norvak" << "3.18" << norvak;
        QTest::newRow("3.19") << "norvak" << "3.19" << norvak;
        QTest::newRow("norvakii") << "norvakii" << "" << Limits(7, 65535);
    }

    void limits()
    {
        QFETCH(QString, type);
        QFETCH(QString, version);
        CnfController c;
        c.setProperty("type", type);
        c.setProperty("version", version);
        QTEST(asVector(CnfFormatRegistry::limitsOf(c)), "limits");
        QTEST((Limits{c.getMaxPhaseCount(), c.getMaxProgramCount(), c.getMaxDayCardCount(), c.getMaxSpecialDayCount(),
                      c.getMaxDayCardItems(), c.getMaxDeviceCount(), c.getMaxSgCount()}),
              "limits");
    }

    void loggingCategories()
    {
        const QtMessageHandler previous = qInstallMessageHandler(recordCategory);
        CnfMatrix matrix;
        matrix.setReleaf(static_cast<CnfSignalGroup*>(nullptr), nullptr, 1);
        QLoggingCategory::setFilterRules(QStringLiteral("cnf.model.warning=false"));
        matrix.setReleaf(static_cast<CnfSignalGroup*>(nullptr), nullptr, 1);
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(previous);
        QCOMPARE(categoriesSeen, QStringList{QStringLiteral("cnf.model")});
    }
};

Q_DECLARE_METATYPE(QVector<int>)
QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
