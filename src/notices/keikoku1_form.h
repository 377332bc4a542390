#pragma once

#include "shell/form.h"

#include <QLabel>
#include <QPushButton>

// The warning for a memo set to a time that has already passed.
class Keikoku1Form : public Form
{
    Q_OBJECT
public:
    Keikoku1Form();
    void Form_Load() override;
    // Back to the setting window, whose values are still there to correct.
    void Command1_Click();

    QLabel *Image1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *Command1 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
};
