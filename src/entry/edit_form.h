#pragma once

#include "shell/form.h"

// The memo list editor "memo編集".
class EditForm : public Form
{
    Q_OBJECT
public:
    EditForm();
    // The tray menu's "メモ編集".
    void open();
};
