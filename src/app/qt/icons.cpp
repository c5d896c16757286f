#include "app/qt/icons.h"

#include "app/qt/resources/contact.xpm"
#include "app/qt/resources/notice.xpm"
#include "app/qt/resources/quillmer.xpm"

QPixmap MainIconPixmap() { return QPixmap(quillmer_xpm); }
QPixmap ContactPixmap() { return QPixmap(contact_xpm); }
QPixmap NoticePixmap() { return QPixmap(notice_xpm); }
QIcon MainIcon() { return QIcon(MainIconPixmap()); }
