#include "link/ReplyFamilies.h"

#include "link/Replies81.h"
#include "link/ReplyTable.h"

// One line per family of replies; each family's rows live in its own file.
void RegisterAllReplyFamilies() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterReplies81();
    RegisterReplies83();
    RegisterReplies84();
    RegisterReplies85();
}
