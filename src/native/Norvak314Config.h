#ifndef NORVAK314CONFIG_H
#define NORVAK314CONFIG_H

#include "Norvak3xConfig.h"

// Configuration images of firmware 3.14.
class Norvak314Config : public Norvak3xConfig
{
public:
    Norvak314Config();
};

#endif
