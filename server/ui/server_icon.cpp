#include "server/ui/server_icon.h"

// A resource compiled into a static library is linked only when something names it.
static void LoadServerResource() { Q_INIT_RESOURCE(server); }

namespace vesk {

QString ServerIconPath() {
    static const bool loaded = (LoadServerResource(), true);
    static_cast<void>(loaded);
    return QStringLiteral(":/server/vesk_server.png");
}

}  // namespace vesk
