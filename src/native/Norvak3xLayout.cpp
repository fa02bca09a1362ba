#include "Norvak3xLayout.h"

#include <QObject>

#include "ProgramRecordLayout.h"


int Norvak3xLayout::sectionIndex(Norvak3xSection s) const
{
    if (!has(s))
        return -1;
    int index = 0;
    for (int i = 0; i < int(s); ++i) {
        if (sections[size_t(i)].shape != Norvak3xShape::Absent)
            ++index;
    }
    return index;
}

int Norvak3xLayout::sectionCount() const
{
    int count = 0;
    for (const Norvak3xSectionShape& s : sections) {
        if (s.shape != Norvak3xShape::Absent)
            ++count;
    }
    return count;
}

QString Norvak3xLayout::sectionName(Norvak3xSection s)
{
    switch (s) {
    case Norvak3xSection::Title:
        return QObject::tr("Параметры заголовка");
    case Norvak3xSection::Power:
        return QObject::tr("Силовая часть");
    case Norvak3xSection::Info:
        return QObject::tr("Информационная часть");
    case Norvak3xSection::SignalGroups:
        return QObject::tr("Сигнальные группы");
    case Norvak3xSection::Conflicts:
        return QObject::tr("Таблица конфликтов");
    case Norvak3xSection::Intergreens:
        return QObject::tr("Таблица ромтактов");
    case Norvak3xSection::Phases:
        return QObject::tr("Фазы");
    case Norvak3xSection::Programs:
        return QObject::tr("Программы");
    case Norvak3xSection::DayCards:
        return QObject::tr("Суточные карты");
    case Norvak3xSection::Week:
        return QObject::tr("Недельное распределение");
    case Norvak3xSection::SpecialDays:
        return QObject::tr("Особые дни года");
    case Norvak3xSection::RemotePanel:
        return QObject::tr("Параметры ВПУ");
    case Norvak3xSection::CentralControl:
        return QObject::tr("Параметры АСУДД");
    case Norvak3xSection::ErrorControl:
        return QObject::tr("Контроль ошибок");
    case Norvak3xSection::StartUp:
        return QObject::tr("Параметры запуска");
    case Norvak3xSection::Statistics:
        return QObject::tr("Статистика");
    case Norvak3xSection::Countdown:
        return QObject::tr("Табло ОО");
    case Norvak3xSection::Synchronizer:
        return QObject::tr("Синхронизатор");
    case Norvak3xSection::Derived:
        break;
    }
    return QObject::tr("Производный блок");
}

static Norvak3xLayout make318()
{
    using S = Norvak3xSection;
    using V = Norvak3xValue;
    Norvak3xLayout l;
    l.number = 318;
    l.versionText = QStringLiteral("3.18");
    l.interstateVariantCount = 6;
    l.versionPosition = 6;

    auto set = [&l](S s, Norvak3xShape shape, int size) { l.sections[size_t(s)] = {shape, size}; };
    set(S::Title, Norvak3xShape::Indexed, 8);
    set(S::Power, Norvak3xShape::Fixed, 2 * Norvak3xLayout::powerEntries);
    set(S::Info, Norvak3xShape::Counted, 11);
    set(S::SignalGroups, Norvak3xShape::Counted, 22);
    set(S::Conflicts, Norvak3xShape::Counted, 33);
    set(S::Intergreens, Norvak3xShape::Counted, 37);
    set(S::Phases, Norvak3xShape::Counted, 23);
    set(S::Programs, Norvak3xShape::Counted, 63);
    set(S::DayCards, Norvak3xShape::Counted, 29);
    set(S::Week, Norvak3xShape::Counted, 7);
    set(S::SpecialDays, Norvak3xShape::Counted, 3);
    set(S::RemotePanel, Norvak3xShape::Counted, 19);
    set(S::CentralControl, Norvak3xShape::Counted, 9);
    set(S::ErrorControl, Norvak3xShape::Counted, 6);
    set(S::StartUp, Norvak3xShape::Counted, 3);
    set(S::Statistics, Norvak3xShape::Counted, 66);
    set(S::Countdown, Norvak3xShape::Counted, 2);
    set(S::Synchronizer, Norvak3xShape::Indexed, 4);
    set(S::Derived, Norvak3xShape::Derived, 0);

    l.info = {
        {0, "receiver", V::Byte},
        {1, "asudd_type", V::Byte},
        {2, "table", V::Flag},
        {3, "vpu2", V::Flag},
        {4, "dt_module1", V::Byte},
        {5, "dt_module2", V::Byte},
        {6, "dt_module3", V::Byte},
        {7, "dt_module4", V::Byte},
        {8, "power_counter", V::Flag},
        {9, "ups", V::Flag},
        {10, "priority_skip", V::Flag},
    };
    l.groupDetectorCount = 4;

    Norvak3xRemotePanel& vpu = l.remotePanel;
    vpu.allowedInactivity = 0;
    vpu.useKey = 1;
    vpu.interstateVariant = 2;
    vpu.phases = 3;
    vpu.phaseCount = 8;
    vpu.requests = 11;
    vpu.requestCount = 4;
    vpu.programs = 15;
    vpu.programCount = 4;

    l.centralControl = {
        {0, "asudd_allowedInactivity", V::Byte},
        {1, "asudd_priority_on_vpu", V::Flag},
        {2, "asudd_prom_variant", V::NonZero},
        {3, "tsku_addr", V::Byte},
        {4, "tsku_signal_level", V::Byte},
        {5, "mgr_button", V::Byte},
        {6, "mgr_tsku_phase", V::Byte},
        {7, "mgr_phase_length", V::Byte},
        {8, "mgr_length", V::Byte},
    };
    l.startUp = {
        {0, "startup_yf", V::Byte},
        {1, "startup_rr", V::Byte},
        {2, "table_flip", V::Byte},
    };
    l.statistics.periods = {
        {0, "dtInternalStatPeriod", V::Byte},
        {1, "dtGroupStatPeriod", V::Byte},
    };
    l.statistics.listOffset = 2;
    l.statistics.listKey = "dtStat317";
    l.statistics.groupCount = 8;
    l.statistics.groupSize = 8;
    l.countdown = {{1, "count", V::Byte}};
    l.errorKindOrder = {GreenConflict, RedControl, LoadShortCircuit, CableShort, SilentDevices, OtherErrors};
    return l;
}

// 3.17 differs from 3.18 in the intergreen table (eight variants), the
// start-up record (no countdown blinking) and its countdown panels.
static Norvak3xLayout make317()
{
    using S = Norvak3xSection;
    using V = Norvak3xValue;
    Norvak3xLayout l = make318();
    l.number = 317;
    l.versionText = QStringLiteral("3.17");
    l.interstateVariantCount = 8;
    l.sections[size_t(S::Intergreens)].size = 49;
    l.sections[size_t(S::StartUp)].size = 2;
    l.sections[size_t(S::Countdown)].size = 3;
    l.startUp.removeLast();
    l.countdown = {{1, "address", V::Byte}, {2, "blinkingTime", V::Byte}};
    return l;
}

// 3.16 keeps four of its eight variants, has no detectors in the group
// records, 62-byte programs, five error kinds and flat statistics.
static Norvak3xLayout make316()
{
    using S = Norvak3xSection;
    using V = Norvak3xValue;
    Norvak3xLayout l = make317();
    l.number = 316;
    l.versionText = QStringLiteral("3.16");
    l.sections[size_t(S::Info)].size = 8;
    l.sections[size_t(S::SignalGroups)].size = 18;
    l.sections[size_t(S::Intergreens)].size = 25;
    l.sections[size_t(S::Programs)].size = 62;
    l.sections[size_t(S::RemotePanel)].size = 18;
    l.sections[size_t(S::CentralControl)].size = 8;
    l.sections[size_t(S::ErrorControl)].size = 5;
    l.sections[size_t(S::Statistics)].size = 17;

    l.info = {
        {0, "receiver", V::Byte},
        {1, "asudd_type", V::Byte},
        {2, "table", V::Flag},
        {3, "vpu2", V::Flag},
        {4, "dt_module1", V::Byte},
        {5, "dt_module2", V::Byte},
        {6, "dt_module3", V::Byte},
        {7, "dt_module4", V::Byte},
    };
    l.groupDetectorCount = 0;

    Norvak3xRemotePanel& vpu = l.remotePanel;
    vpu.interstateVariant = -1;
    vpu.phases = 2;
    vpu.requests = 10;
    vpu.programs = 14;

    l.centralControl = {
        {0, "asudd_allowedInactivity", V::Byte},
        {1, "asudd_priority_on_vpu", V::Flag},
        {2, "tsku_addr", V::Byte},
        {3, "tsku_signal_level", V::Byte},
        {4, "mgr_button", V::Byte},
        {5, "mgr_tsku_phase", V::Byte},
        {6, "mgr_phase_length", V::Byte},
        {7, "mgr_length", V::Byte},
    };
    l.errorKindOrder = {GreenConflict, RedControl, LoadShortCircuit, CableShort, OtherErrors};
    l.statistics.periods = {{0, "dtStatPeriod", V::Byte}};
    l.statistics.listOffset = 1;
    l.statistics.listKey = "dtStat314";
    l.statistics.groupCount = 0;
    l.statistics.groupSize = 16;
    return l;
}

// 3.15 has four variants, a remote panel of five buttons only, and the
// priority passage flag where 3.16 keeps the second panel.
static Norvak3xLayout make315()
{
    using V = Norvak3xValue;
    Norvak3xLayout l = make316();
    l.number = 315;
    l.versionText = QStringLiteral("3.15");
    l.interstateVariantCount = 4;
    l.sections[size_t(Norvak3xSection::RemotePanel)].size = 5;
    l.info[0].kind = V::Flag;
    l.info[3] = {3, "priority_skip", V::Flag};
    l.remotePanel = Norvak3xRemotePanel();
    l.remotePanel.phases = 0;
    l.remotePanel.phaseCount = 5;
    return l;
}

// 3.14 has a fixed title with numeric times, phases of sixteen groups, day
// cards without reserve programs, and neither countdown panels nor
// synchronizer.
static Norvak3xLayout make314()
{
    using S = Norvak3xSection;
    Norvak3xLayout l = make315();
    l.number = 314;
    l.versionText = QStringLiteral("3.14");
    l.versionPosition = 8;
    l.sections[size_t(S::Title)] = {Norvak3xShape::Fixed, 18};
    l.sections[size_t(S::Phases)].size = 19;
    l.sections[size_t(S::DayCards)].size = 22;
    l.sections[size_t(S::CentralControl)].size = 7;
    l.sections[size_t(S::Countdown)] = {};
    l.sections[size_t(S::Synchronizer)] = {};
    l.centralControl.removeAt(1);
    for (int i = 1; i < l.centralControl.size(); ++i)
        --l.centralControl[i].offset;
    l.countdown.clear();
    return l;
}

const Norvak3xLayout& Norvak3xLayout::v314()
{
    static const Norvak3xLayout layout = make314();
    return layout;
}

const Norvak3xLayout& Norvak3xLayout::v315()
{
    static const Norvak3xLayout layout = make315();
    return layout;
}

const Norvak3xLayout& Norvak3xLayout::v316()
{
    static const Norvak3xLayout layout = make316();
    return layout;
}

const Norvak3xLayout& Norvak3xLayout::v317()
{
    static const Norvak3xLayout layout = make317();
    return layout;
}

const ProgramRecordLayout& Norvak3xLayout::programLayout() const
{
    return cnfNorvakRecordLayout(versionText);
}

const Norvak3xLayout* Norvak3xLayout::forVersion(const QString& versionText)
{
    for (const Norvak3xLayout* l : {&v314(), &v315(), &v316(), &v317(), &v318()}) {
        if (l->versionText == versionText)
            return l;
    }
    return nullptr;
}

const Norvak3xLayout& Norvak3xLayout::v318()
{
    static const Norvak3xLayout layout = make318();
    return layout;
}
