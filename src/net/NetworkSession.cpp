#include "NetworkSession.h"

namespace aru {

NetworkSession::NetworkSession()
    : SharedInstance(this) {
    // Each reply belongs to the coroutine that awaits it, which deletes it once it has read it.
    m_manager.setAutoDeleteReplies(false);
}

} // namespace aru
