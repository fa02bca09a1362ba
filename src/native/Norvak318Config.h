#ifndef NORVAK318CONFIG_H
#define NORVAK318CONFIG_H

#include "Norvak3xConfig.h"

// Configuration images of firmware 3.18.
class Norvak318Config : public Norvak3xConfig
{
public:
    Norvak318Config();
};

#endif
