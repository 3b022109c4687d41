#include "ui/artwork.h"

// The resource initialiser of a static library is not pulled in by the linker on its own, and
// Q_INIT_RESOURCE only works from the global namespace.
static void InitQuerimoResources() {
    Q_INIT_RESOURCE(querimo);
}

namespace querimo {

void LoadArtwork() {
    static const bool loaded = (InitQuerimoResources(), true);
    (void)loaded;
}

QIcon ApplicationIcon() {
    LoadArtwork();
    QIcon icon;
    for (int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/querimo/querimo-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace querimo
