#include "notices/ver_form.h"

#include "notices/notice_parts.h"
#include "shell/app.h"
#include "shell/icons_form.h"

#include <QCloseEvent>

VerForm::VerForm()
{
    setObjectName(QStringLiteral("Ver"));
    setWindowTitle(QStringLiteral("バージョン"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    const QPixmap picture = IconsForm::programPicture();
    setWindowIcon(QIcon(picture));
    setClientTwips(4410, 2670);
    setBackground(Qt::black);

    Picture1 = place(pictureBox(this, picture, Qt::black), 360, 120, 615, 615);
    Label1 = place(noticeLabel(this, QStringLiteral("Rekuda31"), 26.25, true, Qt::AlignHCenter | Qt::AlignTop,
                       QColor(255, 255, 0)),
        840, 120, 3015, 735);
    Label2 = place(noticeLabel(this, QStringLiteral("Ver1.10"), 15.75, false, Qt::AlignRight | Qt::AlignTop,
                       QColor(255, 128, 255)),
        1560, 720, 2055, 375);
    Command1 = place(new QPushButton(QStringLiteral("ＯＫ"), this), 1560, 2040, 1095, 495);
    Command1->setFont(uiFont(12));
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &VerForm::Command1_Click);
}

void VerForm::Form_Load()
{
    centreOnScreen();
}

void VerForm::Command1_Click()
{
    forms().Ver.unload();
}

void VerForm::closeEvent(QCloseEvent *event)
{
    event->accept();
    Command1_Click();
}
