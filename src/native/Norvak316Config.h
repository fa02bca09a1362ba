#ifndef NORVAK316CONFIG_H
#define NORVAK316CONFIG_H

#include "Norvak3xConfig.h"

// Configuration images of firmware 3.16.
class Norvak316Config : public Norvak3xConfig
{
public:
    Norvak316Config();
};

#endif
