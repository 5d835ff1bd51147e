// The families of reply rows; each registers its own rows. RegisterAllReplyFamilies calls them all.
#pragma once

void RegisterReplies83();
void RegisterReplies84();
void RegisterReplies85();
// The output window's list decoders, which the parameter and slot rows call by name.
void RegisterListDecoders();
