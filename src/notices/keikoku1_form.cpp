#include "notices/keikoku1_form.h"

#include "entry/form1.h"
#include "notices/notice_parts.h"
#include "shell/app.h"

#include <QCloseEvent>

Keikoku1Form::Keikoku1Form()
{
    setObjectName(QStringLiteral("keikoku1"));
    setWindowTitle(QStringLiteral("警告"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setClientTwips(3690, 1530);
    setBackground(QColor(192, 192, 192));

    Image1 = place(new QLabel(this), 120, 120, 480, 480);
    Image1->setPixmap(warningPicture());
    Label1 = place(
        noticeLabel(this, QStringLiteral("警告："), 12, false, Qt::AlignLeft | Qt::AlignTop), 720, 120, 615, 255);
    Label2 = place(noticeLabel(this, QStringLiteral("過去の時間を設定しました。再設定してください。"), 12, false,
                       Qt::AlignLeft | Qt::AlignTop),
        720, 360, 2895, 495);
    Label2->setWordWrap(true);
    Command1 = place(new QPushButton(QStringLiteral("OK"), this), 1200, 960, 1335, 495);
    Command1->setFont(uiFont(12));
    Image1->setObjectName(QStringLiteral("Image1"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &Keikoku1Form::Command1_Click);
}

void Keikoku1Form::Form_Load()
{
    centreOnScreen();
}

void Keikoku1Form::Command1_Click()
{
    form1().show();
    forms().keikoku1.unload();
}

void Keikoku1Form::closeEvent(QCloseEvent *event)
{
    event->accept();
    Command1_Click();
}
