#include "chat/core/chatidentity.h"

#include "chat/core/ircline.h"
#include "common/sharedblock.h"

CChatIdentity CChatIdentity::FromSharedBlock(const ferry::SharedBlock &block)
{
    CChatIdentity identity;
    identity.nickname = DecodeChatText(block.nickname());
    identity.email = DecodeChatText(block.email());
    ferry::bytes::putBe32(identity.address.data(), block.ownAddress());
    return identity;
}
