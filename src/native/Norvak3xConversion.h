#ifndef NORVAK3XCONVERSION_H
#define NORVAK3XCONVERSION_H

#include <QString>

class CnfController;
struct Norvak3xLayout;

// Moves a controller from one 3.x firmware version to another: the settings
// whose shape differs between the versions but whose meaning carries over
// are rewritten in the shape of the controller's new version. What the new
// version cannot hold is left to its writer, which leaves it out or refuses
// it.
class Norvak3xConversion
{
public:
    // Adapts a controller whose "version" is already the new one and that
    // was of version `fromVersion`. Does nothing unless both are 3.x versions
    // that differ.
    static void convert(CnfController& controller, const QString& fromVersion);

private:
    static void convertPrograms(CnfController& controller, const Norvak3xLayout& from, const Norvak3xLayout& to);
    static void convertErrorControl(CnfController& controller, const Norvak3xLayout& from, const Norvak3xLayout& to);
    static void convertRemotePanel(CnfController& controller, const Norvak3xLayout& to);
    static void convertFlags(CnfController& controller, const Norvak3xLayout& to);
};

#endif
