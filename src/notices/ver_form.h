#pragma once

#include "shell/form.h"

class VerForm : public Form
{
    Q_OBJECT
public:
    VerForm();
};
