// How the engine holds a texture record: whoever keeps a handle keeps the record and its
// GPU texture alive (see CTextureManager for the rule). A panel that shows a record for
// one frame may borrow it (TextureRecord* or reference) from a handle someone else holds.
#pragma once

#include <memory>

struct TextureRecord;

using TextureHandle = std::shared_ptr<TextureRecord>;
