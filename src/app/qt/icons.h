#pragma once
// The program's own 32 x 32 pictures.
#include <QIcon>
#include <QPixmap>

QPixmap MainIconPixmap();     // the window icon, also drawn by the about box
QPixmap ContactPixmap();      // the contact group
QPixmap NoticePixmap();       // the no-support notice group
QIcon MainIcon();
