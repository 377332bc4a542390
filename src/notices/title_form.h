#pragma once

#include "shell/form.h"

class TitleForm : public Form
{
    Q_OBJECT
public:
    TitleForm();
};
