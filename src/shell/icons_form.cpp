#include "shell/icons_form.h"

#include "entry/edit_form.h"
#include "entry/form1.h"
#include "notices/ver_form.h"
#include "shell/app.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QPointer>

static void initResources()
{
    // The artwork lives in the program's static library, whose resource
    // initialiser nothing else would pull in.
    Q_INIT_RESOURCE(rekuda31);
}

IconsForm::IconsForm()
{
    setObjectName(QStringLiteral("icons"));
    Image1 = place(new QLabel(this), 0, 0, 480, 480);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(programPicture());

    menuup = new QMenu(QStringLiteral("popup"), this);
    menuup->setObjectName(QStringLiteral("menuup"));
    memoset = menuup->addAction(QStringLiteral("メモ設定"), this, &IconsForm::memoset_Click);
    memoedit = menuup->addAction(QStringLiteral("メモ編集"), this, &IconsForm::memoedit_Click);
    menuup->addSeparator();
    dspver = menuup->addAction(QStringLiteral("バージョン情報"), this, &IconsForm::dspver_Click);
    timadjst = menuup->addAction(QStringLiteral("日時の設定"), this, &IconsForm::timadjst_Click);
    menuup->addSeparator();
    memofin = menuup->addAction(QStringLiteral("終了"), this, &IconsForm::memofin_Click);
    memoset->setObjectName(QStringLiteral("memoset"));
    memoedit->setObjectName(QStringLiteral("memoedit"));
    dspver->setObjectName(QStringLiteral("dspver"));
    timadjst->setObjectName(QStringLiteral("timadjst"));
    memofin->setObjectName(QStringLiteral("memofin"));

    // "メモ編集" is offered while there are memos to list, a memo out for editing among them.
    const auto offerMemoEdit = [this] {
        const MemoBook &book = memoBook();
        memoedit->setVisible(book.count() > 0 || book.memoOutForEditing());
    };
    connect(&memoBook(), &MemoBook::changed, this, offerMemoEdit);
    offerMemoEdit();
}

QPixmap IconsForm::artwork(const QString &resource)
{
    initResources();
    // Read as XPM outright: left to guess, Qt loads every image-format plugin
    // (and libjpeg) to ask each whether it knows the file.
    QImageReader reader(resource, "XPM");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QPixmap IconsForm::programPicture()
{
    return artwork(QStringLiteral(":/rekuda31/program.xpm"));
}

QIcon IconsForm::programIcon() const
{
    return QIcon(Image1->pixmap());
}

void IconsForm::popup(const QPoint &globalPos)
{
    // The tray finishes with the click that brought us here before the menu
    // takes the pointer.
    const QPointer<IconsForm> self(this);
    QCoreApplication::processEvents();
    if (!self)
        return;
    menuup->popup(globalPos);
    // While no window of the program is visible, X11 closes the menu on a click
    // elsewhere only when the menu is the active window.
    menuup->activateWindow();
}

void IconsForm::memoset_Click()
{
    form1().openForNewMemo();
}

void IconsForm::memoedit_Click()
{
    if (forms().Display.shown())
        return;
    // The list editor refuses an empty table itself, after putting back a memo
    // that was taken out of it for editing.
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
