#pragma once

#include "shell/form.h"

class Keikoku1Form : public Form
{
    Q_OBJECT
public:
    Keikoku1Form();
};
