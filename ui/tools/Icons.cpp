// Draws the program's icon at the hicolor theme's sizes, FOLDER/<n>x<n>/apps/velmorant.png,
// from its two pixel drawings: whole-number enlargements, so every pixel stays sharp.
#include <QDir>
#include <QImage>
#include <cstdio>

#include "ui/resources/velmorant16.xpm"
#include "ui/resources/velmorant32.xpm"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmorant-icons FOLDER\n");
    return 2;
  }
  const QImage small(velmorant16_xpm), large(velmorant32_xpm);
  const struct {
    int size;
    const QImage& from;
  } icons[] = {{16, small}, {32, large}, {48, small}, {64, large}, {128, large}, {256, large}};
  for (const auto& icon : icons) {
    const QString folder = QString("%1/%2x%2/apps").arg(argv[1]).arg(icon.size);
    const QImage image =
        icon.from.scaled(icon.size, icon.size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!QDir().mkpath(folder) || !image.save(folder + "/velmorant.png")) {
      std::fprintf(stderr, "velmorant-icons: cannot write %s/velmorant.png\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
