#include "notices/title_form.h"

#include "notices/notice_parts.h"
#include "shell/app.h"
#include "shell/icons_form.h"

namespace {
const QColor darkBlue(0, 0, 192);
constexpr Qt::Alignment topLeft = Qt::AlignLeft | Qt::AlignTop;
} // namespace

TitleForm::TitleForm()
{
    setObjectName(QStringLiteral("Title"));
    setWindowTitle(QStringLiteral("Title"));
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setClientTwips(4020, 2040);
    setBackground(darkBlue);

    Picture1 = place(pictureBox(this, IconsForm::programPicture(), darkBlue), 240, 360, 615, 615);
    Label1 = place(
        noticeLabel(this, QStringLiteral("Rekuda31"), 26.25, true, topLeft, QColor(255, 255, 0)), 960, 360, 2775, 615);
    Label2 = place(
        noticeLabel(this, QStringLiteral("タスクトレイに常駐しました"), 12, false, topLeft, QColor(255, 255, 192)), 840,
        1080, 2775, 375);
    Label3 = place(noticeLabel(this, QStringLiteral("メモを設定しました"), 15.75, true, Qt::AlignHCenter | Qt::AlignTop,
                       QColor(255, 0, 0)),
        720, 1560, 2775, 375);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3->setObjectName(QStringLiteral("Label3"));

    Timer1 = new QTimer(this);
    Timer1->setInterval(800);
    // A coarse timer may fire up to 5 % early; the splash stays its full 800 ms.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &TitleForm::Timer1_Timer);
    Timer1->start();
}

void TitleForm::Form_Load()
{
    centreOnScreen();
    Label3->setVisible(memoBook().armed());
}

void TitleForm::Timer1_Timer()
{
    forms().Title.unload();
}
