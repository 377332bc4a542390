#include "entry/memo_form.h"

#include "entry/form1.h"
#include "shell/app.h"

#include <QCloseEvent>

MemoForm::MemoForm()
{
    setObjectName(QStringLiteral("MEMO"));
    setWindowTitle(QStringLiteral("Memo"));
    setClientTwips(4095, 3090);
    setFont(uiFont(12));

    // Wider than the window on purpose: its right edge runs under the border.
    Text1 = place(new TextBox(this), 0, 0, 4215, 2415);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setTabChangesFocus(true);
    Text1->setAttribute(Qt::WA_InputMethodEnabled, true);

    Command1 = place(new QPushButton(QStringLiteral("ＯＫ"), this), 240, 2520, 1335, 495);
    Command2 = place(new QPushButton(QStringLiteral("キャンセル"), this), 2640, 2520, 1335, 495);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setObjectName(QStringLiteral("Command2"));
    for (QPushButton *button : {Command1, Command2}) {
        button->setFont(uiFont(9));
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    QWidget::setTabOrder(Text1, Command1);
    QWidget::setTabOrder(Command1, Command2);

    connect(Text1, &TextBox::Change, this, &MemoForm::Text1_Change);
    connect(Command1, &QPushButton::clicked, this, &MemoForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &MemoForm::Command2_Click);
    centreOnFirstShow();
}

// Whoever first touches the window shows it, as every creation does.
void MemoForm::Form_Load()
{
    show();
    Command1->hide();
}

void MemoForm::startNewMemo()
{
    Text1->setText(QString());
    Command1->hide();
}

void MemoForm::startEditing(const QString &text)
{
    Text1->setText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

void MemoForm::clear()
{
    hide();
    startNewMemo();
}

void MemoForm::Text1_Change()
{
    Command1->show();
}

// ＯＫ: the text stays for "設定".
void MemoForm::Command1_Click()
{
    hide();
    form1().textConfirmed();
}

// キャンセル: the text goes with the window; using the name again re-creates it
// (its load step shows it) and hides it. A memo being changed keeps its own
// text: cancelling the typing must not erase it.
void MemoForm::Command2_Click()
{
    form1().show();
    forms().MEMO.unload();
    MEMO().hide();
    if (const std::optional<Memo> &editing = memoBook().memoOutForEditing())
        MEMO().startEditing(editing->text);
}

void MemoForm::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Command2_Click();
}
