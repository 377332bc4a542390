#include "entry/edit_form.h"

#include "alarm/display_form.h"
#include "entry/form1.h"
#include "scheduler/due_rules.h"
#include "shell/app.h"

#include <QCloseEvent>

namespace {

const QString kIdeographicSpace(QChar(0x3000));

// "(日)" .. "(土) " for the days on which the memo fires, Sunday to Saturday;
// only Saturday's mark carries a space, an ASCII one.
QString weekdayMarks(qint16 week)
{
    static const char16_t *const marks[] = {u"(日)", u"(月)", u"(火)", u"(水)", u"(木)", u"(金)", u"(土) "};
    QString result;
    for (int day = 1; day <= 7; ++day) {
        if (due_rules::weekdayMatches(week, day))
            result += QString::fromUtf16(marks[day - 1]);
    }
    return result;
}

} // namespace

EditForm::EditForm()
{
    setObjectName(QStringLiteral("Edit"));
    setWindowTitle(QStringLiteral("memo編集"));
    setClientTwips(5985, 4080, false);

    Frame1 = place(new QGroupBox(QStringLiteral("設定されたMemo"), this), 240, 240, 5055, 3015);
    List1 = place(new QListWidget(Frame1), 240, 360, 4455, 2310);
    List1->setFont(uiFont(11.25));
    List1->setSortingEnabled(false);
    Command1 = place(new QPushButton(QStringLiteral("編集"), this), 360, 3480, 1095, 495);
    Command2 = place(new QPushButton(QStringLiteral("削除"), this), 2040, 3480, 1215, 495);
    Command3 = place(new QPushButton(QStringLiteral("編集終了"), this), 4200, 3480, 1095, 495);

    Frame1->setObjectName(QStringLiteral("Frame1"));
    List1->setObjectName(QStringLiteral("List1"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3->setObjectName(QStringLiteral("Command3"));
    for (QPushButton *button : {Command1, Command2, Command3}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    QWidget::setTabOrder(Command1, Command2);
    QWidget::setTabOrder(Command2, Command3);
    QWidget::setTabOrder(Command3, List1);

    connect(Command1, &QPushButton::clicked, this, &EditForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &EditForm::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &EditForm::Command3_Click);
    // Whatever changes the table, the lines follow while the list is on screen.
    connect(&memoBook(), &MemoBook::changed, this, [this] {
        if (isVisible())
            fillList();
    });
    centreOnFirstShow();
}

QString EditForm::listLine(const Memo &memo)
{
    const auto num = [](qint16 v) { return QString::number(v); };
    const QString time = num(memo.hour) + u'時' + num(memo.min) + u'分' + kIdeographicSpace;
    const QString text = QString(memo.text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    switch (kindOf(memo)) {
    case MemoKind::Weekly:
        return weekdayMarks(memo.week) + time + text;
    case MemoKind::EveryDay:
        return QStringLiteral("毎日") + kIdeographicSpace + time + text;
    case MemoKind::EveryMonth:
        return QStringLiteral("毎月") + kIdeographicSpace + num(memo.days) + u'日' + time + text;
    case MemoKind::OneOff:
        break;
    }
    return num(memo.year) + u'年' + num(memo.month) + u'月' + num(memo.days) + u'日' + time + text;
}

void EditForm::fillList()
{
    // The selection stays with its memo, wherever the memo now is.
    const QListWidgetItem *selected = selectedSlot() >= 0 ? List1->currentItem() : nullptr;
    const int keep = selected ? memoBook().slotOfId(selected->data(Qt::UserRole).toULongLong()) : -1;
    List1->clear();
    for (int slot = 0; slot < memoBook().count(); ++slot) {
        auto *item = new QListWidgetItem(listLine(memoBook().at(slot)), List1);
        item->setData(Qt::UserRole, memoBook().idAt(slot));
    }
    if (keep >= 0)
        List1->setCurrentRow(keep);
}

int EditForm::selectedSlot() const
{
    const QListWidgetItem *item = List1->currentItem();
    if (!item || !item->isSelected())
        return -1;
    return List1->currentRow();
}

void EditForm::open()
{
    if (forms().Display.shown())
        return;
    // A memo still out of the table for editing belongs in the list.
    form1().restorePendingEdit();
    if (memoBook().count() == 0)
        return;
    form1().hide();
    show();
    List1->clear(); // opened afresh, with nothing selected
    fillList();
}

// 削除
void EditForm::Command2_Click()
{
    memoBook().remove(selectedSlot());
}

// 編集: the memo leaves the table and waits in the setting window until "設定".
void EditForm::Command1_Click()
{
    const int i = selectedSlot();
    if (i < 0)
        return;
    // A memo another program has just deleted cannot be edited.
    const std::optional<Memo> memo = memoBook().takeForEdit(i);
    if (!memo)
        return;
    form1().editMemo(*memo);
    forms().Edit.unload();
}

// 編集終了
void EditForm::Command3_Click()
{
    hide();
    if (memoBook().count() != 0)
        memoBook().arm();
}

void EditForm::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Command3_Click();
}
