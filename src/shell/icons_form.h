#pragma once

#include "shell/form.h"

#include <QAction>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPixmap>

// The hidden host of the tray icon's picture and its pop-up menu.
class IconsForm : public Form
{
    Q_OBJECT
public:
    IconsForm();

    // A picture of the program's artwork, by its resource path.
    static QPixmap artwork(const QString &resource);
    // The program's 32 x 32 memo-sheet picture, as Image1 and other windows show it.
    static QPixmap programPicture();
    QIcon programIcon() const;
    // Opens the pop-up menu at the pointer's global position.
    void popup(const QPoint &globalPos);

    void memoset_Click();
    void memoedit_Click();
    void dspver_Click();
    void timadjst_Click();
    void memofin_Click();

    QLabel *Image1 = nullptr;
    QMenu *menuup = nullptr;
    QAction *memoset = nullptr;
    QAction *memoedit = nullptr;
    QAction *dspver = nullptr;
    QAction *timadjst = nullptr;
    QAction *memofin = nullptr;
};
