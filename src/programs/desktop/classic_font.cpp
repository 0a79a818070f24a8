#include "desktop/classic_font.h"

#include <QStringList>

namespace membrane {
namespace {

QFont ClassicFace(bool bold, bool underline) {
    QFont font;
#if defined(Q_OS_WIN)
    font.setFamilies({QStringLiteral("MS Sans Serif")});
#else
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Helvetica"), QStringLiteral("Nimbus Sans")});
#endif
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

}  // namespace

QFont ClassicFontPoints(int points, bool bold, bool underline) {
    QFont font = ClassicFace(bold, underline);
    font.setPointSize(points);
    return font;
}

QFont ClassicFontPixels(int pixels, bool bold, bool underline) {
    QFont font = ClassicFace(bold, underline);
    font.setPixelSize(pixels);
    return font;
}

}  // namespace membrane
