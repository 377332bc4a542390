#pragma once

#include "shell/form.h"

#include <QColor>

// The alarm window that presents a memo that falls due.
class DisplayForm : public Form
{
    Q_OBJECT
public:
    DisplayForm();
    // Presents memo slot i in the given colour (due or late).
    void present(int slot, const QColor &colour);
};
