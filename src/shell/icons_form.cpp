#include "shell/icons_form.h"

#include "entry/edit_form.h"
#include "entry/form1.h"
#include "notices/ver_form.h"
#include "shell/app.h"

IconsForm::IconsForm()
{
    setObjectName(QStringLiteral("icons"));
    Image1 = new QLabel(this);
    menuup = new QMenu(QStringLiteral("popup"));
    memoset = menuup->addAction(QStringLiteral("メモ設定"), this, &IconsForm::memoset_Click);
    memoedit = menuup->addAction(QStringLiteral("メモ編集"), this, &IconsForm::memoedit_Click);
    menuup->addSeparator();
    dspver = menuup->addAction(QStringLiteral("バージョン情報"), this, &IconsForm::dspver_Click);
    timadjst = menuup->addAction(QStringLiteral("日時の設定"), this, &IconsForm::timadjst_Click);
    menuup->addSeparator();
    memofin = menuup->addAction(QStringLiteral("終了"), this, &IconsForm::memofin_Click);
}

IconsForm::~IconsForm()
{
    delete menuup;
}

QIcon IconsForm::programIcon() const
{
    return QIcon();
}

void IconsForm::setMemoEditVisible(bool visible)
{
    memoedit->setVisible(visible);
}

void IconsForm::popup(const QPoint &globalPos)
{
    menuup->popup(globalPos);
}

void IconsForm::memoset_Click()
{
    form1().openForNewMemo();
}

void IconsForm::memoedit_Click()
{
    Edit().open();
}

void IconsForm::dspver_Click()
{
    Ver().show();
}

void IconsForm::timadjst_Click()
{
    App::instance().os.launcher->openDateTimeSettings();
}

void IconsForm::memofin_Click()
{
    App::instance().exitProgram();
}
