#pragma once

#include "platform/services.h"

class ApplicationDirectory : public ProgramDirectory
{
public:
    QString path() const override;
};
