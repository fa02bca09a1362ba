#include "Norvak314Config.h"

#include "Norvak3xLayout.h"

Norvak314Config::Norvak314Config()
    : Norvak3xConfig(Norvak3xLayout::v314())
{
}
