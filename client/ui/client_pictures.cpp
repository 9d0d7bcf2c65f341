#include "client/ui/client_pictures.h"

// A resource compiled into a static library is linked only when something names it.
static void LoadClientResource() { Q_INIT_RESOURCE(client); }

namespace vesk {

namespace {

QString ResourcePath(const char* name) {
    static const bool loaded = (LoadClientResource(), true);
    static_cast<void>(loaded);
    return QStringLiteral(":/client/") + QLatin1String(name);
}

}  // namespace

QString ClientIconPath() { return ResourcePath("vesk_chat.png"); }

DiePictures DiePicturePaths() {
    return {ResourcePath("toolbar1.png"), ResourcePath("toolbar2.png")};
}

}  // namespace vesk
