#include "Norvak316Config.h"

#include "Norvak3xLayout.h"

Norvak316Config::Norvak316Config()
    : Norvak3xConfig(Norvak3xLayout::v316())
{
}
