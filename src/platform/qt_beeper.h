#pragma once

#include "platform/services.h"

class SystemBeeper : public Beeper
{
public:
    void beep() override;
};
