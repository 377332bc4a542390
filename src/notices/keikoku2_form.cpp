#include "notices/keikoku2_form.h"

#include "notices/notice_parts.h"
#include "shell/app.h"

#include <QCloseEvent>

Keikoku2Form::Keikoku2Form()
{
    setObjectName(QStringLiteral("keikoku2"));
    setWindowTitle(QStringLiteral("警告"));
    setClientTwips(3630, 1425, false);

    Image1 = place(new QLabel(this), 120, 120, 480, 480);
    Image1->setPixmap(warningPicture());
    Label1 = place(
        noticeLabel(this, QStringLiteral("警告："), 12, false, Qt::AlignLeft | Qt::AlignTop), 840, 120, 615, 255);
    Label2
        = place(noticeLabel(this, QStringLiteral("これ以上設定できません。"), 12, false, Qt::AlignLeft | Qt::AlignTop),
            720, 480, 2655, 375);
    Command1 = place(new QPushButton(QStringLiteral("OK"), this), 1320, 840, 1215, 495);
    Command1->setFont(uiFont(12));
    Image1->setObjectName(QStringLiteral("Image1"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &Keikoku2Form::Command1_Click);
}

void Keikoku2Form::Form_Load()
{
    centreOnScreen();
}

void Keikoku2Form::Command1_Click()
{
    forms().keikoku2.unload();
}

void Keikoku2Form::closeEvent(QCloseEvent *event)
{
    event->accept();
    Command1_Click();
}
