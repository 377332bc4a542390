#pragma once

#include "shell/form.h"

class Keikoku2Form : public Form
{
    Q_OBJECT
public:
    Keikoku2Form();
};
