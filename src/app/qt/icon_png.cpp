// Writes the program's icon as a PNG for the desktop's icon theme, at build
// time:  quillmer-icon-png OUTPUT
#include <QImage>
#include <QString>
#include <cstdio>

#include "app/qt/resources/quillmer.xpm"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quillmer-icon-png OUTPUT\n");
    return 2;
  }
  return QImage(quillmer_xpm).save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
