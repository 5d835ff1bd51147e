// The families of reply rows; each registers its own rows. RegisterAllReplyFamilies calls them all.
#pragma once

// Registers every family once (idempotent).
void RegisterAllReplyFamilies();

void RegisterReplies83();
void RegisterReplies84();
void RegisterReplies85();
